// How much CPU the web page takes, standing still and walking: the CPU time of
// every chromium process (browser, renderer, GPU) over a stretch of play, as a
// share of one core. A benchmark, not a test: it prints a table.
//
//   node cpu_benchmark.mjs --page build-web/web [--before other-build/web] [--empty]
//                          [--seconds 10] [--rounds 2] [--only phone] [--what standing]
//
// With --before, the two builds take turns in the same browser, so both see
// the same load on the machine; --empty adds, as a floor, a page that runs an
// empty animation-frame loop under a 640 x 400 canvas and nothing else. Headless chromium with --disable-gpu, as the
// page's figures in docs/performance.md were taken.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at >= 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

const pages = { after: path.resolve(option('--page', 'build-web/web')) };
if (option('--before', '')) pages.before = path.resolve(option('--before', ''));
if (process.argv.includes('--empty')) pages.empty = null;
const EMPTY_PAGE = `<!doctype html><html><body style="margin:0;background:#000">
<canvas width="640" height="400" style="width:1280px;height:800px;max-width:100%"></canvas><script>
let frames = 0;
function tick() { ++frames; requestAnimationFrame(tick); }
requestAnimationFrame(tick);
window.farrowgate = { ready: Promise.resolve(), state: () => ({ frames: frames }) };
</script></body></html>`;
const seconds = Number(option('--seconds', '10'));
const only = option('--only', ''); // a device's name, or part of it
const what = option('--what', ''); // standing or walking
const rounds = Number(option('--rounds', '2'));
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
const DEVICES = {
  'desktop 1300x900 dpr 1': { width: 1300, height: 900, deviceScaleFactor: 1 },
  'phone 390x844 dpr 3': { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
};
const TICKS_PER_SECOND = 100; // USER_HZ, the unit of /proc/<pid>/stat's times

const CONTENT_TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
function serve(dir) {
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, 'http://x').pathname) || 'farrowgate.html';
    if (dir === null) return response.writeHead(200, { 'Content-Type': 'text/html' }).end(EMPTY_PAGE);
    const file = path.join(dir, name);
    if (!CONTENT_TYPES[path.extname(name)] || !fs.existsSync(file)) return response.writeHead(404).end();
    response.writeHead(200, { 'Content-Type': CONTENT_TYPES[path.extname(name)] });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Chromium's process kinds, from --type= on their command lines.
function processKind(pid) {
  try {
    const match = /--type=([a-z-]+)/.exec(fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8'));
    return match ? match[1] : 'browser';
  } catch {
    return 'gone';
  }
}

// The CPU ticks used so far by the process and all its descendants, in all
// and by process kind.
function treeTicks(root) {
  const parents = new Map(), ticks = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parents.set(Number(entry), Number(fields[1]));
      ticks.set(Number(entry), Number(fields[11]) + Number(fields[12])); // utime + stime
    } catch {
      // gone meanwhile
    }
  }
  const total = { all: 0 };
  for (const [pid, used] of ticks) {
    for (let p = pid; p > 1; p = parents.get(p) || 0) {
      if (p === root) {
        const kind = processKind(pid);
        total.all += used;
        total[kind] = (total[kind] || 0) + used;
        break;
      }
    }
  }
  return total;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function measure(browser, url, device, walking) {
  const page = await browser.newPage();
  await page.setViewport(device);
  await page.goto(url, { waitUntil: 'load' });
  await page.evaluate(() => window.farrowgate.ready);
  await page.mouse.click(5, 5); // the start screen, where there is one, waits for a key or a tap
  await page.keyboard.press('Enter');
  if (walking) {
    // Round and round: the whole view changes every frame.
    await page.keyboard.down('ArrowUp');
    await page.keyboard.down('ArrowRight');
  }
  await sleep(1500);
  const pid = browser.process().pid;
  const framesBefore = (await page.evaluate(() => window.farrowgate.state())).frames;
  const ticksBefore = treeTicks(pid), start = performance.now();
  await sleep(seconds * 1000);
  const ticksAfter = treeTicks(pid), wall = (performance.now() - start) / 1000;
  const share = (kind) => (100 * ((ticksAfter[kind] || 0) - (ticksBefore[kind] || 0))) / TICKS_PER_SECOND / wall;
  const frames = (await page.evaluate(() => window.farrowgate.state())).frames - framesBefore;
  await page.close();
  const kinds = Object.keys(ticksAfter).filter((kind) => kind !== 'all' && share(kind) >= 0.5);
  return { cpu: share('all'), fps: frames / wall, split: kinds.map((kind) => `${kind} ${share(kind).toFixed(0)}`).join(', ') };
}

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu'],
});
const servers = {}, urls = {};
for (const [name, dir] of Object.entries(pages)) {
  servers[name] = await serve(dir);
  urls[name] = `http://127.0.0.1:${servers[name].address().port}/farrowgate.html`;
}
const results = [];
for (const [deviceName, device] of Object.entries(DEVICES).filter(([name]) => name.includes(only))) {
  for (const walking of [false, true].filter((w) => !what || what === (w ? 'walking' : 'standing'))) {
    for (let round = 0; round < rounds; ++round) {
      for (const name of Object.keys(pages)) {
        const { cpu, fps, split } = await measure(browser, urls[name], device, walking);
        results.push({ device: deviceName, what: walking ? 'walking' : 'standing', page: name, cpu, fps });
        console.error(`${deviceName} ${walking ? 'walking' : 'standing'} ${name}: ${cpu.toFixed(1)}% (${split}) ${fps.toFixed(1)} fps`);
      }
    }
  }
}
await browser.close();
for (const server of Object.values(servers)) server.close();

// CPU per frame as well: a page the machine cannot keep at the screen's rate
// runs fewer frames, and so uses less CPU than it would at full rate.
console.log('| device | what | page | CPU, % of a core (each round) | mean | frames/s | CPU ms per frame |');
console.log('|---|---|---|---|---|---|---|');
const keys = [...new Set(results.map((r) => `${r.device}|${r.what}|${r.page}`))];
for (const key of keys) {
  const rows = results.filter((r) => `${r.device}|${r.what}|${r.page}` === key);
  const mean = rows.reduce((sum, r) => sum + r.cpu, 0) / rows.length;
  const fps = rows.reduce((sum, r) => sum + r.fps, 0) / rows.length;
  const perFrame = (10 * mean) / fps; // % of a core is 10 ms of CPU a second
  console.log(`| ${key.split('|').join(' | ')} | ${rows.map((r) => r.cpu.toFixed(1)).join(', ')} | ${mean.toFixed(1)} | ` +
    `${fps.toFixed(0)} | ${perFrame.toFixed(1)} |`);
}
