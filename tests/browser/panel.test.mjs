// The control panel as a browser reaches it: its own page changes the ECU, while a page of
// another site can neither change it (no-cors POSTs, a beacon) nor read it through a name
// that resolves to this machine.
//
//   node panel.test.mjs [--host build/bin/ft-host] [--out build]
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { CHROMIUM, CHROMIUM_ARGS, ensureChromium, loadPlaywright, root } from './check.mjs';
import { pathOption as option, sleep, startHost } from './host.mjs';

const DEADLINE_MS = 60_000;

const hostBinary = option('--host', path.join(root, 'build', 'bin', 'ft-host'));

ensureChromium('browser_panel');
const { chromium } = await loadPlaywright();

const DATA = `<host ecu="DEMO"><ecu name="DEMO">
  <state name="Pump" value="0"/>
</ecu></host>`;

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-panel-'));
let host = null;
let context = null;
let foreign = null;
let passed = 0;

function check(name, condition, detail) {
  if (!condition) throw new Error(`${name}: ${detail}`);
  passed++;
  console.log(`ok ${passed} - ${name}`);
}

async function controlPort() {
  for (const end = Date.now() + 10_000; Date.now() < end; await sleep(50)) {
    const m = /control panel on http:\/\/127\.0\.0\.1:(\d+)\//.exec(host.output());
    if (m) return Number(m[1]);
  }
  throw new Error('no control panel line:\n' + host.output());
}

async function run() {
  fs.writeFileSync(path.join(work, 'host.xml'), DATA);
  host = await startHost({ binary: hostBinary, data: path.join(work, 'host.xml'), work });
  const panel = `http://127.0.0.1:${await controlPort()}/`;
  const api = async (method, target, body) => {
    const r = await fetch(panel + target, {
      method, headers: body === undefined ? {} : { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    return { status: r.status, json: await r.json() };
  };
  const pump = async () => (await api('GET', 'api/ecu')).json.items.find((i) => i.name === 'Pump');

  // evil.example resolves to this machine, as a rebound name would.
  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: CHROMIUM, headless: true,
    args: [...CHROMIUM_ARGS, '--host-resolver-rules=MAP evil.example 127.0.0.1'],
  });
  const page = context.pages()[0] || await context.newPage();
  page.setDefaultTimeout(10_000);

  await page.goto(panel);
  await page.waitForFunction(() => document.querySelector('#ecu').textContent === 'DEMO');
  const own = await page.evaluate(async () => {
    const r = await fetch('/api/state/Pump', { method: 'POST',
      headers: { 'Content-Type': 'application/json' }, body: '{"value": 1}' });
    return r.status;
  });
  check('the panel\'s own page changes a value', own === 200 && (await pump()).value === 1,
        `status ${own}, ${JSON.stringify(await pump())}`);
  await page.click('#reset');
  await page.waitForFunction(() => /back to the file/.test(document.querySelector('#message').textContent));
  check('its reset button works', (await pump()).value === 0, JSON.stringify(await pump()));
  await api('POST', 'api/state/Pump', { value: 1 });

  // Another site's page: every request it can make without the panel's consent.
  let sent = 0;
  foreign = http.createServer((request, response) => {
    if (request.url === '/sent') {
      sent++;
      response.end();
      return;
    }
    response.setHeader('Content-Type', 'text/html');
    response.end(`<!doctype html><title>other site</title><script>
      const panel = ${JSON.stringify(panel)};
      const change = JSON.stringify({ mode: 'refuse', status: -14 });
      Promise.allSettled([
        fetch(panel + 'api/ecu', { method: 'POST', mode: 'no-cors',
                                   headers: { 'Content-Type': 'text/plain' }, body: change }),
        fetch(panel + 'api/reset', { method: 'POST', mode: 'no-cors' }),
        fetch(panel + 'api/state/Pump', { method: 'POST', mode: 'no-cors', body: '{"value": 5}' }),
      ]).then(() => {
        navigator.sendBeacon(panel + 'api/ecu', change);
        return fetch('/sent');
      });
    </script>`);
  });
  await new Promise((resolve) => foreign.listen(0, '127.0.0.1', resolve));
  await page.goto(`http://evil.example:${foreign.address().port}/`);
  for (const end = Date.now() + 10_000; sent === 0 && Date.now() < end;) await sleep(50);
  await sleep(300);  // the beacon goes on its own
  const view = (await api('GET', 'api/ecu')).json;
  check('another site\'s page changes nothing',
        sent === 1 && view.answer.mode === 'normal' && (await pump()).value === 1,
        `sent ${sent}, answer ${JSON.stringify(view.answer)}, ${JSON.stringify(await pump())}`);

  const rebound = await page.goto(panel.replace('127.0.0.1', 'evil.example') + 'api/log');
  const text = await rebound.text();
  check('a rebound name reads nothing', rebound.status() === 403 && text.startsWith('{"error":'),
        `${rebound.status()}: ${text}`);
}

const timer = setTimeout(() => {
  console.log('not ok - the panel test ran over ' + DEADLINE_MS / 1000 + ' s');
  if (host) host.kill();
  process.exit(1);
}, DEADLINE_MS);
let status = 0;
try {
  await run();
} catch (e) {
  console.log('not ok - ' + e.message);
  if (host) console.log(host.output());
  status = 1;
} finally {
  if (context) await context.close().catch(() => {});
  if (foreign) foreign.close();
  if (host) await host.stop();
  fs.rmSync(work, { recursive: true, force: true });
  clearTimeout(timer);
}
process.exit(status);
