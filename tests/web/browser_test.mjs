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

async function openPage(query = '') {
  const page = await browser.newPage();
  await page.setViewport({ width: 1300, height: 900, deviceScaleFactor: 1 });
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

async function waitForFrames(page, count) {
  await page.waitForFunction((n) => window.farrowgate.state().frames >= n, { timeout: 10000 }, count);
}

describe('the live page', () => {
  let page;
  before(async () => {
    page = await openPage();
    await waitForFrames(page, 5);
  });
  after(async () => page && page.close());

  test('loads without a console error, titled with the window title, the canvas at a whole scale', async () => {
    assert.equal(await page.title(), windowTitle());
    const canvas = await page.$eval('#screen', (c) => ({ w: c.width, h: c.height }));
    assert.equal(canvas.w % 640, 0);
    assert.equal(canvas.w / 640, canvas.h / 400);
    assert.ok(canvas.w >= 1280, `a 1300 x 900 window fits scale 2, got ${canvas.w} wide`);
    const legend = await page.$eval('p', (p) => p.textContent);
    assert.match(legend, /Arrows.*Space.*Escape/);
    assert.deepEqual(problems, []);
  });

  test('a held arrow turns the view until its key-up, and the page does not scroll', async () => {
    await page.evaluate(() => {
      window.keyDefaults = [];
      window.addEventListener('keydown', (e) => window.keyDefaults.push(e.defaultPrevented));
    });
    const start = (await state(page)).angle;
    await page.keyboard.down('ArrowLeft');
    await sleep(300);
    const turning = (await state(page)).angle;
    await sleep(200);
    const stillTurning = (await state(page)).angle;
    await page.keyboard.up('ArrowLeft');
    await sleep(150);
    const released = (await state(page)).angle;
    await sleep(400);
    assert.notEqual(turning, start, 'turns while held');
    assert.notEqual(stillTurning, turning, 'keeps turning while held');
    assert.equal((await state(page)).angle, released, 'stops turning after the key-up');
    assert.deepEqual(await page.evaluate(() => window.keyDefaults), [true]);
  });

  // A key let go while the page cannot see it sends no key-up: losing the
  // focus or being hidden must count every held key as released.
  const losses = {
    'the page loses the focus': () => window.dispatchEvent(new Event('blur')),
    'the page is hidden': () => {
      Object.defineProperty(document, 'hidden', { value: true, configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.hidden; // back to the real, visible page
    },
  };
  for (const [how, lose] of Object.entries(losses)) {
    test(`a held key counts as released when ${how}`, async () => {
      const before = (await state(page)).angle;
      await page.keyboard.down('ArrowRight');
      await sleep(200);
      assert.notEqual((await state(page)).angle, before, 'turns while held');
      await page.evaluate(lose);
      await sleep(150);
      const afterLoss = (await state(page)).angle;
      await sleep(400);
      assert.equal((await state(page)).angle, afterLoss, 'no turning after the loss');
      await page.keyboard.up('ArrowRight');
    });
  }

  test('Escape ends the loop, leaving the last frame and how to start again', async () => {
    await page.screenshot({ path: path.join(outDir, 'page.png') });
    // Held over a frame: a press and release within one poll leaves the key up.
    await page.keyboard.down('Escape');
    await sleep(100);
    await page.keyboard.up('Escape');
    await page.waitForFunction(() => window.farrowgate.state().ended, { timeout: 5000 });
    const ended = await state(page);
    await sleep(300);
    assert.equal((await state(page)).frames, ended.frames, 'no frame after Escape');
    assert.match(ended.status, /start again/);
    const canvas = await page.$('#screen');
    await canvas.screenshot({ path: path.join(outDir, 'canvas.png') });
    assert.deepEqual(problems, []);
  });
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
          return `${answer}, frames shown ${window.farrowgate.state().frames}`;
        }, script);
        assert.match(result, expected);
      } finally {
        await page.close();
      }
    });
  }

  test('the pages left no console error', () => assert.deepEqual(problems, []));
});
