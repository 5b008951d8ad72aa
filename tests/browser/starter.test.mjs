// The starter kit as an author uses it: `./ft new` makes a scenario, `./ft check` runs it in
// headless Chromium against its own ft-host, and both commands refuse what they cannot do.
//
//   node starter.test.mjs [--host build/bin/ft-host] [--out build]
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ensureChromium, loadPlaywright, root } from './check.mjs';

const RUN_MS = 60_000;

function option(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 && process.argv[i + 1] ? path.resolve(process.argv[i + 1]) : fallback;
}
const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const outDir = option('--out', path.join(root, 'build'));

ensureChromium('browser_starter');
await loadPlaywright();

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-starter-'));
let passed = 0;
let failed = 0;

function ft(...args) {
  const r = spawnSync('bash', [path.join(root, 'ft'), ...args],
                      { cwd: work, encoding: 'utf8', timeout: RUN_MS });
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

const page = '/FT?gui=lamp&mw=lamp&flow=lamp';
const data = path.join('scenarios', 'lamp', 'lamp.xml');

const made = ft('new', 'scenarios/lamp');
check('ft new creates the scenario', made.status === 0 && fs.existsSync(path.join(work, data)) &&
      fs.existsSync(path.join(work, 'scenarios/lamp/gui/Scripts/init.js')), made.out);

for (const [args, expected] of [
  [['new', 'scenarios/lamp'], 'already exists'],
  [['new', '2lamp'], 'must start with a letter'],
  [['new', 'lamp test'], 'must start with a letter'],
  [['new', '-rf'], 'looks like an option'],
  [['check'], 'no URL'],
  [['check', page, '--viewport', 'large'], 'is not WIDTHxHEIGHT'],
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

const run = ft('check', page, '--data', data, '--host', hostBinary, '--click', '#run',
               '--text', '#verdict', '--click', '#end', '--expect-end', '--json',
               '--screenshot', path.join(outDir, 'starter-screenshot.png'));
let report = null;
try {
  report = JSON.parse(run.out.split('\n').find((line) => line.startsWith('{')));
} catch {
  // Reported below with the whole output.
}
check('ft check runs the new scenario cleanly to its end', run.status === 0 && report &&
      JSON.stringify([report.consoleErrors, report.failedRequests, report.statusWords,
                      report.overlay, report.texts, report.endRequests, report.hostStopEvents]) ===
      JSON.stringify([[], [], [], [], { '#verdict': 'PASS' }, 1, 1]), run.out);

// A broken page: its script is gone, so the panel says why nothing happens and check fails.
fs.rmSync(path.join(work, 'scenarios/lamp/gui/Scenario/gui/scripts/lamp.js'));
const broken = ft('check', page, '--data', data, '--host', hostBinary, '--json',
                  '--screenshot', path.join(work, 'broken.png'));
const brokenReport = JSON.parse(broken.out.split('\n').find((l) => l.startsWith('{')) || '{}');
check('ft check fails a page whose script does not load', broken.status === 1 &&
      (brokenReport.failedRequests || []).some((r) => r.includes('/lamp.js: HTTP 404')) &&
      (brokenReport.overlay || []).some((e) => e.includes('defines no scenarioMain')), broken.out);

fs.rmSync(work, { recursive: true, force: true });
console.log(`browser_starter: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
