// The author's view of mistakes and changes, in the real browser: the demo page's problem panel
// lists a misspelt name with the host's suggestion, and ft-host's control panel shows the
// host's warnings, a TIMEOUT answer in its request log, marks a value set by hand and resets it
// alone, changes a raw frame's response, and drops a refused reload's error once a good one
// follows.
//
//   node panel_view.test.mjs [--host build/bin/ft-host] [--demo examples/demo] [--out build]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ensureChromium, loadPlaywright, openScenario, root } from './check.mjs';
import { pathOption as option, sleep } from './host.mjs';

const DEADLINE_MS = 90_000;
const STEP_TIMEOUT_MS = 8_000;

const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const demoDir = option('--demo', path.join(root, 'examples', 'demo'));

ensureChromium('browser_panel_view');
const { chromium } = await loadPlaywright();

let passed = 0;
let session = null;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-panel-'));

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

// Until the element's text holds `expected` (a string or a RegExp).
async function waitFor(page, selector, expected, timeout = undefined) {
  try {
    await page.waitForFunction(([s, e, isRegExp]) => {
      const text = Array.from(document.querySelectorAll(s)).map((n) => n.textContent).join('\n');
      return isRegExp ? new RegExp(e).test(text) : text.includes(e);
    }, [selector, expected instanceof RegExp ? expected.source : expected, expected instanceof RegExp],
    { timeout });
  } catch {
    const got = await page.$$eval(selector, (ns) => ns.map((n) => n.textContent).join('\n'))
        .catch(() => null);
    throw new Error(`${selector}: expected ${expected}, got ${JSON.stringify(got)}`);
  }
}

async function run() {
  const demoCopy = path.join(work, 'demo');
  fs.cpSync(demoDir, demoCopy, { recursive: true });
  const dataFile = path.join(demoCopy, 'demo.xml');
  session = await openScenario(chromium, {
    url: '/FT?gui=demo&mw=demo&flow=demo', data: dataFile, hostBinary, stepTimeoutMs: STEP_TIMEOUT_MS,
  });
  const { page: gui, host } = session;
  await gui.waitForFunction(() => document.body.classList.contains('ready'));
  const panelUrl = `http://127.0.0.1:${host.controlPort}/`;
  const panel = await gui.context().newPage();
  panel.setDefaultTimeout(STEP_TIMEOUT_MS);
  await panel.goto(panelUrl);
  const warning = 'readSignal: ECU DEMO has no State PumpStat; did you mean PumpState?';

  await check('a misspelt name shows in the page\'s problem panel with the suggestion', async () => {
    const word = await gui.evaluate(() => window.ft.readSignals([{ name: 'PumpStat', type: 'State' }])
        .then(() => 'answered', (e) => e.word));
    assertEqual(word, 'UNKNOWN', 'the page\'s answer');
    await waitFor(gui, '#ft-problems li', 'host warning: ' + warning);
  });

  await check('the control panel lists the host\'s warnings at its top', async () => {
    await waitFor(panel, '#problemList li', warning);
    await waitFor(panel, '#problemCount', /\d+ warnings? (and|or) errors? of the host/);
  });

  await check('the request log shows a TIMEOUT answer, highlighted, and filters', async () => {
    const word = await gui.evaluate(() => window.ft.runCommand('Bleed').then(String, (e) => e.word));
    assertEqual(word, 'TIMEOUT', 'the page\'s answer');
    await waitFor(panel, '#log .word', 'Bleed: status -992 TIMEOUT');
    await panel.fill('#logFilter', 'query=Bleed');
    const shown = await panel.$$eval('#log div', (lines) =>
        lines.filter((l) => !l.hidden).map((l) => l.textContent));
    if (shown.length === 0 || !shown.every((l) => l.includes('/sendQuery?query=Bleed'))) {
      throw new Error('filtered log: ' + JSON.stringify(shown));
    }
    await panel.fill('#logFilter', '');
  });

  const pumpRow = '#items tr[data-key="State/PumpState"]';
  const frame = '#rawFrames tr[data-key="22F190"] input.response';
  await check('a value set through the panel is confirmed, marked, and reset alone', async () => {
    await panel.fill(`${pumpRow} td:nth-child(3) input`, '1');
    await panel.press(`${pumpRow} td:nth-child(3) input`, 'Enter');
    await waitFor(panel, `${pumpRow} .note.ok`, 'set');
    await panel.waitForSelector(`${pumpRow}.changed .changedMark:not([hidden])`);
    // Another change stays while this one is reset.
    await panel.fill(frame, '7f2231');
    await panel.press(frame, 'Enter');
    await waitFor(panel, '#rawFrames .note.ok', 'set');
    await panel.click(`${pumpRow} .changedMark button`);
    await waitFor(panel, `${pumpRow} .note.ok`, 'back to the file\'s');
    await panel.waitForSelector(`${pumpRow}:not(.changed)`);
    assertEqual(await panel.inputValue(`${pumpRow} td:nth-child(3) input`), '0', 'value after reset');
    await panel.waitForSelector('#rawFrames tr[data-key="22F190"].changed');
  });

  await check('a raw frame\'s changed response reaches the page; a bad one is refused in place',
              async () => {
    const answer = await gui.evaluate(() => window.ft.sendRawFrame('22F190'));
    assertEqual(answer, '7F2231', 'the page\'s answer');
    await panel.fill(frame, '7F223');
    await panel.press(frame, 'Enter');
    await waitFor(panel, '#rawFrames .note.error', 'not valid: 7F223');
  });

  await check('a refused reload shows its error until a good one replaces it', async () => {
    const good = fs.readFileSync(dataFile, 'utf8');
    fs.writeFileSync(dataFile, good.replace('<texts>', '<texts><oops/>'));
    await waitFor(panel, '#reloadState.error', 'reload refused at');
    await waitFor(panel, '#problemList li.error', 'reload refused');
    // Another mtime second, so that the watcher sees the change even on a coarse clock.
    await sleep(1100);
    fs.writeFileSync(dataFile, good);
    await waitFor(panel, '#reloadState', 'file loaded again at');
    const state = await panel.$eval('#reloadState', (e) => [e.className, e.textContent]);
    if (state[0] === 'error' || state[1].includes('refused')) throw new Error('stale: ' + state);
    // One more than now, however many the watcher counted; a sanitizer build reloads slowly.
    const reloads = Number(/\((\d+) reloads?\)/.exec(state[1])?.[1] ?? 0);
    await panel.click('#reload');
    await waitFor(panel, '#reloadState', new RegExp(`file loaded again at .* \\(${reloads + 1} reloads\\)`),
                  30_000);
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
  if (session?.host) console.log('--- ft-host ---\n' + session.host.output().split('\n').slice(-30).join('\n'));
}
if (session) await session.close();
fs.rmSync(work, { recursive: true, force: true });
clearTimeout(deadline);
console.log(`browser_panel_view: ${passed} passed, ${failure ? 1 : 0} failed`);
process.exit(failure ? 1 : 0);
