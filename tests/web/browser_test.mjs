// Plays the web build in a real browser (Debian's chromium, headless) and
// holds it to the native headless runner: the same first frame cell for cell,
// the same frame hashes over every golden tour, real key presses and releases.
//
//   node browser_test.mjs --page build-web/web --headless build-web/host/farrowgate-headless \
//                         --out build-web/browser-test
//
// Exits 77 (a skip for ctest) with a message when chromium or the page is
// missing; under CI (CI set), which installs everything, that is a failure.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const SKIP = 77;
const SOURCE_DIR = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const TOURS_DIR = path.join(SOURCE_DIR, 'tests', 'tours');
const FRAME_BYTES = 80 * 50 * 4;

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at >= 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const pageDir = path.resolve(option('--page', path.join(SOURCE_DIR, 'build-web', 'web')));
const headless = option('--headless', '');
const outDir = path.resolve(option('--out', path.join(SOURCE_DIR, 'build-web', 'browser-test')));
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

function skip(why) {
  console.log(`browser tests skipped: ${why}`);
  process.exit(process.env.CI ? 1 : SKIP);
}
if (!fs.existsSync(chromium)) skip(`no chromium at ${chromium} (apt-get install chromium, or set CHROMIUM)`);
if (!fs.existsSync(path.join(pageDir, 'farrowgate.html'))) {
  skip(`no page in ${pageDir} (build it: emcmake cmake -S . -B build-web && cmake --build build-web)`);
}
let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch {
  skip('puppeteer-core is not installed (run npm ci in tests/web)');
}

// The page's three files and nothing else, from 127.0.0.1 on a free port.
const CONTENT_TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
function startServer() {
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, 'http://x').pathname);
    const file = path.join(pageDir, name);
    const type = CONTENT_TYPES[path.extname(name)];
    if (!type || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': type });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The golden tours' frame hash (tests/golden_tours_test.cpp): FNV-1a 64 with
// the offset basis 1469598103934665603, as 16 lower-case hex digits. Worked in
// 16-bit limbs, fast in plain numbers. Sent to the page as text.
const FNV1A_SOURCE = `(function (bytes) {
  let h0 = 0x0383, h1 = 0x739d, h2 = 0x0fb0, h3 = 0x1465;  // 0x14650fb0739d0383
  for (let i = 0; i < bytes.length; ++i) {
    h0 ^= bytes[i];
    // h * (2^40 + 0x1b3) mod 2^64
    let t0 = h0 * 0x1b3, t1 = h1 * 0x1b3, t2 = h2 * 0x1b3 + h0 * 256, t3 = h3 * 0x1b3 + h1 * 256;
    t1 += t0 >>> 16; t2 += t1 >>> 16; t3 += t2 >>> 16;
    h0 = t0 & 0xffff; h1 = t1 & 0xffff; h2 = t2 & 0xffff; h3 = t3 & 0xffff;
  }
  const hex = (v) => v.toString(16).padStart(4, '0');
  return hex(h3) + hex(h2) + hex(h1) + hex(h0);
})`;

function windowTitle() {
  const source = fs.readFileSync(path.join(SOURCE_DIR, 'console', 'frame_buffer.cpp'), 'utf8');
  return /WINDOW_TITLE\[\] = "([^"]*)"/.exec(source)[1];
}

// A tour's script, its start tick ("#! --start-tick N" on the first line) and
// its pinned frame hashes.
function readTour(name) {
  const script = fs.readFileSync(path.join(TOURS_DIR, `${name}.txt`), 'utf8');
  const tick = /^#! .*--start-tick (\d+)/.exec(script);
  const hashes = fs.readFileSync(path.join(TOURS_DIR, `${name}.hashes`), 'utf8').split('\n')
    .filter((line) => line && !line.startsWith('#')).map((line) => line.split(' ')[1]);
  return { script, startTick: tick ? Number(tick[1]) : 0, hashes };
}

function nativeFirstFrame(script) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'farrowgate-web-'));
  try {
    fs.writeFileSync(path.join(dir, 'script.txt'), script);
    execFileSync(headless, ['--script', path.join(dir, 'script.txt'), '--frames-out', path.join(dir, 'frames.bin')],
      { stdio: 'ignore' });
    return fs.readFileSync(path.join(dir, 'frames.bin')).subarray(0, FRAME_BYTES);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let browser, server, base;
const problems = []; // console errors and failed loads of every page

before(async () => {
  fs.mkdirSync(outDir, { recursive: true });
  server = await startServer();
  base = `http://127.0.0.1:${server.address().port}/farrowgate.html`;
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
});

async function openPage(query = '', viewport = { width: 1300, height: 900, deviceScaleFactor: 1 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`failed load: ${request.url()}`));
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`HTTP ${response.status()}: ${response.url()}`);
  });
  await page.goto(base + query, { waitUntil: 'load' });
  await page.evaluate(() => window.farrowgate.ready);
  return page;
}

const state = (page) => page.evaluate(() => window.farrowgate.state());


const PICTURE_HASH = `(function () {
  const data = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 400).data;
  let h = 0;
  for (let i = 0; i < data.length; ++i) h = (Math.imul(h, 31) + data[i]) | 0;
  return h;
})()`;

// Presses and releases a key inside one task of the page, between two frames.
function tapKey(page, code, extra = {}) {
  return page.evaluate((c, more) => {
    const options = Object.assign({ code: c, key: c, bubbles: true, cancelable: true }, more);
    const down = new KeyboardEvent('keydown', options);
    window.dispatchEvent(down);
    window.dispatchEvent(new KeyboardEvent('keyup', options));
    return down.defaultPrevented;
  }, code, extra);
}

// Really hides the page: another tab comes to the front. Chromium's headless
// mode hides the tab behind it as a browser window does.
async function hideFor(page, ms) {
  const other = await browser.newPage();
  await other.bringToFront();
  const hidden = await page.evaluate(() => document.visibilityState);
  await sleep(ms);
  await page.bringToFront();
  await other.close();
  return hidden;
}

describe('the live page', () => {
  let page, firstPicture;
  before(async () => {
    page = await openPage();
    firstPicture = await page.evaluate(PICTURE_HASH);
  });
  after(async () => page && page.close());

  test('starts on the start screen: titled, labelled, the picture at a whole scale, the world waiting', async () => {
    assert.equal(await page.title(), windowTitle());
    const start = await state(page);
    assert.equal(start.mode, 'waiting');
    assert.match(start.message, /walk/);
    assert.match(await page.$eval('#overlay', (o) => o.textContent), /Arrows.*Space.*Escape or Q.*press a key or tap to play/s);
    const canvas = await page.$eval('#screen', (c) => ({
      w: c.width, h: c.height, css: c.getBoundingClientRect().width, label: c.getAttribute('aria-label'),
    }));
    assert.deepEqual([canvas.w, canvas.h], [640, 400], 'one canvas pixel per dot');
    assert.equal(canvas.css, 1280, 'a 1300 x 900 window fits two pixels per dot');
    assert.match(canvas.label, /first-person/);
    assert.match(await page.$eval('link[rel=icon]', (l) => l.href), /^data:image\/png;base64,/);
    const shift = await page.evaluate(() => new Promise((resolve) => {
      new PerformanceObserver((list) => resolve(list.getEntries().reduce((sum, e) => sum + e.value, 0)))
        .observe({ type: 'layout-shift', buffered: true });
      setTimeout(() => resolve(0), 500); // no entries at all: no shift
    }));
    assert.equal(shift, 0, 'nothing moves when the picture comes');
    await sleep(500);
    const later = await state(page);
    assert.equal(later.frames, 1, 'one frame, the start view, and no more while waiting');
    assert.equal(later.clock, 0, 'the clock stands');
    assert.deepEqual(problems, []);
  });

  test('index.html is the page itself', () => {
    assert.equal(fs.readFileSync(path.join(pageDir, 'index.html'), 'utf8'),
      fs.readFileSync(path.join(pageDir, 'farrowgate.html'), 'utf8'));
  });

  test('a key starts the walk; a held arrow turns the view until its key-up, and the page does not scroll', async () => {
    await page.evaluate(() => {
      window.keyDefaults = [];
      window.addEventListener('keydown', (e) => window.keyDefaults.push(e.defaultPrevented));
    });
    const start = (await state(page)).angle;
    await page.keyboard.down('ArrowLeft');
    await sleep(300);
    const turning = await state(page);
    assert.equal(turning.mode, 'playing');
    await sleep(200);
    const stillTurning = (await state(page)).angle;
    await page.keyboard.up('ArrowLeft');
    await sleep(150);
    const released = (await state(page)).angle;
    await sleep(400);
    assert.notEqual(turning.angle, start, 'turns while held');
    assert.notEqual(stillTurning, turning.angle, 'keeps turning while held');
    assert.equal((await state(page)).angle, released, 'stops turning after the key-up');
    assert.deepEqual(await page.evaluate(() => window.keyDefaults), [true]);
  });

  test('keys with Alt, Ctrl or Meta are the browser\'s: Alt+Left is not cancelled and does not turn', async () => {
    const before = (await state(page)).angle;
    for (const modifier of ['altKey', 'ctrlKey', 'metaKey']) {
      assert.equal(await tapKey(page, 'ArrowLeft', { [modifier]: true }), false, modifier);
    }
    await page.keyboard.down('Alt');
    await page.keyboard.down('ArrowLeft');
    await sleep(200);
    await page.keyboard.up('ArrowLeft');
    await page.keyboard.up('Alt');
    assert.equal((await state(page)).angle, before);
  });

  test('f shows the page full screen, the picture scaled to the screen, and f again leaves it', async () => {
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 });
    await sleep(300);
    const full = await page.evaluate(() => ({
      width: document.getElementById('screen').getBoundingClientRect().width, screen: innerWidth, height: innerHeight,
    }));
    assert.ok(full.width >= 0.8 * Math.min(full.screen, full.height * 1.6), JSON.stringify(full));
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 });
    assert.equal((await state(page)).mode, 'playing');
  });

  test('a press and release between two frames still holds the key for a frame', async () => {
    for (let i = 0; i < 3; ++i) {
      const before = (await state(page)).angle;
      assert.equal(await tapKey(page, 'ArrowLeft'), true);
      await sleep(200);
      const after = (await state(page)).angle;
      assert.notEqual(after, before, `tap ${i} turns`);
      await sleep(200);
      assert.equal((await state(page)).angle, after, `tap ${i} turns once`);
    }
  });

  // A key let go while the page cannot see it sends no key-up: losing the
  // focus or being hidden counts every held key as released, and the world
  // waits on the pause screen until a new press.
  const losses = {
    'the page loses the focus': () => window.dispatchEvent(new Event('blur')),
    'the page is hidden': () => {
      Object.defineProperty(document, 'hidden', { value: true, configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.hidden; // back to the real, visible page
    },
  };
  for (const [how, lose] of Object.entries(losses)) {
    test(`when ${how}, a held key counts as released and the world waits`, async () => {
      const before = (await state(page)).angle;
      await page.keyboard.down('ArrowRight');
      await sleep(200);
      assert.notEqual((await state(page)).angle, before, 'turns while held');
      await page.evaluate(lose);
      const paused = await state(page);
      assert.equal(paused.mode, 'waiting');
      assert.match(paused.message, /press them again/);
      await sleep(400);
      const later = await state(page);
      assert.equal(later.angle, paused.angle, 'no turning after the loss');
      assert.equal(later.frames, paused.frames, 'no frames while paused');
      assert.equal(later.clock, paused.clock, 'the clock stands');
      await page.keyboard.up('ArrowRight');
      await page.keyboard.press('Enter');
      assert.equal((await state(page)).mode, 'playing');
    });
  }

  // Walking is 1/256 cell per ms and a figure 1/1024: what moved must fit in
  // the time the clock counted, which must not hold the time away. A reading
  // comes some time after the frame it shows: on a loaded machine, up to SLACK_MS.
  const WALK_PER_MS = 1 / 256, FIGURE_PER_MS = 1 / 1024, SLACK_MS = 500;
  const distance = (a, b) => Math.hypot(a[0] - b[0], a[1] - b[1]);
  test('three seconds in a hidden tab with Up held move nothing, and the clock resumes where it stopped', async () => {
    await page.keyboard.down('ArrowUp');
    await sleep(100);
    const before = await state(page);
    assert.equal(before.mode, 'playing');
    const visibility = await hideFor(page, 3000);
    assert.equal(visibility, 'hidden', 'the other tab hides the page');
    const back = await state(page);
    await page.keyboard.up('ArrowUp');
    assert.equal(back.mode, 'waiting');
    const counted = back.clock - before.clock;
    assert.ok(counted < 1500, `the clock counted ${counted} ms of a 3000 ms absence`);
    const walked = distance([back.x, back.y], [before.x, before.y]);
    assert.ok(walked <= (counted + SLACK_MS) * WALK_PER_MS, `walked ${walked} in ${counted} ms`);
    before.actors.forEach((place, i) => {
      const moved = distance(back.actors[i], place);
      assert.ok(moved <= (counted + SLACK_MS) * FIGURE_PER_MS, `figure ${i} moved ${moved} in ${counted} ms`);
    });
    await sleep(300);
    assert.equal((await state(page)).clock, back.clock, 'the clock stands until a key');
    await page.keyboard.press('Enter');
    await sleep(300);
    const resumed = await state(page);
    assert.equal(resumed.mode, 'playing');
    const since = resumed.clock - back.clock;
    assert.ok(since > 0 && since < 1500, `resumed from ${back.clock}, now ${resumed.clock}`);
    before.actors.forEach((place, i) => {
      const moved = distance(resumed.actors[i], place);
      assert.ok(moved <= (resumed.clock - before.clock + SLACK_MS) * FIGURE_PER_MS, `figure ${i} moved ${moved}`);
    });
  });

  test('the cells redrawn as they change add up to the whole picture', async () => {
    await page.keyboard.down('ArrowUp');
    await page.keyboard.down('ArrowLeft');
    await sleep(700);
    await page.keyboard.up('ArrowLeft');
    await page.keyboard.up('ArrowUp');
    // In one task, between two frames.
    const [piecemeal, whole] = await page.evaluate(`[${PICTURE_HASH}, (Module._fg_redraw(), ${PICTURE_HASH})]`);
    assert.equal(whole, piecemeal);
  });

  test('q ends the walk; "walk again" starts afresh with the first frame of a reload', async () => {
    await page.screenshot({ path: path.join(outDir, 'page.png') });
    await page.keyboard.down('ArrowUp');
    await sleep(300);
    await page.keyboard.up('ArrowUp');
    await tapKey(page, 'KeyQ'); // held for a frame, however short
    await page.waitForFunction(() => window.farrowgate.state().ended, { timeout: 5000 });
    const ended = await state(page);
    await sleep(300);
    assert.equal((await state(page)).frames, ended.frames, 'no frame after q');
    assert.match(ended.message, /ended/);
    await page.click('#again');
    const again = await state(page);
    assert.equal(again.mode, 'waiting');
    assert.deepEqual([again.x, again.y, again.angle], [32, 32, 0]);
    assert.equal(await page.evaluate(PICTURE_HASH), firstPicture, 'the picture of a fresh start');
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => window.farrowgate.state().ended, { timeout: 5000 });
    assert.deepEqual(problems, []);
  });
});

describe('sizes and phones', () => {
  async function layout(page) {
    return page.evaluate(() => {
      const box = (e) => { const r = e.getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; };
      const buttons = [...document.querySelectorAll('.controls button')];
      return {
        canvas: box(document.getElementById('screen')),
        buttons: buttons.map((b) => (b.offsetParent ? box(b) : null)),
        scrollW: document.documentElement.scrollWidth, scrollH: document.documentElement.scrollHeight,
        innerW: innerWidth, innerH: innerHeight,
        touchAction: buttons.length ? getComputedStyle(buttons[0]).touchAction : '',
      };
    });
  }
  const overlaps = (a, b) => a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
  const fitsInside = (l) => l.canvas.x >= 0 && l.canvas.y >= 0 && l.canvas.x + l.canvas.w <= l.innerW + 0.01 &&
    l.canvas.y + l.canvas.h <= l.innerH + 0.01 && l.scrollW <= l.innerW && l.scrollH <= l.innerH;

  test('a small window: the picture shrinks to fit, nothing overflows', async () => {
    for (const [width, height] of [[600, 420], [320, 240], [656, 472]]) {
      const page = await openPage('', { width, height, deviceScaleFactor: 1 });
      const l = await layout(page);
      assert.ok(fitsInside(l), `${width} x ${height}: ${JSON.stringify(l)}`);
      assert.ok(l.canvas.w >= 0.8 * Math.min(width, (height - 30) * 1.6), `${width} x ${height}: ${l.canvas.w} wide`);
      assert.ok(l.buttons.every((b) => b === null), 'no on-screen controls without a touch screen');
      await page.close();
    }
  });

  const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
  test('phone, upright: the picture fills the width, big controls below it, no overflow', async () => {
    const page = await openPage('', PHONE);
    const l = await layout(page);
    await page.screenshot({ path: path.join(outDir, 'phone.png') });
    assert.ok(fitsInside(l), JSON.stringify(l));
    assert.equal(l.canvas.x, 0);
    assert.equal(l.canvas.w, 390);
    assert.equal(l.touchAction, 'none');
    for (const b of l.buttons) {
      assert.ok(b && b.w >= 48 && b.h >= 48, `a button big enough for a thumb: ${JSON.stringify(b)}`);
      assert.ok(!overlaps(b, l.canvas) && b.y + b.h <= l.innerH, `a button outside the picture: ${JSON.stringify(b)}`);
    }
    assert.equal(await page.$eval('meta[name=viewport]', (m) => m.content.includes('width=device-width')), true);
    await page.close();
  });

  test('phone, sideways: the picture fills the height, the controls beside it', async () => {
    const page = await openPage('', { ...PHONE, width: 844, height: 390 });
    const l = await layout(page);
    await page.screenshot({ path: path.join(outDir, 'phone-sideways.png') });
    assert.ok(fitsInside(l), JSON.stringify(l));
    assert.ok(l.canvas.h >= 389, `${l.canvas.h} high`);
    for (const b of l.buttons) assert.ok(b && !overlaps(b, l.canvas), `a button outside the picture: ${JSON.stringify(b)}`);
    await page.close();
  });

  test('phone: holding the turn control turns the view, letting go stops it; walk and turn together', async () => {
    const page = await openPage('', PHONE);
    const centre = (selector) => page.$eval(selector, (b) => {
      const r = b.getBoundingClientRect();
      return [r.x + r.width / 2, r.y + r.height / 2];
    });
    await page.tap('#screen'); // the start screen waits for a tap
    assert.equal((await state(page)).mode, 'playing');
    const start = await state(page);
    const turn = await page.touchscreen.touchStart(...(await centre('[data-key="37"]')));
    await sleep(300);
    const turning = (await state(page)).angle;
    const walk = await page.touchscreen.touchStart(...(await centre('[data-key="38"]')));
    await sleep(300);
    const both = await state(page);
    await turn.end();
    await walk.end();
    await sleep(150);
    const released = await state(page);
    await sleep(400);
    const later = await state(page);
    assert.notEqual(turning, start.angle, 'turns while held');
    assert.notEqual(both.angle, turning, 'still turns with a second finger down');
    assert.ok(both.x !== start.x || both.y !== start.y, 'walks with the second finger');
    assert.deepEqual([later.angle, later.x, later.y], [released.angle, released.x, released.y], 'stops once let go');
    await page.close();
  });
});

describe('failures say why on the page', () => {
  // These pages fail on purpose: their console errors are not the others' problems.
  async function failingPage(prepare, address = base) {
    const page = await browser.newPage();
    await page.setViewport({ width: 900, height: 700 });
    await prepare(page);
    await page.goto(address, { waitUntil: 'load' });
    await sleep(500);
    const text = await page.$eval('#overlay', (o) => o.innerText);
    await page.close();
    return text;
  }
  const withheld = (name) => async (page) => {
    await page.setRequestInterception(true);
    page.on('request', (request) => (request.url().endsWith(name) ? request.respond({ status: 404, body: '' })
      : request.continue()));
  };
  const cases = [
    ['no WebAssembly', (page) => page.evaluateOnNewDocument(() => { delete window.WebAssembly; }), undefined,
      /cannot run WebAssembly/],
    ['the module missing', withheld('farrowgate.wasm'), undefined, /farrowgate\.wasm failed to load \(HTTP 404\)/],
    ['the script missing', withheld('farrowgate.js'), undefined, /farrowgate\.js failed to load/],
    ['opened as a file', async () => {}, () => `file://${path.join(pageDir, 'farrowgate.html')}`,
      /opened as a file.*python3 -m http\.server/s],
    ['JavaScript off', (page) => page.setJavaScriptEnabled(false), undefined, /needs JavaScript/],
  ];
  for (const [what, prepare, address, expected] of cases) {
    test(what, async () => {
      const text = await failingPage(prepare, address ? address() : base);
      assert.match(text, expected);
      assert.doesNotMatch(text, /press a key/);
    });
  }
});

describe('the scripted page', () => {
  async function runScript(script, startTick, keepFirst) {
    const page = await openPage('?script');
    try {
      return await page.evaluate(async (text, tick, keep, hashSource) => {
        const hash = eval(hashSource); // eslint-disable-line no-eval
        const hashes = [];
        let first = null;
        const frames = window.farrowgate.runScript(text, tick, (cells) => {
          if (keep && first === null) first = Array.from(cells);
          hashes.push(hash(cells));
        });
        return { frames, hashes, first };
      }, script, startTick, keepFirst, FNV1A_SOURCE);
    } finally {
      await page.close();
    }
  }

  test('the start frame is the native runner\'s, cell for cell', async (t) => {
    if (!headless || !fs.existsSync(headless)) {
      t.skip(`no native headless runner given (--headless); got '${headless}'`);
      return;
    }
    const expected = nativeFirstFrame('0\n');
    const { frames, first } = await runScript('0\n', 0, true);
    assert.equal(frames, 1);
    for (let cell = 0; cell < FRAME_BYTES / 4; ++cell) {
      const at = cell * 4;
      const got = first.slice(at, at + 4), want = Array.from(expected.subarray(at, at + 4));
      assert.deepEqual(got, want, `cell row ${Math.floor(cell / 80)} column ${cell % 80}`);
    }
  });

  const tours = fs.readdirSync(TOURS_DIR).filter((f) => f.endsWith('.txt')).map((f) => f.slice(0, -4)).sort();
  for (const name of tours) {
    test(`golden tour ${name}: every frame hash is the native one`, async () => {
      const tour = readTour(name);
      const { frames, hashes } = await runScript(tour.script, tour.startTick, false);
      assert.equal(frames, tour.hashes.length, 'frame count');
      const first = hashes.findIndex((h, i) => h !== tour.hashes[i]);
      assert.equal(first, -1, `first different frame: ${first} (${hashes[first]} here, ${tour.hashes[first]} native)`);
    });
  }

  // What runScript answers: a refusal names the line and runs nothing; a
  // script longer than the module's stack (5 MB) still runs.
  const answers = [
    ['a malformed script', '16 +UP\n16 +JUMP\n', /^refused: line 2: unknown event '\+JUMP'.*, frames shown 0$/],
    ['a 6 MB script', `# ${'.'.repeat(1000)}\n`.repeat(6300) + '16 +UP\n', /^ran 1, frames shown 1$/],
  ];
  for (const [what, script, expected] of answers) {
    test(`runScript on ${what}`, async () => {
      const page = await openPage('?script');
      try {
        const result = await page.evaluate((text) => {
          let answer;
          try {
            answer = `ran ${window.farrowgate.runScript(text, 0)}`;
          } catch (error) {
            answer = `refused: ${error.message}`;
          }
          return `${answer}, frames shown ${window.farrowgate.state().drawn}`;
        }, script);
        assert.match(result, expected);
      } finally {
        await page.close();
      }
    });
  }

  test('the pages left no console error', () => assert.deepEqual(problems, []));
});
