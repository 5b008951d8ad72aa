// End-to-end test of the bundled demo: ft-host serves a copy of examples/demo on a free port,
// headless Chromium opens the scenario page (through check.mjs, as `./ft check` does) and a
// technician's round is played through it.
//
//   node demo.test.mjs [--host build/bin/ft-host] [--demo examples/demo] [--out build]
//
// Exit 0 when every check passed, 1 on the first failed one, 77 (skipped) only when Chromium
// is missing and cannot be installed without root.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ensureChromium, loadPlaywright, openScenario, root, sleep } from './check.mjs';

const DEADLINE_MS = 90_000;
const STEP_TIMEOUT_MS = 8_000;
// The sequence waits for a command of two seconds and a window that then opens.
const SEQUENCE_MS = 20_000;

function option(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 && process.argv[i + 1] ? path.resolve(process.argv[i + 1]) : fallback;
}
const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const demoDir = option('--demo', path.join(root, 'examples', 'demo'));
const outDir = option('--out', path.join(root, 'build'));

// Installing is not part of the bounded run.
ensureChromium('browser_demo');
const { chromium } = await loadPlaywright();

let passed = 0;
let session = null;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-browser-'));

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
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  if (a !== e) throw new Error(`${what}: expected ${e}, got ${a}`);
}

function assertIncludes(list, expected, what) {
  if (!list.some((x) => x.includes(expected))) {
    throw new Error(`${what}: nothing holds ${JSON.stringify(expected)} in ${JSON.stringify(list)}`);
  }
}

async function run() {
  const demoCopy = path.join(work, 'demo');
  fs.cpSync(demoDir, demoCopy, {
    recursive: true,
    filter: (src) => path.basename(src) !== 'demo-note.txt',
  });
  session = await openScenario(chromium, {
    url: '/FT?gui=demo&mw=demo&flow=demo',
    data: path.join(demoCopy, 'demo.xml'),
    hostBinary,
    viewport: { width: 1280, height: 800 },
    stepTimeoutMs: STEP_TIMEOUT_MS,
  });
  const { page, report, host } = session;

  const text = (selector) => page.locator(selector).first().textContent();
  async function waitText(selector, expected, timeout) {
    try {
      await page.waitForFunction(([s, e]) => {
        const el = document.querySelector(s);
        return el !== null && el.textContent.trim() === e;
      }, [selector, expected], { timeout });
    } catch {
      throw new Error(`${selector}: expected ${JSON.stringify(expected)}, ` +
                      `got ${JSON.stringify(await text(selector).catch(() => null))}`);
    }
  }
  const row = (name) => `#live tr[data-name="${name}"]`;
  const steps = () => page.$$eval('#steps tr', (rows) => rows.map((r) =>
      [r.querySelector('.result').textContent, r.querySelector('.verdict').textContent]));

  await check('the scenario page loads with the API injected, in development mode', async () => {
    assertEqual(session.response.status(), 200, 'status of /FT');
    await page.waitForFunction(() => document.body.classList.contains('ready'));
    const injected = await page.evaluate(() => ({
      api: typeof window.ft === 'object' && typeof window.init === 'function',
      script: document.querySelectorAll('script[src="/Scripts/init.js"]').length,
      developmentMode: window.ft.developmentMode,
    }));
    assertEqual(injected, { api: true, script: 1, developmentMode: true }, 'injected API');
  });

  await check('the style sheet and the favicon are served', async () => {
    const color = await page.evaluate(
        () => getComputedStyle(document.getElementById('title')).backgroundColor);
    assertEqual(color, 'rgb(31, 78, 121)', 'title background');
    const icon = await page.evaluate(async () => {
      const r = await fetch(document.querySelector('link[rel="icon"]').href);
      return [r.status, (await r.text()).startsWith('<svg')];
    });
    assertEqual(icon, [200, true], 'favicon');
  });

  await check('live values appear with their display texts; masks hide two items', async () => {
    await waitText(`${row('PumpState')} .text`, 'Off');
    const cells = await page.$$eval('#live tbody tr:not([hidden])', (rows) => rows.map((r) =>
        [r.dataset.name, r.querySelector('.value').textContent, r.querySelector('.text').textContent]));
    // FanSpeed and Indicator move by themselves.
    const moving = { FanSpeed: /^1[2-8]00 rpm$/, Indicator: /^[01]$/ };
    for (const [name, , shown] of cells) {
      if (moving[name] && !moving[name].test(shown)) throw new Error(`${name} shows "${shown}"`);
    }
    assertEqual(cells.filter(([name]) => !moving[name]), [
      ['PumpState', '0', 'Off'],
      ['DoorState', '2', 'Ajar'],
      ['BatteryVoltage', '12.600000', '12.60 V'],
      ['CoolantTemp', '87.400000', '87.4 °C'],
      ['EngineSpeed', '850.000000', '850 rpm'],
      ['WindowState', '0', 'Closed'],
      ['WindowPosition', '0.000000', '0 %'],
      ['VIN', 'DEMOVIN0000000042', 'DEMOVIN0000000042'],
      ['SoftwareVersion', 'DEMO-2.4.1', 'DEMO-2.4.1'],
    ], 'visible rows');
    assertEqual(cells.filter(([name]) => moving[name]).length, 2, 'moving rows');
    assertEqual(await text('#hidden-items'), 'HeaterState, TurboPressure', 'hidden list');
  });

  await check('texts of both origins and the data files show', async () => {
    assertEqual(await text('#title [data-text]'), 'Demo function test', 'title text');
    const texts = await page.$$eval('#text-list dd', (dds) => dds.map((d) => d.textContent));
    assertIncludes(texts, 'Texts of origin Q are stored under the prefix C3P_.', 'origin Q');
    assertEqual(await text('#file-notice'), 'This notice is stored scrambled (every byte ' +
                'complemented) as notice.txtc.\n', 'notice.txtc unscrambled');
    assertEqual(await text('#file-workshop'), 'Demo Garage, Lyon', 'workshop.xml');
    assertEqual(await text('#file-limits'), 'BatteryVoltage between 11.8 and 14.8 V',
                'DEMO_limits.xml');
  });

  await check('the test sequence gives a verdict per step and overall', async () => {
    await page.click('#run-sequence');
    await page.click('#step-pump-heard button.yes');
    // OpenWindow takes two seconds: the step says what it waits for meanwhile.
    await waitText('#step-window-open .result', 'OpenWindow sent, waiting for its answer…');
    assertEqual(await text('#step-window-open .verdict'), '…', 'verdict while pending');
    await waitText('#overall', 'PASS: all 9 steps passed', SEQUENCE_MS);
    const results = await steps();
    const opened = /^status 0, WindowState Open after \d+\.\d s$/;
    if (!opened.test(results[5][0])) throw new Error(`window step: "${results[5][0]}"`);
    results[5][0] = 'opened';
    assertEqual(results, [
      ['VIN DEMOVIN0000000042, software DEMO-2.4.1', 'PASS'],
      ['12.60 V (limits 11.8 to 14.8 V)', 'PASS'],
      ['status 0, PumpState Running', 'PASS'],
      ['technician: yes', 'PASS'],
      ['status 0, DoorState Closed', 'PASS'],
      ['opened', 'PASS'],
      ['status 0, WindowState Closed', 'PASS'],
      ['status 0', 'PASS'],
      ['status 0, PumpState Off', 'PASS'],
    ], 'steps');
    await page.click('#run-sequence');
    await page.click('#step-pump-heard button.no');
    await waitText('#overall', 'FAIL: step 4 of 9 failed', SEQUENCE_MS);
    assertEqual((await steps()).map((s) => s[1]), ['PASS', 'PASS', 'PASS', 'FAIL', 'PASS', 'PASS',
                                                   'PASS', 'PASS', 'PASS'],
                'verdicts of the second run');
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

  await check('the raw-frame box says why it refuses an input', async () => {
    for (const [input, problem] of [
      ['', 'Enter a request frame in hexadecimal, e.g. 22F190.'],
      ['22F19', '5 digits: a frame is whole bytes, two digits each.'],
      ['22 F1 90', 'A blank at position 3 is not a hexadecimal digit (0-9, A-F); write the ' +
                   'bytes without separators.'],
      ['0x22F190', '"x" at position 2 is not a hexadecimal digit (0-9, A-F); write the bytes ' +
                   'without separators.'],
    ]) {
      await page.fill('#frame', input);
      await waitText('#frame-problem', problem);
      assertEqual(await page.locator('#frame-form button').isDisabled(), true, `Send for "${input}"`);
    }
  });

  await check('a raw frame shows its data bytes in hexadecimal and ASCII', async () => {
    await page.fill('#frame', '22f190');
    await page.click('#frame-form button');
    await waitText('#frame-response', '62F19044454D4F56494E30303030303030303432');
    assertEqual(await text('#frame-header'),
                '62 F1 90: positive response to 22 F1 90; 17 data bytes', 'header');
    const dump = await page.$$eval('#frame-dump tbody tr',
                                   (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
    assertEqual(dump, [['00', '44 45 4D 4F 56 49 4E 30', 'DEMOVIN0'],
                       ['08', '30 30 30 30 30 30 30 34', '00000004'],
                       ['10', '32', '2']], 'dump');
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

  await check('long values wrap inside their cards at 1024 and 1280 px', async () => {
    for (const width of [1024, 1280]) {
      await page.setViewportSize({ width, height: 800 });
      const overflowing = await page.$$eval('main > section, body', (elements) => elements
          .filter((e) => e.scrollWidth > e.clientWidth + 1)
          .map((e) => `${e.id || e.tagName} ${e.scrollWidth} > ${e.clientWidth}`));
      assertEqual(overflowing, [], `overflowing at ${width} px`);
    }
  });

  await check('no request failed, the page raised no error, the status words were seen', () => {
    assertEqual(report.consoleErrors, [], 'console errors');
    assertEqual(report.failedRequests, [], 'failed requests');
    assertEqual(report.statusWords.map((s) => s.word),
                ['TIMEOUT', 'VCI DISCONNECTED', 'INVALID QUERY', 'UNKNOWN'], 'status words');
    assertEqual(host.log().includes('event 669'), false, 'stop event before the end');
  });

  fs.mkdirSync(outDir, { recursive: true });
  await page.screenshot({ path: path.join(outDir, 'demo-screenshot.png'), fullPage: true });

  await check('the development-mode panel lists script errors and failed commands', async () => {
    await page.addScriptTag({ content: 'setTimeout(function () { noSuchFunction(); });' });
    const refused = await page.evaluate(() => window.ft.call('readSignal', { names: 'PumpState' })
        .then(() => 'answered', (e) => e.message));
    assertEqual(refused, 'readSignal names=PumpState: REFUSED (HTTP 404)', 'API error message');
    await page.waitForFunction(() => document.querySelectorAll('#ft-problems li').length >= 6);
    const entries = await session.overlay();
    assertIncludes(entries, 'script error: Uncaught ReferenceError: noSuchFunction is not defined',
                   'panel');
    assertIncludes(entries, 'failed command: readSignal names=PumpState: REFUSED (HTTP 404)',
                   'panel');
    assertIncludes(entries, 'failed command: sendQuery query=Bleed: TIMEOUT', 'panel');
    assertIncludes(entries, 'failed command: readSignal names=GearState types=State: UNKNOWN',
                   'panel');
    assertIncludes(report.failedRequests, '/readSignal?names=PumpState: HTTP 404', 'report');
    assertIncludes(report.consoleErrors, 'noSuchFunction is not defined', 'report');
  });

  await check('ending the scenario reaches the host and disables every control', async () => {
    await page.click('#end');
    await waitText('#end-status', 'scenario ended');
    const enabled = await page.$$eval('main button, main input, main textarea, footer button',
                                      (controls) => controls.filter((c) => !c.disabled).length);
    assertEqual(enabled, 0, 'controls still enabled');
    assertEqual(report.endRequests, 1, 'ENDFT requests');
    // One stop event for the refused command, one for the end.
    for (const end = Date.now() + STEP_TIMEOUT_MS;
         (host.log().match(/event 669\b/g) || []).length < 2; await sleep(100)) {
      if (Date.now() > end) throw new Error('the host log shows no second "event 669"');
    }
  });
}

const deadline = setTimeout(() => {
  console.log(`not ok - the test took longer than ${DEADLINE_MS / 1000} s`);
  if (session) session.kill();
  process.exit(1);
}, DEADLINE_MS);

let failure = null;
try {
  await run();
} catch (e) {
  failure = e;
  console.log(`not ok - ${e.message}`);
  if (session?.host) {
    const tail = (t) => t.split('\n').slice(-30).join('\n');
    console.log('--- ft-host log (last lines) ---\n' + tail(session.host.log()) +
                tail(session.host.stderr()));
  }
}
if (session) await session.close();
fs.rmSync(work, { recursive: true, force: true });
clearTimeout(deadline);
console.log(`browser_demo: ${passed} passed, ${failure ? 1 : 0} failed`);
process.exit(failure ? 1 : 0);
