// A page of another site, open in the workstation's browser, tries to change files and end the
// scenario through ft-host with image tags, as an attacker's page would; the same requests
// from ft-host's own page go through. Real Chromium decides which headers it sends.
//
//   node foreign_site.test.mjs [--host build/bin/ft-host] [--demo examples/demo]
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { ensureChromium, loadPlaywright, root } from './check.mjs';
import { pathOption as option, sleep, startHost } from './host.mjs';

const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));
const demoDir = option('--demo', path.join(root, 'examples', 'demo'));

ensureChromium('browser_foreign_site');
const { chromium } = await loadPlaywright();

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-foreign-'));
fs.cpSync(demoDir, path.join(work, 'demo'), { recursive: true });
const atws = path.join(work, 'demo', 'gui', 'ApplicationData', 'ATWS');
const host = await startHost({ binary: hostBinary, data: path.join(work, 'demo', 'demo.xml'), work });
// The request line alone fills the server's first receive.
const pad = 'a'.repeat(65416);
const ftOrigin = `http://127.0.0.1:${host.port}`;
const victim = (name) => `${ftOrigin}/deleteFile?name=${name}&pad=${pad}`;
const images = (urls) => urls.map((u) => `<img src="${u}">`).join('\n');

// The other site: another name and port of this machine.
const foreign = http.createServer((req, res) => {
  res.writeHead(200, { 'Content-Type': 'text/html' });
  res.end(`<!doctype html><body>${images([victim('long.txt'), `${ftOrigin}/deleteFile?name=short.txt`,
                                           `${ftOrigin}/ENDFT`, `${ftOrigin}/readFile?name=`])}`);
});
await new Promise((resolve) => foreign.listen(0, '127.0.0.1', resolve));
const foreignUrl = `http://localhost:${foreign.address().port}/`;

let failed = 0;
function check(name, condition, detail = '') {
  console.log(`${condition ? 'ok' : 'not ok'} - ${name}${condition ? '' : `\n${detail}`}`);
  if (!condition) failed++;
}
// The host's warnings, long request lines cut, for a failure's detail.
const warnings = () => host.log().split('\n').filter((l) => l.includes('[warning]'))
  .map((l) => l.slice(0, 300)).join('\n');
const events = () => (host.log().match(/received event 669/g) || []).length;

const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
});
try {
  for (const name of ['long.txt', 'short.txt', 'own.txt']) fs.writeFileSync(path.join(atws, name), 'x');
  const page = await context.newPage();
  await page.goto(foreignUrl);
  await page.waitForLoadState('load');
  await sleep(500);
  check('a foreign page cannot delete with a long request line',
        fs.existsSync(path.join(atws, 'long.txt')), warnings());
  check('a foreign page cannot delete with a short one', fs.existsSync(path.join(atws, 'short.txt')));
  check('a foreign page ends no scenario, by ENDFT or a failing command', events() === 0, warnings());

  // The same requests from ft-host's own origin go through: the test can see a deletion.
  await page.goto(`${ftOrigin}/Scripts/init.js`);
  await page.evaluate((src) => new Promise((resolve) => {
    const img = new Image();
    img.onload = img.onerror = resolve;
    img.src = src;
  }), victim('own.txt'));
  check('ft-host\'s own page deletes with the same long request line',
        !fs.existsSync(path.join(atws, 'own.txt')), warnings());
} finally {
  await context.close();
  foreign.close();
  await host.stop();
}
console.log(failed === 0 ? 'all passed' : `${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
