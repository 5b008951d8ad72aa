// A session recorded in the control panel and saved as a check, as an author does it: Record
// opens the demo, the walk-through runs with a change made in the panel meanwhile, Save as check
// writes the file beside the data file; `./ft suite` then passes on it, and fails once the data
// file answers one command otherwise.
//
//   node record.test.mjs [--host build/bin/ft-host] [--demo examples/demo]
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { CHROMIUM, CHROMIUM_ARGS, ensureChromium, loadPlaywright, root } from './check.mjs';
import { pathOption as option, startHost } from './host.mjs';

// The walk-through waits for a two-second command and a window that opens.
const SEQUENCE_MS = 30_000;
const SUITE_MS = 150_000;

const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const demo = option('--demo', path.join(root, 'examples', 'demo'));

ensureChromium('browser_record');
const { chromium } = await loadPlaywright();

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-record-'));
let passed = 0;

function check(name, condition, detail) {
  if (!condition) throw new Error(`${name}: ${detail}`);
  passed++;
  console.log(`ok ${passed} - ${name}`);
}

function suite(file) {
  const r = spawnSync('bash', [path.join(root, 'ft'), 'suite', file], {
    cwd: work, encoding: 'utf8', timeout: SUITE_MS,
    env: { ...process.env, FT_HOST: hostBinary, FT_REPORT_DIR: path.join(work, 'ft-report') },
  });
  return { status: r.status, out: r.stdout + r.stderr };
}

let host = null;
let browser = null;
async function record() {
  const recorded = path.join(work, 'recorded');
  fs.cpSync(demo, recorded, { recursive: true, filter: (p) => !p.endsWith('.check.mjs') });
  host = await startHost({ binary: hostBinary, data: path.join(recorded, 'demo.xml'), work });
  browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGS });
  const context = await browser.newContext();
  context.setDefaultTimeout(10_000);
  const panel = await context.newPage();
  await panel.goto(host.panel.base + '/');
  await panel.waitForFunction(() => /\/FT\?gui=demo/.test(document.querySelector('#recordPage').value));

  const [page] = await Promise.all([context.waitForEvent('page'), panel.click('#recordButton')]);
  await page.locator('body.ready').waitFor();
  // Changes between two of the page's requests: step 2 fails on the battery's limits, step 3
  // on the refusal, which the host warns about.
  await host.panel.post('/api/parameter/BatteryVoltage', { value: 10.5 });
  const startPump = panel.locator('#commands tr', { hasText: 'StartPump' });
  await startPump.locator('select').selectOption('refuse');
  await startPump.locator('.note.ok').waitFor();
  await page.click('#run-sequence');
  await page.click('#step-pump-heard button.yes');
  await page.locator('#overall', { hasText: 'FAIL: step 2, 3 of 9 failed' })
    .waitFor({ timeout: SEQUENCE_MS });

  await panel.fill('#recordSelectors', '#overall\n#steps .verdict\n#no-such-thing');
  await panel.fill('#recordName', 'walk');
  await panel.click('#recordSave');
  await panel.locator('#recordMessage', { hasText: 'saved' }).waitFor();
  const said = await panel.locator('#recordMessage').textContent();
  const file = path.join(recorded, 'walk.check.mjs');
  check('Save as check writes NAME.check.mjs beside the data file', fs.existsSync(file) &&
        said.includes(file) && said.includes('not expected: #no-such-thing'), said);
  const text = fs.readFileSync(file, 'utf8');
  const polls = '(\\s*await ft\\.waitForRequests\\(.*\\);\\n)*';
  check('the file replays the change and the clicks through the fixture, then expects', [
    // A poll of the page may come between two changes, and is waited for then.
    new RegExp('await ft\\.ecu\\.set\\("BatteryVoltage", 10\\.5\\);\\n' + polls +
               '\\s*await ft\\.ecu\\.refuse\\("StartPump", -992\\);\\n' + polls +
               '\\s*await ft\\.ecu\\.delay\\("StartPump", 0\\);'),
    /ft\.allow\(\/.*error status was returned from Diag Services: -\d+/,
    new RegExp('await page\\.click\\("#run-sequence"\\);\\n' + polls +
               '\\s*await page\\.click\\("#step-pump-heard button\\.yes"\\);'),
    /toHaveText\("FAIL: step 2, 3 of 9 failed", \{ timeout: WAIT_MS \}\)/,
    /"\/sendQuery\?query=CloseDoor": "0",/,
  ].every((re) => re.test(text)), text);

  await panel.click('#recordSave');
  await panel.locator('#recordMessage', { hasText: 'exists' }).waitFor();
  check('a second save under the name is refused', true, '');
  await browser.close();
  browser = null;
  await host.stop();
  host = null;
  return { recorded, file, text };
}

async function run() {
  const { recorded, file } = await record();

  const replay = suite(file);
  check('./ft suite passes on the recorded check', replay.status === 0, replay.out);

  // The same check beside a data file whose VIN (one command's answer) differs.
  const changed = path.join(work, 'changed');
  fs.cpSync(recorded, changed, { recursive: true });
  const data = path.join(changed, 'demo.xml');
  const xml = fs.readFileSync(data, 'utf8');
  fs.writeFileSync(data, xml.replace('value="DEMOVIN0000000042"', 'value="DEMOVIN0000000043"'));
  const broken = suite(path.join(changed, 'walk.check.mjs'));
  check('it fails once the data file answers a command otherwise', broken.status !== 0 &&
        broken.out.includes('DEMOVIN0000000043') && broken.out.includes('answers that differ'),
        broken.out);
}

try {
  await run();
  console.log(`${passed} passed, 0 failed`);
  fs.rmSync(work, { recursive: true, force: true });
} catch (e) {
  console.log(`not ok - ${e.message}\n(work files kept in ${work})`);
  console.log(`${passed} passed, 1 failed`);
  process.exitCode = 1;
} finally {
  if (browser) await browser.close();
  if (host) await host.stop();
}
