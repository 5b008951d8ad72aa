// Opens a scenario page in headless Chromium and reports what an author has to know: console
// errors, failed or refused requests, status words, the end of the scenario, a screenshot.
// Clicks only what it is told to.
//
//   node check.mjs URL [--data FILE] [--host FT_HOST] [--click SELECTOR]... [--wait SELECTOR]
//                      [--text SELECTOR]... [--screenshot FILE] [--viewport WxH] [--timeout S]
//                      [--expect-end] [--json]
//
// With --data, ft-host serves FILE on a free port and a URL's origin is replaced by it (a URL
// may then be just "/FT?gui=...").  Exit 0 when the page loaded without console errors and
// failed requests (and, with --expect-end, ended its scenario); 1 otherwise; 2 on bad usage.
// The functions below are also the building blocks of the browser tests.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const SKIPPED = 77;
export const CHROMIUM = '/usr/bin/chromium';
export const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];
const HOST_START_MS = 10_000;
const HOST_STOP_MS = 5_000;
// No request for this long after the last action counts as "the page has settled"; a page
// that polls faster than that is taken as settled after QUIET_LIMIT_MS.
const QUIET_MS = 400;
const QUIET_LIMIT_MS = 5_000;
const STEP_LIMIT_MS = 10_000;
const STATUS_WORDS = ['UNKNOWN', 'TIMEOUT', 'VCI DISCONNECTED', 'INVALID QUERY'];
const WORD_COMMANDS = ['readSignal', 'isApplicable', 'sendQuery', 'sendRawQuery'];

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '..', '..');

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Chromium comes from the distribution; ./ft installs it, and so does this module as root.
export function ensureChromium(what) {
  if (fs.existsSync(CHROMIUM)) return;
  if (process.getuid() !== 0) {
    console.log(`${what} skipped: ${CHROMIUM} is missing and installing it needs root`);
    process.exit(SKIPPED);
  }
  const env = { ...process.env, DEBIAN_FRONTEND: 'noninteractive' };
  let r = spawnSync('apt-get', ['install', '-y', '-qq', 'chromium'], { stdio: 'inherit', env });
  if (r.status !== 0) {
    spawnSync('apt-get', ['update', '-qq'], { stdio: 'inherit', env });
    r = spawnSync('apt-get', ['install', '-y', '-qq', 'chromium'], { stdio: 'inherit', env });
  }
  if (r.status !== 0 || !fs.existsSync(CHROMIUM)) throw new Error('chromium could not be installed');
}

// playwright-core is pinned in package-lock.json; `npm ci` once when it is not there yet.
export async function loadPlaywright() {
  try {
    return await import('playwright-core');
  } catch {
    const r = spawnSync('npm', ['ci', '--no-audit', '--no-fund', '--loglevel=error'],
                        { cwd: here, stdio: 'inherit' });
    if (r.status !== 0) throw new Error('npm ci failed in ' + here);
    return import('playwright-core');
  }
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function canConnect(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.once('connect', () => { socket.destroy(); resolve(true); });
    socket.once('error', () => resolve(false));
  });
}

// ft-host on a free port, logging to a file of `work` at the level that shows events.
export async function startHost(binary, dataFile, work) {
  const port = await freePort();
  const logFile = path.join(work, 'host.log');
  const stderrFile = path.join(work, 'host.stderr');
  const err = fs.openSync(stderrFile, 'w');
  const child = spawn(binary, ['--data', dataFile, '--port', String(port), '--log-file', logFile,
                               '--log-level', 'info'],
                      { stdio: ['ignore', err, err] });
  fs.closeSync(err);
  let exited = null;
  child.once('exit', (code, signal) => { exited = signal || code; });
  const read = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '');
  const host = {
    port,
    log: () => read(logFile),
    stderr: () => read(stderrFile),
    async stop() {
      if (child.exitCode !== null || child.signalCode !== null) return;
      const gone = new Promise((resolve) => child.once('exit', resolve));
      child.kill('SIGTERM');
      if (await Promise.race([gone.then(() => true), sleep(HOST_STOP_MS).then(() => false)])) return;
      child.kill('SIGKILL');
      await gone;
    },
    kill() { if (child.exitCode === null) child.kill('SIGKILL'); },
  };
  for (const end = Date.now() + HOST_START_MS; Date.now() < end;) {
    if (exited !== null) {
      throw new Error(`ft-host exited (${exited}) before serving:\n${host.stderr().trim()}`);
    }
    if (await canConnect(port)) return host;
    await sleep(100);
  }
  host.kill();
  throw new Error(`ft-host did not listen on port ${port} within ${HOST_START_MS / 1000} s`);
}

// Records what the page does that an author has to know about.
function watch(page) {
  const report = { consoleErrors: [], failedRequests: [], statusWords: [], endRequests: 0 };
  let inFlight = 0;
  let lastActivity = Date.now();
  const target = (url) => { const u = new URL(url); return u.pathname + u.search; };
  page.on('console', (m) => {
    if (m.type() === 'error') {
      const where = m.location().url ? ` (${target(m.location().url)}:${m.location().lineNumber})` : '';
      report.consoleErrors.push(m.text() + where);
    }
  });
  page.on('pageerror', (e) => report.consoleErrors.push(`uncaught ${e.name}: ${e.message}`));
  page.on('request', (r) => {
    inFlight++;
    lastActivity = Date.now();
    if (new URL(r.url()).pathname === '/ENDFT') report.endRequests++;
  });
  const settled = () => { inFlight = Math.max(0, inFlight - 1); lastActivity = Date.now(); };
  // A 404 the browser then aborts (a script) counts once.
  const answered = new Set();
  page.on('requestfailed', (r) => {
    settled();
    if (answered.has(r.url())) return;
    report.failedRequests.push(`${target(r.url())}: ${r.failure()?.errorText || 'failed'}`);
  });
  page.on('requestfinished', settled);
  page.on('response', async (r) => {
    const command = new URL(r.url()).pathname.slice(1);
    if (r.status() >= 400) {
      answered.add(r.url());
      report.failedRequests.push(`${target(r.url())}: HTTP ${r.status()}`);
    } else if (WORD_COMMANDS.includes(command)) {
      const body = await r.text().catch(() => '');
      if (STATUS_WORDS.includes(body)) report.statusWords.push({ request: target(r.url()), word: body });
    }
  });
  return {
    report,
    // Until no request has been open for QUIET_MS.
    async quiet(timeoutMs) {
      for (const end = Date.now() + timeoutMs; Date.now() < end; await sleep(50)) {
        if (inFlight === 0 && Date.now() - lastActivity >= QUIET_MS) return;
      }
    },
  };
}

/**
 * Opens `url` (with `data`: served by a fresh ft-host) and answers a session: {page, host,
 * report, url, quiet(ms), overlay(), close()}.
 */
export async function openScenario(chromium, { url, data, hostBinary, viewport, stepTimeoutMs }) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-check-'));
  let host = null;
  let context = null;
  const session = {
    host: null,
    url,
    async close() {
      if (context) await Promise.race([context.close().catch(() => {}), sleep(HOST_STOP_MS)]);
      if (host) await host.stop();
      fs.rmSync(work, { recursive: true, force: true });
    },
    kill() { if (host) host.kill(); },
  };
  try {
    if (data) {
      host = session.host = await startHost(hostBinary, path.resolve(data), work);
      const u = new URL(url, 'http://127.0.0.1');
      session.url = `http://127.0.0.1:${host.port}${u.pathname}${u.search}`;
    }
    context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
      executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS,
      viewport: viewport || { width: 1280, height: 800 },
    });
    const page = context.pages()[0] || await context.newPage();
    page.setDefaultTimeout(stepTimeoutMs || 8_000);
    const watcher = watch(page);
    Object.assign(session, {
      page,
      report: watcher.report,
      quiet: watcher.quiet,
      // The entries of the development-mode panel of init.js.
      overlay: () => page.$$eval('#ft-problems li', (items) => items.map((i) => i.textContent)),
    });
    session.response = await page.goto(session.url);
    return session;
  } catch (e) {
    await session.close();
    throw e;
  }
}

// --- the command line --------------------------------------------------------------------------

function usage(message) {
  console.error(`ft check: ${message}\nusage: ./ft check URL [--data FILE] [--click SELECTOR]... ` +
                '[--wait SELECTOR] [--text SELECTOR]... [--screenshot FILE] [--viewport WxH] ' +
                '[--timeout S] [--expect-end] [--json]');
  process.exit(2);
}

function parseArguments(argv) {
  const options = { clicks: [], texts: [], timeout: 30, screenshot: 'ft-check.png', viewport: '1280x800',
                    hostBinary: path.join(root, 'build', 'bin', 'ft-host') };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    const value = () => (i + 1 < argv.length ? argv[++i] : usage(`${a} needs a value`));
    if (a === '--data') options.data = value();
    else if (a === '--host') options.hostBinary = path.resolve(value());
    else if (a === '--click') options.clicks.push(value());
    else if (a === '--wait') options.wait = value();
    else if (a === '--text') options.texts.push(value());
    else if (a === '--screenshot') options.screenshot = value();
    else if (a === '--viewport') options.viewport = value();
    else if (a === '--timeout') options.timeout = Number(value());
    else if (a === '--expect-end') options.expectEnd = true;
    else if (a === '--json') options.json = true;
    else if (a.startsWith('--')) usage(`unknown option ${a}`);
    else if (options.url) usage(`a second URL: ${a}`);
    else options.url = a;
  }
  if (!options.url) usage('no URL');
  if (!options.data && !/^https?:\/\//.test(options.url)) {
    options.url = 'http://127.0.0.1:61111' + (options.url.startsWith('/') ? '' : '/') + options.url;
  }
  const size = /^(\d+)x(\d+)$/.exec(options.viewport);
  if (!size) usage(`--viewport ${options.viewport} is not WIDTHxHEIGHT`);
  options.viewport = { width: Number(size[1]), height: Number(size[2]) };
  if (!(options.timeout > 0)) usage('--timeout needs a positive number of seconds');
  return options;
}

function print(result) {
  const list = (items) => (items.length ? items.map((x) => `\n    ${x}`).join('') : ' none');
  console.log(`ft check: ${result.url}`);
  console.log(`  page: ${result.page}`);
  console.log(`  console errors:${list(result.consoleErrors)}`);
  console.log(`  failed requests:${list(result.failedRequests)}`);
  console.log(`  status words:${list(result.statusWords.map((s) => `${s.word} <- ${s.request}`))}`);
  for (const [selector, text] of Object.entries(result.texts)) console.log(`  ${selector}: ${text}`);
  if (result.overlay.length) console.log(`  development-mode panel:${list(result.overlay)}`);
  console.log(`  end of scenario: ${result.endRequests ? 'ENDFT sent' : 'not ended'}` +
              (result.hostStopEvents === null ? '' : `; host stop events (669): ${result.hostStopEvents}`));
  console.log(`  screenshot: ${result.screenshot}`);
  console.log(`ft check: ${result.problems.length ? 'FAIL: ' + result.problems.join('; ') : 'PASS'}`);
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  if (options.data && !fs.existsSync(options.hostBinary)) {
    usage(`${options.hostBinary} does not exist: build it with ./ft build`);
  }
  ensureChromium('ft check');
  const { chromium } = await loadPlaywright();
  const deadline = setTimeout(() => {
    console.log(`ft check: FAIL: not done within ${options.timeout} s`);
    if (session) session.kill();
    process.exit(1);
  }, options.timeout * 1000);

  let session = null;
  const result = { url: options.url, page: 'not loaded', consoleErrors: [], failedRequests: [],
                   statusWords: [], overlay: [], texts: {}, endRequests: 0, hostStopEvents: null,
                   screenshot: 'none', problems: [] };
  try {
    session = await openScenario(chromium, {
      ...options, stepTimeoutMs: Math.min(STEP_LIMIT_MS, options.timeout * 500) });
    const { page } = session;
    result.url = session.url;
    result.page = `HTTP ${session.response?.status()}, title "${await page.title()}"`;
    if (options.wait) await page.waitForSelector(options.wait, { state: 'attached' });
    await session.quiet(QUIET_LIMIT_MS);
    for (const selector of options.clicks) {
      await page.click(selector);
      await session.quiet(QUIET_LIMIT_MS);
    }
    for (const selector of options.texts) {
      result.texts[selector] = (await page.locator(selector).first().textContent()).trim();
    }
    await page.screenshot({ path: options.screenshot, fullPage: true });
    result.screenshot = path.resolve(options.screenshot);
    result.overlay = await session.overlay();
  } catch (e) {
    // Playwright's messages carry colours and a call log; ft-host's one-line reason matters.
    result.problems.push(e.message.replace(/\x1b\[[0-9;]*m/g, '').replace(/\s*Call log:[^]*/, '')
      .replace(/\s*\n\s*/g, ' '));
  }
  if (session?.report) Object.assign(result, session.report);
  if (session?.host) result.hostStopEvents = (session.host.log().match(/event 669\b/g) || []).length;
  if (session) await session.close();
  clearTimeout(deadline);

  if (session?.response && !session.response.ok()) result.problems.push('the page did not load');
  if (result.consoleErrors.length) result.problems.push(`${result.consoleErrors.length} console errors`);
  if (result.failedRequests.length) result.problems.push(`${result.failedRequests.length} failed requests`);
  if (options.expectEnd && !result.endRequests) result.problems.push('the scenario did not end');
  if (options.json) console.log(JSON.stringify(result));
  else print(result);
  process.exit(result.problems.length ? 1 : 0);
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  await main();
}
