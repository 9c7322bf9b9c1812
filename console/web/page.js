// The page around the game: the canvas, the start, pause and end screens, the
// keys and the on-screen controls, the page's clock and, for tests, a small
// interface on window.farrowgate. Runs before the game's module starts; the
// page's inline script has already sized the picture and checked what could
// stop the game from loading.
Module.farrowgatePage = (function () {
  'use strict';
  // Browser key names to console virtual-key codes; other keys are the browser's.
  // q quits as Escape does.
  const ESCAPE = 27;
  const KEY_CODES = {
    ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Space: 32, ' ': 32,
    Escape: ESCAPE, Esc: ESCAPE, KeyQ: ESCAPE, q: ESCAPE, Q: ESCAPE,
  };
  const PICTURE_WIDTH = 640, PICTURE_HEIGHT = 400, CELL_PIXELS = 8;
  const ICON_SIZE = 32;
  const WASM_FILE = 'farrowgate.wasm';
  const START_TEXT = 'A walk through a walled complex of rooms, doors and wandering figures.';
  const AWAY_TEXT = 'Paused while the page was hidden or in the background. ' +
    'Keys held meanwhile count as let go: press them again to walk or turn.';

  const byId = (id) => document.getElementById(id);
  const canvas = byId('screen');
  const overlay = byId('overlay');
  const message = byId('message');
  const help = byId('help');
  const prompt = byId('prompt');
  const again = byId('again');
  const fullscreenButton = byId('fullscreen');
  const scripted = new URLSearchParams(location.search).has('script');
  const context = canvas.getContext('2d', { alpha: false });

  // loading, waiting (start or pause screen), playing, ended, failed, or scripted.
  let mode = 'loading';
  let frames = 0, drawn = 0, request = 0;
  let image = null; // the module's picture, in place on its heap
  let frameListener = null;

  // The game's clock: performance.now() less every wait. It stands still
  // while the page waits, so time away counts in no frame.
  let clockOffset = 0, stoppedAt = 0, clockRunning = false;
  function now() { return clockRunning ? performance.now() - clockOffset : stoppedAt; }
  function stopClock() {
    if (!clockRunning) return;
    stoppedAt = performance.now() - clockOffset;
    clockRunning = false;
  }
  function startClock() {
    if (clockRunning) return;
    clockOffset = performance.now() - stoppedAt;
    clockRunning = true;
  }

  // Copies the rows of cells that changed to the canvas, one rectangle per run
  // of changed rows, straight from the module's memory.
  function show(heap, pointer, spans) {
    if (!image || image.data.buffer !== heap.buffer || image.pointer !== pointer) {
      image = new ImageData(new Uint8ClampedArray(heap.buffer, pointer, PICTURE_WIDTH * PICTURE_HEIGHT * 4),
        PICTURE_WIDTH, PICTURE_HEIGHT);
      image.pointer = pointer;
    }
    const rows = spans.length / 2;
    for (let row = 0; row < rows;) {
      if (spans[row * 2] < 0) {
        ++row;
        continue;
      }
      let first = spans[row * 2], last = spans[row * 2 + 1], end = row + 1;
      for (; end < rows && spans[end * 2] >= 0; ++end) {
        first = Math.min(first, spans[end * 2]);
        last = Math.max(last, spans[end * 2 + 1]);
      }
      context.putImageData(image, 0, 0, first * CELL_PIXELS, row * CELL_PIXELS,
        (last - first + 1) * CELL_PIXELS, (end - row) * CELL_PIXELS);
      row = end;
    }
    ++drawn;
  }

  // Keys and fingers. A code is down while any key or finger holds it. A
  // release before a frame has polled the press waits for that frame, so the
  // shortest tap still holds the key for one frame.
  const holders = new Map(); // code -> number of keys and fingers holding it
  const pressedSinceFrame = new Set();
  const lateReleases = new Set();
  const keysDown = new Set(); // the keyboard's keys, by name, to ignore repeats
  const fingers = new Map(); // pointer id -> { code, button }

  function send(code, down) { Module._fg_key_event(code, down ? 1 : 0); }

  function press(code) {
    const count = (holders.get(code) || 0) + 1;
    holders.set(code, count);
    if (count > 1) return;
    if (lateReleases.delete(code)) return; // still down: its release had not gone out
    send(code, true);
    pressedSinceFrame.add(code);
  }

  function release(code) {
    const count = holders.get(code);
    if (!count) return; // already counted as released while the page was away
    if (count > 1) {
      holders.set(code, count - 1);
      return;
    }
    holders.delete(code);
    if (pressedSinceFrame.has(code)) lateReleases.add(code);
    else send(code, false);
  }

  function afterFrame() {
    pressedSinceFrame.clear();
    for (const code of lateReleases) send(code, false);
    lateReleases.clear();
  }

  // A key let go while the page cannot see it sends no key-up: count every
  // held key up now. Keys still held when the page comes back must be pressed again.
  function releaseAll() {
    for (const code of holders.keys()) send(code, false);
    for (const code of lateReleases) send(code, false);
    holders.clear();
    lateReleases.clear();
    pressedSinceFrame.clear();
    keysDown.clear();
    fingers.clear();
    for (const button of document.querySelectorAll('.controls button')) button.classList.remove('held');
  }

  function runFrame() {
    const goesOn = Module._fg_frame();
    ++frames;
    afterFrame();
    if (!goesOn) end();
  }

  function tick() {
    request = 0;
    if (mode !== 'playing') return;
    runFrame();
    if (mode === 'playing') request = requestAnimationFrame(tick);
  }

  function showOverlay(text, withHelp) {
    message.textContent = text;
    message.className = '';
    help.hidden = !withHelp;
    prompt.hidden = !withHelp;
    again.hidden = true;
    overlay.classList.remove('gone', 'loading');
  }

  // The start and pause screen: the world and its clock wait for a key or a tap.
  function wait(text) {
    if (mode !== 'playing' && mode !== 'waiting') return;
    mode = 'waiting';
    stopClock();
    releaseAll();
    showOverlay(text, true);
  }

  function play() {
    if (mode !== 'waiting') return;
    mode = 'playing';
    overlay.classList.add('gone');
    startClock();
    canvas.focus({ preventScroll: true });
    if (!request) request = requestAnimationFrame(tick);
  }

  function end() {
    mode = 'ended';
    stopClock();
    releaseAll();
    showOverlay('The walk has ended.', false);
    again.hidden = false;
    again.focus({ preventScroll: true });
  }

  // A fresh start-up and its first frame, drawn while the clock stands, so
  // every walk begins with the frame a reload shows.
  function start() {
    mode = 'waiting';
    stopClock();
    releaseAll();
    Module._fg_start();
    runFrame();
    if (mode === 'waiting') showOverlay(START_TEXT, true);
  }

  function fail(why) {
    mode = 'failed';
    stopClock();
    if (window.farrowgateFail) window.farrowgateFail(why);
  }

  function toggleFullscreen() {
    if (!document.fullscreenEnabled) return;
    const done = document.fullscreenElement ? document.exitFullscreen() : document.documentElement.requestFullscreen();
    done.catch(function () {}); // refused (no user gesture): the page stays as it is
  }

  function keyCode(event) { return KEY_CODES[event.code] || KEY_CODES[event.key]; }

  function onKeyDown(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return; // the browser's keys
    if (mode !== 'waiting' && mode !== 'playing') return;
    const code = keyCode(event);
    if (event.code === 'KeyF' || event.key === 'f' || event.key === 'F') {
      if (!event.repeat) toggleFullscreen();
      event.preventDefault();
      return;
    }
    if (mode === 'waiting') {
      if (code) event.preventDefault(); // arrows and space would scroll the page
      // A key held since before the pause repeats: it starts nothing.
      if (event.repeat || (!code && event.key.length !== 1 && event.key !== 'Enter')) return;
      play();
    }
    if (!code) return;
    event.preventDefault();
    const name = event.code || event.key;
    if (event.repeat || keysDown.has(name)) return;
    keysDown.add(name);
    press(code);
  }

  function onKeyUp(event) {
    const code = keyCode(event);
    if (!code) return;
    if (!(event.ctrlKey || event.altKey || event.metaKey)) event.preventDefault();
    if (keysDown.delete(event.code || event.key)) release(code);
  }

  function onAway() {
    releaseAll();
    if (mode === 'playing') wait(AWAY_TEXT);
  }

  function onVisibility() { if (document.hidden) onAway(); }

  // The on-screen controls: each finger presses its button until it lifts,
  // so walking and turning go together.
  function onFingerDown(event) {
    event.preventDefault();
    if (mode === 'waiting') play();
    if (mode !== 'playing' || fingers.has(event.pointerId)) return;
    const button = event.currentTarget;
    const code = Number(button.dataset.key);
    button.setPointerCapture(event.pointerId);
    fingers.set(event.pointerId, { code: code, button: button });
    button.classList.add('held');
    press(code);
  }

  function onFingerUp(event) {
    const finger = fingers.get(event.pointerId);
    if (!finger) return;
    fingers.delete(event.pointerId);
    let stillHeld = false;
    for (const other of fingers.values()) stillHeld = stillHeld || other.button === finger.button;
    if (!stillHeld) finger.button.classList.remove('held');
    release(finger.code);
  }

  function onOverlayDown(event) {
    if (mode !== 'waiting' || event.target === again) return;
    event.preventDefault();
    play();
  }

  function drawIcon() {
    const bytes = ICON_SIZE * ICON_SIZE * 4;
    const at = Module._malloc(bytes);
    Module._fg_draw_icon(at);
    const pixels = new Uint8ClampedArray(Module.HEAPU8.slice(at, at + bytes));
    Module._free(at);
    const icon = document.createElement('canvas');
    icon.width = icon.height = ICON_SIZE;
    icon.getContext('2d').putImageData(new ImageData(pixels, ICON_SIZE, ICON_SIZE), 0, 0);
    document.querySelector('link[rel=icon]').href = icon.toDataURL();
  }

  function listen() {
    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('keyup', onKeyUp);
    window.addEventListener('blur', onAway);
    document.addEventListener('visibilitychange', onVisibility);
    overlay.addEventListener('pointerdown', onOverlayDown);
    for (const button of document.querySelectorAll('.controls button')) {
      button.addEventListener('pointerdown', onFingerDown);
      button.addEventListener('pointerup', onFingerUp);
      button.addEventListener('pointercancel', onFingerUp);
      button.addEventListener('lostpointercapture', onFingerUp);
      button.addEventListener('contextmenu', function (event) { event.preventDefault(); });
    }
    again.addEventListener('click', function () { if (mode === 'ended') start(); });
    if (document.fullscreenEnabled) {
      fullscreenButton.addEventListener('click', function () {
        toggleFullscreen();
        canvas.focus({ preventScroll: true });
      });
    }
  }

  // The module, fetched by the page so that a file that does not come is named.
  Module.instantiateWasm = function (imports, receive) {
    fetch(WASM_FILE, { credentials: 'same-origin' })
      .then(function (response) {
        if (!response.ok) throw new Error(`the file ${WASM_FILE} failed to load (HTTP ${response.status})`);
        return response.arrayBuffer();
      }, function () {
        throw new Error(`the file ${WASM_FILE} failed to load (the server did not answer)`);
      })
      .then(function (bytes) { return WebAssembly.instantiate(bytes, imports); })
      .then(function (result) { receive(result.instance, result.module); })
      .catch(function (error) { fail(`The game could not start: ${error.message}.`); });
    return {}; // the exports come later, through receive
  };
  Module.onAbort = function (what) { fail(`The game stopped: ${what}`); };

  let markReady;
  const ready = new Promise(function (resolve) { markReady = resolve; });
  Module.postRun = [function () {
    if (mode === 'failed') return;
    if (scripted) {
      mode = 'scripted';
      overlay.classList.add('gone');
    } else {
      listen();
      drawIcon();
      start();
      canvas.focus({ preventScroll: true });
    }
    markReady();
  }];

  function actors() {
    const list = [];
    for (let i = 0; i < Module._fg_actor_count(); ++i) list.push([Module._fg_actor_x(i), Module._fg_actor_y(i)]);
    return list;
  }

  // For tests: the game's state, and a frame script (the headless runner's
  // format) run on the scripted clock, with ?script in the page's address.
  window.farrowgate = {
    ready: ready,
    runScript: function (text, startTick, onFrame) {
      // On the heap, not the stack: a script may be longer than the stack.
      const size = Module.lengthBytesUTF8(text) + 1;
      const copy = Module._malloc(size);
      Module.stringToUTF8(text, copy, size);
      frameListener = onFrame || null;
      const count = Module._fg_run_script(copy, startTick >>> 0);
      frameListener = null;
      Module._free(copy);
      if (count < 0) throw new Error(Module.UTF8ToString(Module._fg_script_error()));
      return count;
    },
    state: function () {
      return {
        mode: mode, frames: frames, drawn: drawn, ended: mode === 'ended', clock: now(),
        angle: Module._fg_player_angle(), x: Module._fg_player_x(), y: Module._fg_player_y(), actors: actors(),
        message: overlay.classList.contains('gone') ? '' : message.textContent,
      };
    },
  };

  return {
    scripted: scripted,
    now: now,
    setTitle: function (title) { document.title = title; },
    show: show,
    frameOut: function (cells) { if (frameListener) frameListener(cells); },
  };
})();
