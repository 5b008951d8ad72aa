// F2/F12 in Chromium: a page of another site posts to the control panel (no-cors text/plain,
// form text/plain, beacon, JSON with preflight) and we watch what the panel answered and kept.
import fs from 'node:fs'; import http from 'node:http'; import os from 'node:os'; import path from 'node:path';
import { spawn } from 'node:child_process'; import net from 'node:net';
import { chromium } from 'playwright-core';
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..', '..');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const freePort = () => new Promise((r) => { const s = net.createServer(); s.listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => r(p)); }); });
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-audit-f2-'));
fs.cpSync(path.join(root, 'examples/demo'), path.join(work, 'demo'), { recursive: true });
const port = await freePort(), cport = await freePort();
const host = spawn(path.join(root, 'build/bin/ft-host'), ['--data', path.join(work, 'demo/demo.xml'), '--port', String(port),
  '--control-port', String(cport), '--log-level', 'warning'], { stdio: ['ignore', fs.openSync(path.join(work, 'stdout'), 'w'), fs.openSync(path.join(work, 'stderr'), 'w')] });
process.on('exit', () => host.kill('SIGTERM'));
for (let i = 0; i < 200 && !fs.readFileSync(path.join(work, 'stdout'), 'utf8').includes('control panel'); i++) await sleep(50);
const panel = `http://127.0.0.1:${cport}`;
const attacks = `
 const P='${panel}'; const res = {};
 const go = async (k, u, o) => { try { const r = await fetch(P + u, o); res[k] = r.type + ' ' + r.status; } catch (e) { res[k] = 'error ' + e.message; } };
 await go('nocors-textplain', '/api/command/StartPump', {method:'POST', mode:'no-cors', headers:{'Content-Type':'text/plain'}, body:'{"mode":"refuse","status":-14}'});
 await go('nocors-nobody-ecu', '/api/ecu', {method:'POST', mode:'no-cors', body:'{"mode":"refuse","status":-14}'});
 await go('nocors-reload', '/api/reload', {method:'POST', mode:'no-cors'});
 await go('nocors-urlenc', '/api/state/PumpState', {method:'POST', mode:'no-cors', headers:{'Content-Type':'application/x-www-form-urlencoded'}, body:'{"value":1}'});
 await go('cors-json', '/api/command/SelfTest', {method:'POST', headers:{'Content-Type':'application/json'}, body:'{"value":3}'});
 await go('cors-read-ecu', '/api/ecu', {});
 await go('cors-read-log', '/api/log', {});
 await go('cors-changes', '/api/changes', {});
 navigator.sendBeacon(P + '/api/command/StopPump', new Blob(['{"value":9}'], {type:'text/plain'}));
 navigator.sendBeacon(P + '/api/command/CloseDoor', new Blob(['{"value":9}'], {type:'application/json'}));
 return res;`;
const foreign = http.createServer((req, res) => { res.writeHead(200, { 'Content-Type': 'text/html' });
  res.end(`<!doctype html><form id=f method=POST enctype=text/plain action="${panel}/api/command/Bleed"><input name='{"value":5,"x":"' value='"}'></form>`); });
await new Promise((r) => foreign.listen(0, '127.0.0.1', r));
const ctx = await chromium.launchPersistentContext(path.join(work, 'profile'), { executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'] });
const pg = await ctx.newPage();
const seen = []; pg.on('response', (r) => { if (r.url().startsWith(panel)) seen.push(`${r.request().method()} ${r.url().slice(panel.length)} ${r.status()}`); });
const view = async () => { const v = await (await fetch(`${panel}/api/ecu`)).json();
  return JSON.stringify({ a: v.answer, c: v.commands.filter((c) => c.changed || c.answer?.mode !== 'normal').map((c) => c.name), i: v.items.filter((i) => i.changed).map((i) => i.name), reloads: v.reloads }); };
const before = await view();
for (const origin of [`http://localhost:${foreign.address().port}/`, `http://127.0.0.1:${foreign.address().port}/`]) {
  await pg.goto(origin);
  console.log(origin, JSON.stringify(await pg.evaluate(new Function(`return (async () => {${attacks}})()`))));
  await pg.evaluate(() => document.getElementById('f').submit()); await sleep(1500);
  console.log('  panel answers seen:', seen.splice(0).join('; '));
  console.log('  panel state changed:', (await view()) !== before, await view());
}
// Honest use, as the README shows it.
const r = await fetch(`${panel}/api/command/StartPump`, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: '{"mode":"refuse","status":-14}' });
console.log('honest JSON POST:', r.status, (await view()));
await ctx.close(); foreign.close();
