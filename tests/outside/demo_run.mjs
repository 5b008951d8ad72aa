// Honest use: the demo scenario run to its verdict in Chromium, from ft-host's own origin.
import fs from 'node:fs'; import os from 'node:os'; import path from 'node:path'; import { spawn } from 'node:child_process'; import net from 'node:net';
import { chromium } from 'playwright-core';
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..', '..');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const freePort = () => new Promise((r) => { const s = net.createServer(); s.listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => r(p)); }); });
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-audit-demo-'));
fs.cpSync(path.join(root, 'examples/demo'), path.join(work, 'demo'), { recursive: true });
const port = await freePort();
const host = spawn(path.join(root, 'build/bin/ft-host'), ['--data', path.join(work, 'demo/demo.xml'), '--port', String(port), '--control-port', '0', '--log-level', 'warning'],
  { stdio: ['ignore', fs.openSync(path.join(work, 'stdout'), 'w'), fs.openSync(path.join(work, 'stderr'), 'w')] });
process.on('exit', () => host.kill('SIGTERM'));
for (let i = 0; i < 200 && !fs.readFileSync(path.join(work, 'stdout'), 'utf8').includes('control panel'); i++) await sleep(50);
const ctx = await chromium.launchPersistentContext(path.join(work, 'profile'), { executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] });
const pg = await ctx.newPage(); const errors = []; pg.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
await pg.goto(`http://127.0.0.1:${port}/FT?gui=demo&mw=demo&flow=demo`);
await pg.click('#run-sequence'); await pg.click('#step-pump-heard button.yes'); const t0 = Date.now();
let v = ''; while (Date.now() - t0 < 60000) { v = (await pg.textContent('#overall')) || ''; if (/PASS|FAIL/.test(v)) break; await sleep(500); }
console.log(`verdict '${v.trim()}' after ${((Date.now() - t0) / 1000).toFixed(1)} s; console errors ${errors.length}`);
await pg.screenshot({ path: path.join(root, 'audit', 'demo.png'), fullPage: true });
await ctx.close(); host.kill('SIGTERM');
const warn = fs.readFileSync(path.join(work, 'stderr'), 'utf8').split('\n').filter((l) => l.includes('[warning]')); console.log('host warnings', warn.length, warn.slice(0, 3).map((l) => l.slice(24, 200)));
