// End-to-end test of the bundled demo: ft-host serves a copy of examples/demo on a free port,
// headless Chromium opens the scenario page and a person's round is played through it.
//
//   node demo.test.mjs [--host build/bin/ft-host] [--demo examples/demo] [--out build]
//
// Exit 0 when every check passed, 1 on the first failed one, 77 (skipped) only when Chromium
// is missing and cannot be installed without root.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const SKIPPED = 77;
const DEADLINE_MS = 55_000;
const STEP_TIMEOUT_MS = 8_000;
const CHROMIUM = '/usr/bin/chromium';
const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..', '..');

function option(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 && process.argv[i + 1] ? path.resolve(process.argv[i + 1]) : fallback;
}
const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const demoDir = option('--demo', path.join(root, 'examples', 'demo'));
const outDir = option('--out', path.join(root, 'build'));

// Chromium comes from the distribution; ./ft test installs it, and so does this test as root.
function ensureChromium() {
  if (fs.existsSync(CHROMIUM)) return;
  if (process.getuid() !== 0) {
    console.log(`browser_demo skipped: ${CHROMIUM} is missing and installing it needs root`);
    process.exit(SKIPPED);
  }
  console.log('installing chromium…');
  const env = { ...process.env, DEBIAN_FRONTEND: 'noninteractive' };
  let r = spawnSync('apt-get', ['install', '-y', '-qq', 'chromium'], { stdio: 'inherit', env });
  if (r.status !== 0) {
    spawnSync('apt-get', ['update', '-qq'], { stdio: 'inherit', env });
    r = spawnSync('apt-get', ['install', '-y', '-qq', 'chromium'], { stdio: 'inherit', env });
  }
  if (r.status !== 0 || !fs.existsSync(CHROMIUM)) {
    throw new Error('chromium could not be installed');
  }
}

// playwright-core is pinned in package-lock.json; `npm ci` once when it is not there yet.
async function loadPlaywright() {
  try {
    return await import('playwright-core');
  } catch {
    const r = spawnSync('npm', ['ci', '--no-audit', '--no-fund', '--loglevel=error'],
                        { cwd: here, stdio: 'inherit' });
    if (r.status !== 0) throw new Error('npm ci failed in ' + here);
    return import('playwright-core');
  }
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function canConnect(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.once('connect', () => { socket.destroy(); resolve(true); });
    socket.once('error', () => resolve(false));
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// --- the run -------------------------------------------------------------------------------

// Installing is not part of the bounded run.
ensureChromium();
const { chromium } = await loadPlaywright();

let passed = 0;
let host = null;
let context = null;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-browser-'));
const hostLog = path.join(work, 'host.log');
const hostStderr = path.join(work, 'host.stderr');

async function check(name, fn) {
  try {
    await fn();
  } catch (e) {
    throw new Error(`${name}: ${e.message}`);
  }
  passed++;
  console.log(`ok ${passed} - ${name}`);
}

function assertEqual(actual, expected, what) {
  if (actual !== expected) {
    throw new Error(`${what}: expected ${JSON.stringify(expected)}, got ${JSON.stringify(actual)}`);
  }
}

function readHostLog() {
  return fs.existsSync(hostLog) ? fs.readFileSync(hostLog, 'utf8') : '';
}

async function startHost(demoCopy, port) {
  const err = fs.openSync(hostStderr, 'w');
  host = spawn(hostBinary, ['--data', path.join(demoCopy, 'demo.xml'), '--port', String(port),
                            '--log-file', hostLog],
               { stdio: ['ignore', err, err] });
  fs.closeSync(err);
  let exited = null;
  host.once('exit', (code, signal) => { exited = signal || code; });
  for (const end = Date.now() + 10_000; Date.now() < end;) {
    if (exited !== null) throw new Error(`ft-host exited (${exited}) before serving`);
    if (await canConnect(port)) return;
    await sleep(100);
  }
  throw new Error(`ft-host did not listen on port ${port} within 10 s`);
}

async function stopHost() {
  if (!host || host.exitCode !== null || host.signalCode !== null) return;
  const gone = new Promise((resolve) => host.once('exit', resolve));
  host.kill('SIGTERM');
  if (await Promise.race([gone.then(() => true), sleep(5_000).then(() => false)])) return;
  host.kill('SIGKILL');
  await gone;
}

async function run(chromium) {
  const demoCopy = path.join(work, 'demo');
  fs.cpSync(demoDir, demoCopy, {
    recursive: true,
    filter: (src) => path.basename(src) !== 'demo-note.txt',
  });
  const port = await freePort();
  await startHost(demoCopy, port);

  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_ARGS,
    viewport: { width: 1000, height: 760 },
  });
  const page = context.pages()[0] || await context.newPage();
  page.setDefaultTimeout(STEP_TIMEOUT_MS);
  const pageErrors = [];
  page.on('pageerror', (e) => pageErrors.push(e.message));
  page.on('console', (m) => {
    if (m.type() === 'error') pageErrors.push(`${m.text()} (${m.location().url})`);
  });

  const text = (selector) => page.locator(selector).first().textContent();
  async function waitText(selector, expected) {
    try {
      await page.waitForFunction(([s, e]) => {
        const el = document.querySelector(s);
        return el !== null && el.textContent.trim() === e;
      }, [selector, expected]);
    } catch {
      throw new Error(`${selector}: expected ${JSON.stringify(expected)}, ` +
                      `got ${JSON.stringify(await text(selector).catch(() => null))}`);
    }
  }
  const row = (name) => `#live tr[data-name="${name}"]`;

  await check('the scenario page loads with the API injected', async () => {
    const response = await page.goto(`http://127.0.0.1:${port}/FT?gui=demo&mw=demo&flow=demo`);
    assertEqual(response.status(), 200, 'status of /FT');
    await page.waitForFunction(() => document.body.classList.contains('ready'));
    const injected = await page.evaluate(() => ({
      api: typeof window.ft === 'object' && typeof window.init === 'function',
      script: document.querySelectorAll('script[src="/Scripts/init.js"]').length,
      onfocus: document.getElementById('title').getAttribute('onfocus'),
    }));
    assertEqual(injected.api, true, 'ft and init defined');
    assertEqual(injected.script, 1, 'injected init.js elements');
    assertEqual(injected.onfocus, 'javascript:endFT();', 'development-mode title attribute');
  });

  await check('the style sheet applies', async () => {
    const color = await page.evaluate(
        () => getComputedStyle(document.getElementById('title')).backgroundColor);
    assertEqual(color, 'rgb(31, 78, 121)', 'title background');
  });

  await check('live values appear with their display texts', async () => {
    await waitText(`${row('PumpState')} .text`, 'Off');
    const cells = await page.$$eval('#live tbody tr:not([hidden])', (rows) => rows.map((r) =>
        [r.dataset.name, r.querySelector('.value').textContent, r.querySelector('.text').textContent]));
    assertEqual(JSON.stringify(cells), JSON.stringify([
      ['PumpState', '0', 'Off'],
      ['DoorState', '2', 'Ajar'],
      ['BatteryVoltage', '12.600000', '12.60 V'],
      ['CoolantTemp', '87.400000', '87.4 °C'],
      ['EngineSpeed', '850.000000', '850 rpm'],
      ['VIN', 'DEMOVIN0000000042', 'DEMOVIN0000000042'],
      ['SoftwareVersion', 'DEMO-2.4.1', 'DEMO-2.4.1'],
    ]), 'visible rows');
  });

  await check('items whose mask does not apply are hidden', async () => {
    assertEqual(await page.locator(row('HeaterState')).isHidden(), true, 'HeaterState hidden');
    assertEqual(await page.locator(row('TurboPressure')).isHidden(), true, 'TurboPressure hidden');
    assertEqual(await text('#hidden-items'), 'HeaterState, TurboPressure', 'hidden list');
  });

  await check('texts of both origins and the data files show', async () => {
    assertEqual(await text('#title [data-text]'), 'Demo function test', 'title text');
    assertEqual(await text('#intro'), 'Live values of the simulated ECU DEMO, read once a second.',
                'intro text');
    const texts = await page.$$eval('#text-list dd', (dds) => dds.map((d) => d.textContent));
    assertEqual(texts.includes('Texts of origin Q are stored under the prefix C3P_.'), true,
                'origin Q text in ' + JSON.stringify(texts));
    assertEqual(await text('#file-welcome'), 'Welcome to the demo: this text is ' +
                'ApplicationData/ATWS/welcome.txt, read with readFile.\n', 'welcome.txt');
    assertEqual(await text('#file-notice'), 'This notice is stored scrambled (every byte ' +
                'complemented) as notice.txtc.\n', 'notice.txtc unscrambled');
    assertEqual(await text('#file-workshop'), 'Demo Garage, Lyon', 'workshop.xml');
    assertEqual(await text('#file-limits'), 'BatteryVoltage between 11.8 and 14.8 V',
                'DEMO_limits.xml');
  });

  await check('a command changes a state that the page then shows', async () => {
    await page.click('button[data-command="StartPump"]');
    await waitText('#cmd-StartPump output', 'status 0');
    await waitText(`${row('PumpState')} .text`, 'Running');
    assertEqual(await text(`${row('PumpState')} .value`), '1', 'raw PumpState');
    await page.click('button[data-command="SelfTest"]');
    await waitText('#cmd-SelfTest output', 'status 0');
  });

  await check('every status word shows as a failure', async () => {
    for (const [button, output, word] of [
      ['button[data-command="Bleed"]', '#cmd-Bleed output', 'TIMEOUT'],
      ['button[data-command="Calibrate"]', '#cmd-Calibrate output', 'VCI DISCONNECTED'],
      ['button[data-command="Program"]', '#cmd-Program output', 'INVALID QUERY'],
      ['#read-gear', '#read-GearState output', 'UNKNOWN'],
    ]) {
      await page.click(button);
      await waitText(output, word);
      assertEqual(await page.locator(output).getAttribute('class'), 'status failed',
                  `class of ${output}`);
    }
  });

  await check('a raw frame gets its response', async () => {
    await page.click('#frame-form button');
    await waitText('#frame-response', '62F19044454D4F56494E30303030303030303432');
    assertEqual((await text('#frame-ascii')).includes('DEMOVIN0000000042'), true, 'ASCII form');
  });

  await check('the note file round-trips', async () => {
    const note = 'Tyres: 2.4 bar & 100% ok? a=b; "quoted" #7 + x/y \'q\' ünïcødé €\nline 2';
    await page.fill('#note', note);
    await page.click('#note-save');
    await waitText('#note-status', 'saved and read back');
    const onDisk = fs.readFileSync(
        path.join(demoCopy, 'gui', 'ApplicationData', 'ATWS', 'demo-note.txt'), 'utf8');
    assertEqual(onDisk, note, 'file on disk');
    await page.fill('#note', '');
    await page.click('#note-load');
    await waitText('#note-status', 'loaded');
    assertEqual(await page.inputValue('#note'), note, 'note loaded back');
  });

  await check('no request was refused and the page raised no error', async () => {
    assertEqual(readHostLog().includes('event 669'), false, 'stop event before the end');
    assertEqual(JSON.stringify(pageErrors.filter((e) => !e.includes('favicon'))), '[]',
                'page errors');
  });

  fs.mkdirSync(outDir, { recursive: true });
  await page.screenshot({ path: path.join(outDir, 'demo-screenshot.png'), fullPage: true });

  await check('ending the scenario reaches the host', async () => {
    await page.click('#end');
    await waitText('#end-status', 'scenario ended');
    for (const end = Date.now() + STEP_TIMEOUT_MS; !readHostLog().includes('event 669');) {
      if (Date.now() > end) throw new Error('the host log shows no "event 669"');
      await sleep(100);
    }
  });
}

async function cleanUp() {
  if (context) await Promise.race([context.close().catch(() => {}), sleep(5_000)]);
  await stopHost();
  fs.rmSync(work, { recursive: true, force: true });
}

const deadline = setTimeout(() => {
  console.log(`not ok - the test took longer than ${DEADLINE_MS / 1000} s`);
  if (host) host.kill('SIGKILL');
  process.exit(1);
}, DEADLINE_MS);
process.on('exit', () => { if (host && host.exitCode === null) host.kill('SIGKILL'); });

let failure = null;
try {
  await run(chromium);
} catch (e) {
  failure = e;
  console.log(`not ok - ${e.message}`);
  const tail = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '')
      .split('\n').slice(-30).join('\n');
  console.log('--- ft-host log (last lines) ---\n' + tail(hostLog) + tail(hostStderr));
}
await cleanUp();
clearTimeout(deadline);
console.log(`browser_demo: ${passed} passed, ${failure ? 1 : 0} failed`);
process.exit(failure ? 1 : 0);
