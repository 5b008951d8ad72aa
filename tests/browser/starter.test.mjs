// The starter kit as an author uses it: `./ft new` makes a scenario with its checks, `./ft
// suite` runs them and fails on a wrong verdict or a host warning, `./ft check` looks at the
// page once, and all three refuse what they cannot do.
//
//   node starter.test.mjs [--host build/bin/ft-host] [--out build]
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ensureChromium, root } from './check.mjs';
import { freePort, pathOption as option } from './host.mjs';

const RUN_MS = 120_000;

const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const outDir = option('--out', path.join(root, 'build'));

ensureChromium('browser_starter');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-starter-'));
const reportDir = path.join(work, 'ft-report');
let passed = 0;
let failed = 0;

function ft(...args) {
  const r = spawnSync('bash', [path.join(root, 'ft'), ...args], {
    cwd: work, encoding: 'utf8', timeout: RUN_MS,
    env: { ...process.env, FT_HOST: hostBinary, FT_REPORT_DIR: reportDir },
  });
  return { status: r.status, out: r.stdout + r.stderr };
}

function check(name, condition, detail) {
  if (condition) {
    passed++;
    console.log(`ok - ${name}`);
  } else {
    failed++;
    console.log(`not ok - ${name}\n${detail}`);
  }
}

const junit = () => (fs.existsSync(path.join(reportDir, 'junit.xml'))
  ? fs.readFileSync(path.join(reportDir, 'junit.xml'), 'utf8') : '');
const page = '/FT?gui=lamp&mw=lamp&flow=lamp';
const dir = path.join('scenarios', 'lamp');
const data = path.join(dir, 'lamp.xml');
const script = path.join(work, dir, 'gui/Scenario/gui/scripts/lamp.js');
const original = () => fs.readFileSync(script, 'utf8');

const made = ft('new', dir);
check('ft new creates the scenario and its checks', made.status === 0 &&
      fs.existsSync(path.join(work, data)) && fs.existsSync(path.join(work, dir, 'lamp.check.mjs')) &&
      fs.existsSync(path.join(work, dir, 'gui/Scripts/init.js')), made.out);

for (const [args, expected] of [
  [['new', dir], 'already exists'],
  [['new', '2lamp'], 'must start with a letter'],
  [['new', 'lamp test'], 'must start with a letter'],
  [['new', '-rf'], 'looks like an option'],
  [['check'], 'no URL'],
  [['check', page, '--viewport', 'large'], 'is not WIDTHxHEIGHT'],
  [['check', page, '--expect', '#verdict'], 'write SELECTOR=TEXT'],
  [['check', page, '--expect', '#verdict=/(/'], 'Invalid regular expression'],
  [['check', page, '--port', '0'], '--port needs a port number'],
  [['check', page, '--control-port', '5'], '--control-port needs --data'],
  [['suite', 'no-such-folder'], 'no-such-folder does not exist'],
  [['suite', dir, '--workers', '0'], '--workers needs a positive number'],
]) {
  const r = ft(...args);
  check(`ft ${args.join(' ')} is refused`, r.status === 2 && r.out.includes(expected),
        `status ${r.status}: ${r.out}`);
}

// The data file's name is too long for the file system once the folder is made.
const long = ft('new', 'long/' + 'a'.repeat(252));
check('a failed ft new leaves no folder', long.status !== 0 &&
      long.out.includes('nothing of it is left') && !fs.existsSync(path.join(work, 'long')),
      long.out);
const help = ft('new', '--help');
check('ft new --help explains itself', help.status === 0 && help.out.startsWith('usage: ./ft new'),
      help.out);

// Every command it prints can be pasted, whatever the folder's name holds.
const odd = 'odd dir;$(touch pasted)';
const oddMade = ft('new', `${odd}/lamp`);
const printed = oddMade.out.split('\n').filter((l) => / (run|check) /.test(l));
const words = printed.map((l) => spawnSync('bash', ['-c', 'printf "%s\\n" ' + l.trim()],
                                            { cwd: work, encoding: 'utf8' }).stdout.split('\n'));
check('ft new quotes the commands it prints', oddMade.status === 0 && printed.length === 2 &&
      words.every((w) => w.includes(`${odd}/lamp/lamp.xml`)) &&
      !fs.existsSync(path.join(work, 'pasted')), oddMade.out + JSON.stringify(words));

const suite = ft('suite', dir);
check('ft suite passes the new scenario and leaves both reports', suite.status === 0 &&
      fs.existsSync(path.join(reportDir, 'index.html')) &&
      /<testsuites [^>]*tests="2" [^>]*failures="0"/.test(junit()), suite.out);

const run = ft('check', page, '--data', data, '--click', '#run', '--expect', '#verdict=PASS',
               '--expect', '#result=/^status 0, lamp On$/', '--click', '#end', '--expect-end',
               '--fail-on-warning', '--json', '--screenshot', path.join(outDir, 'starter-screenshot.png'));
let report = null;
try {
  report = JSON.parse(run.out.split('\n').find((line) => line.startsWith('{')));
} catch {
  // Reported below with the whole output.
}
check('ft check runs the new scenario cleanly to its end, with progress', run.status === 0 && report &&
      JSON.stringify([report.consoleErrors, report.failedRequests, report.statusWords, report.hostWarnings,
                      report.overlay, report.expectations.map((e) => e.met), report.endRequests,
                      report.hostStopEvents]) ===
      JSON.stringify([[], [], [], [], [], [true, true], 1, 1]) &&
      /started ft-host on port \d+/.test(run.out) && run.out.includes('click #run'), run.out);

// The page's own verdict is FAIL: both commands say so and name what was expected.
const passing = original();
fs.writeFileSync(script, passing.replace("lamp.value === '1'", "lamp.value === '2'"));
const failingSuite = ft('suite', dir);
check('ft suite fails a page whose verdict is FAIL and names the expectation',
      failingSuite.status === 1 && /failures="1"/.test(junit()) &&
      junit().includes("toHaveText") && junit().includes('#verdict'), failingSuite.out);
const failingCheck = ft('check', page, '--data', data, '--click', '#run', '--expect', '#verdict=PASS');
check('ft check --expect fails a page whose verdict is FAIL', failingCheck.status === 1 &&
      failingCheck.out.includes('ft check: FAIL: #verdict shows "FAIL", expected PASS'), failingCheck.out);

// A misspelt command: the ECU does not know it, the server warns, the suite fails on it.
fs.writeFileSync(script, passing.replace("runCommand('SwitchLampOn')", "runCommand('SwitchLampOnn')"));
const misspelt = ft('suite', dir, '-g', 'passes');
check('ft suite fails a page that runs a misspelt command (a host warning)',
      misspelt.status === 1 && /unexpected problem[^]*\[warning\]/.test(junit()), misspelt.out);
const warned = ft('check', page, '--data', data, '--click', '#run', '--fail-on-warning');
check('ft check --fail-on-warning fails it too', warned.status === 1 &&
      /host warnings and errors:\n {4}\S+ \S+ \[warning\]/.test(warned.out), warned.out);

// A broken page: its script is gone, so the panel says why nothing happens and check fails.
fs.rmSync(script);
const broken = ft('check', page, '--data', data, '--json', '--screenshot', path.join(work, 'broken.png'));
const brokenReport = JSON.parse(broken.out.split('\n').find((l) => l.startsWith('{')) || '{}');
check('ft check fails a page whose script does not load', broken.status === 1 &&
      (brokenReport.failedRequests || []).some((r) => r.includes('/lamp.js: HTTP 404')) &&
      (brokenReport.overlay || []).some((e) => e.includes('defines no scenarioMain')), broken.out);

const idle = await freePort();
const unreachable = ft('check', `http://127.0.0.1:${idle}/`);
check('ft check exits 2 when nothing answers', unreachable.status === 2 &&
      unreachable.out.includes(`nothing answers at http://127.0.0.1:${idle}/`), unreachable.out);

fs.rmSync(work, { recursive: true, force: true });
console.log(`browser_starter: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
