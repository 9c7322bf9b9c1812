// The page around the game: the canvas, the key listeners and, for tests, a
// small interface on window.farrowgate. Runs before the game's module starts.
Module.farrowgatePage = (function () {
  'use strict';
  // Browser key names to console virtual-key codes; other keys are the browser's.
  const KEY_CODES = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Space: 32, ' ': 32, Escape: 27, Esc: 27 };
  const TEXT_ROOM = 72; // CSS pixels kept below the canvas for the legend and status lines

  const canvas = document.getElementById('screen');
  const status = document.getElementById('status');
  const scripted = new URLSearchParams(location.search).has('script');
  // The picture at one dot per pixel, scaled onto the page's canvas by a whole factor.
  const picture = document.createElement('canvas');
  const held = new Set();
  let width = 640, height = 400, hasPicture = false, ended = false, frames = 0;
  let frameListener = null;

  function draw() {
    if (!hasPicture) return;
    const context = canvas.getContext('2d');
    context.imageSmoothingEnabled = false;
    context.drawImage(picture, 0, 0, canvas.width, canvas.height);
  }

  // The largest whole scale that fits the window, in device pixels, so every
  // dot is a crisp square whatever the zoom.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const room = Math.min((window.innerWidth - 16) * ratio / width, (window.innerHeight - TEXT_ROOM) * ratio / height);
    const scale = Math.max(1, Math.floor(room));
    canvas.width = width * scale;
    canvas.height = height * scale;
    canvas.style.width = canvas.width / ratio + 'px';
    canvas.style.height = canvas.height / ratio + 'px';
    draw();
  }

  function show(rgba, w, h) {
    if (w !== width || h !== height || !hasPicture) {
      width = w;
      height = h;
      picture.width = w;
      picture.height = h;
      hasPicture = true;
      fit();
    }
    picture.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(rgba), w, h), 0, 0);
    draw();
    ++frames;
  }

  function send(code, down) { Module._fg_key_event(code, down ? 1 : 0); }

  // A key let go while the page has no focus sends no key-up: count it up now.
  function releaseAll() {
    for (const code of held) send(code, false);
    held.clear();
  }

  function keyCode(event) { return KEY_CODES[event.code] || KEY_CODES[event.key]; }

  function onKeyDown(event) {
    const code = keyCode(event);
    if (!code) return;
    event.preventDefault(); // arrows and space would scroll the page
    if (event.repeat || held.has(code)) return;
    held.add(code);
    send(code, true);
  }

  function onKeyUp(event) {
    const code = keyCode(event);
    if (!code) return;
    event.preventDefault();
    if (held.delete(code)) send(code, false);
  }

  function onVisibility() { if (document.hidden) releaseAll(); }

  const LISTENERS = [
    [window, 'keydown', onKeyDown],
    [window, 'keyup', onKeyUp],
    [window, 'blur', releaseAll],
    [document, 'visibilitychange', onVisibility],
  ];

  function listen(on) {
    // Plain indexing: Emscripten's optimiser reads no destructuring here.
    for (const listener of LISTENERS) {
      if (on) listener[0].addEventListener(listener[1], listener[2]);
      else listener[0].removeEventListener(listener[1], listener[2]);
    }
    held.clear();
    if (on) canvas.focus();
  }

  function endGame() {
    ended = true;
    listen(false);
    status.textContent = 'The walk has ended. Reload the page (F5) to start again.';
  }

  let markReady;
  const ready = new Promise(function (resolve) { markReady = resolve; });
  Module.postRun = [function () {
    if (!scripted && !ended) listen(true);
    markReady();
  }];
  window.addEventListener('resize', fit);

  // For tests: run a frame script (the headless runner's format) on the
  // scripted clock, with ?script in the page's address.
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
      return { frames: frames, ended: ended, angle: Module._fg_player_angle(), status: status.textContent };
    },
  };

  return {
    scripted: scripted,
    setTitle: function (title) { document.title = title; },
    show: show,
    frameOut: function (cells) { if (frameListener) frameListener(cells); },
    ended: endGame,
  };
})();
