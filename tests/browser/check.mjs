// Opens a scenario page in headless Chromium and reports what an author has to know: console
// errors, failed or refused requests, status words, the host's warnings, the end of the
// scenario, a screenshot, and whether the page shows what --expect says. Clicks only what it is
// told to.
//
//   node check.mjs URL [--data FILE] [--host FT_HOST] [--port N] [--control-port N]
//                      [--click SELECTOR]... [--wait SELECTOR] [--text SELECTOR]...
//                      [--expect SELECTOR=TEXT]... [--fail-on-warning] [--screenshot FILE]
//                      [--viewport WxH] [--timeout S] [--expect-end] [--json]
//
// With --data, ft-host serves FILE on free ports (or --port/--control-port) and a URL's origin
// is replaced by it (a URL may then be just "/FT?gui=...").  Exit 0 when the page loaded
// without console errors and failed requests and met every expectation; 1 otherwise; 2 when
// the check could not run (bad usage, no ft-host, no Chromium, nothing answering).
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { defaultHostBinary, startHost } from './host.mjs';
import { PageWatch, sleep } from './watch.mjs';

export const SKIPPED = 77;
export const CHROMIUM = '/usr/bin/chromium';
export const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];
const HOST_STOP_MS = 5_000;
// A page that polls faster than it settles is taken as settled after this.
const QUIET_LIMIT_MS = 5_000;
const STEP_LIMIT_MS = 10_000;
// How long an --expect waits for its text: a verdict may come after a sequence.
const EXPECT_LIMIT_MS = 15_000;

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '..', '..');

// Set-up problems: exit 2, the page was never judged.
class CannotRun extends Error {}

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
    const r = spawnSync('npm', ['ci', '--no-audit', '--no-fund', '--loglevel=error'], {
      cwd: here, stdio: 'inherit', env: { ...process.env, PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD: '1' } });
    if (r.status !== 0) throw new Error('npm ci failed in ' + here);
    return import('playwright-core');
  }
}

/**
 * Opens `url` (with `data`: served by a fresh ft-host) and answers a session: {page, host,
 * watch, url, response, overlay(), close()}.
 */
export async function openScenario(chromium, { url, data, hostBinary, port, controlPort, viewport,
                                               stepTimeoutMs, progress = () => {} }) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ft-check-'));
  let context = null;
  const session = {
    host: null,
    url,
    watch: new PageWatch(),
    async close() {
      session.watch.stop();
      if (context) await Promise.race([context.close().catch(() => {}), sleep(HOST_STOP_MS)]);
      if (session.host) await session.host.stop();
      fs.rmSync(work, { recursive: true, force: true });
    },
    kill() { if (session.host) session.host.kill(); },
  };
  try {
    if (data) {
      session.host = await startHost({ binary: hostBinary, data, work, port, controlPort })
        .catch((e) => { throw new CannotRun(e.message); });
      const asked = new URL(url, 'http://127.0.0.1');
      session.url = session.host.url(asked.pathname + asked.search);
      progress(`started ft-host on port ${session.host.port}, control panel on port ${session.host.controlPort}`);
    }
    context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
      executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS,
      viewport: viewport || { width: 1280, height: 800 },
    }).catch((e) => { throw new CannotRun(`Chromium did not start: ${e.message}`); });
    const page = context.pages()[0] || await context.newPage();
    page.setDefaultTimeout(stepTimeoutMs || 8_000);
    session.watch.add(page);
    Object.assign(session, {
      page,
      // The entries of the development-mode panel of init.js.
      overlay: () => page.$$eval('#ft-problems li', (items) => items.map((i) => i.textContent)),
    });
    const started = Date.now();
    session.response = await page.goto(session.url).catch((e) => {
      // Nothing listening is a set-up problem, not the page's.
      if (/ERR_CONNECTION_REFUSED|ERR_NAME_NOT_RESOLVED|ERR_ADDRESS_UNREACHABLE/.test(e.message)) {
        throw new CannotRun(`nothing answers at ${session.url}`);
      }
      throw e;
    });
    progress(`page loaded: HTTP ${session.response?.status()} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
    return session;
  } catch (e) {
    await session.close();
    throw e;
  }
}

// --- the command line --------------------------------------------------------------------------

const USAGE = 'usage: ./ft check URL [--data FILE] [--port N] [--control-port N] [--click SELECTOR]... ' +
  '[--wait SELECTOR] [--text SELECTOR]... [--expect SELECTOR=TEXT]... [--fail-on-warning] ' +
  '[--screenshot FILE] [--viewport WxH] [--timeout S] [--expect-end] [--json]';

function usage(message) {
  console.error(`ft check: ${message}\n${USAGE}`);
  process.exit(2);
}

// SELECTOR=TEXT splits at the first "=" outside brackets and quotes, so that
// button[data-command="Bleed"]=TIMEOUT works; TEXT is a substring, or /regex/flags.
export function parseExpectation(written) {
  let depth = 0;
  let quote = null;
  for (let i = 0; i < written.length; i++) {
    const c = written[i];
    if (quote) { if (c === quote) quote = null; continue; }
    if (c === '"' || c === "'") quote = c;
    else if (c === '[' || c === '(') depth++;
    else if (c === ']' || c === ')') depth--;
    else if (c === '=' && depth === 0 && i > 0) {
      const selector = written.slice(0, i);
      const text = written.slice(i + 1);
      const regex = /^\/(.*)\/([dgimsuy]*)$/s.exec(text);
      if (!regex) return { selector, text, matches: (actual) => actual.includes(text) };
      let re;
      try { re = new RegExp(regex[1], regex[2]); } catch (e) { return { error: `--expect ${written}: ${e.message}` }; }
      return { selector, text, matches: (actual) => re.test(actual) };
    }
  }
  return { error: `--expect ${written}: write SELECTOR=TEXT, e.g. '#verdict=PASS' or '#overall=/^PASS/'` };
}

function parsePort(option, value) {
  const n = Number(value);
  if (!Number.isInteger(n) || n < 0 || n > 65535 || (option === '--port' && n === 0)) {
    usage(`${option} needs a port number (${option === '--port' ? 1 : 0} to 65535), not "${value}"`);
  }
  return n;
}

function parseArguments(argv) {
  const options = { clicks: [], texts: [], expectations: [], timeout: 30, screenshot: 'ft-check.png',
                    viewport: '1280x800', hostBinary: defaultHostBinary() };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    const value = () => (i + 1 < argv.length ? argv[++i] : usage(`${a} needs a value`));
    if (a === '--data') options.data = value();
    else if (a === '--host') options.hostBinary = path.resolve(value());
    else if (a === '--port') options.port = parsePort(a, value());
    else if (a === '--control-port') options.controlPort = parsePort(a, value());
    else if (a === '--click') options.clicks.push(value());
    else if (a === '--wait') options.wait = value();
    else if (a === '--text') options.texts.push(value());
    else if (a === '--expect') {
      const e = parseExpectation(value());
      if (e.error) usage(e.error);
      options.expectations.push(e);
    } else if (a === '--fail-on-warning') options.failOnWarning = true;
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
  if (!options.data && options.controlPort !== undefined) usage('--control-port needs --data');
  if (!options.data && !/^https?:\/\//.test(options.url)) {
    options.url = `http://127.0.0.1:${options.port ?? 61111}` + (options.url.startsWith('/') ? '' : '/') + options.url;
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
  if (result.hostWarnings !== null) console.log(`  host warnings and errors:${list(result.hostWarnings)}`);
  for (const [selector, text] of Object.entries(result.texts)) console.log(`  ${selector}: ${text}`);
  for (const e of result.expectations) {
    console.log(`  expect ${e.selector}=${e.text}: ${e.met ? 'met' : 'NOT MET'}, shows ${JSON.stringify(e.actual)}`);
  }
  if (result.overlay.length) console.log(`  development-mode panel:${list(result.overlay)}`);
  console.log(`  end of scenario: ${result.endRequests ? 'ENDFT sent' : 'not ended'}` +
              (result.hostStopEvents === null ? '' : `; host stop events (669): ${result.hostStopEvents}`));
  console.log(`  screenshot: ${result.screenshot}`);
  console.log(`ft check: ${result.problems.length ? 'FAIL: ' + result.problems.join('; ') : 'PASS'}`);
}

// Waits until the element shows what is expected, or the time is up; answers what it shows.
async function expectText(page, expectation, timeoutMs) {
  let actual = null;
  for (const end = Date.now() + timeoutMs; Date.now() < end; await sleep(100)) {
    actual = await page.locator(expectation.selector).first().textContent({ timeout: 1000 })
      .then((t) => t.trim(), () => actual);
    if (actual !== null && expectation.matches(actual)) break;
  }
  return { selector: expectation.selector, text: expectation.text,
           met: actual !== null && expectation.matches(actual), actual };
}

const plain = (message) => message.replace(/\x1b\[[0-9;]*m/g, '').replace(/\s*Call log:[^]*/, '')
  .replace(/\s*\n\s*/g, ' ');

async function main() {
  const options = parseArguments(process.argv.slice(2));
  if (options.data && !fs.existsSync(options.hostBinary)) {
    usage(`${options.hostBinary} does not exist: build it with ./ft build`);
  }
  if (options.data && !fs.existsSync(options.data)) usage(`--data ${options.data}: no such file`);
  // Progress goes to stderr, so that --json keeps stdout one line.
  const started = Date.now();
  const progress = (text) => console.error(`ft check [${((Date.now() - started) / 1000).toFixed(1)} s] ${text}`);
  ensureChromium('ft check');
  const { chromium } = await loadPlaywright();
  const deadline = setTimeout(() => {
    console.log(`ft check: FAIL: not done within ${options.timeout} s`);
    if (session) session.kill();
    process.exit(1);
  }, options.timeout * 1000);

  let session = null;
  let cannotRun = null;
  const result = { url: options.url, page: 'not loaded', consoleErrors: [], failedRequests: [],
                   statusWords: [], hostWarnings: null, overlay: [], texts: {}, expectations: [],
                   endRequests: 0, hostStopEvents: null, screenshot: 'none', problems: [] };
  try {
    session = await openScenario(chromium, {
      ...options, progress, stepTimeoutMs: Math.min(STEP_LIMIT_MS, options.timeout * 500) });
    const { page } = session;
    result.url = session.url;
    result.page = `HTTP ${session.response?.status()}, title "${await page.title()}"`;
    if (options.wait) {
      progress(`waiting for ${options.wait}`);
      await page.waitForSelector(options.wait, { state: 'attached' });
    }
    await session.watch.quiet(QUIET_LIMIT_MS);
    for (const selector of options.clicks) {
      progress(`click ${selector}`);
      await page.click(selector);
      await session.watch.quiet(QUIET_LIMIT_MS);
    }
    for (const e of options.expectations) {
      progress(`waiting for ${e.selector} to show ${e.text}`);
      const timeLeft = options.timeout * 1000 - (Date.now() - started) - STEP_LIMIT_MS;
      result.expectations.push(await expectText(page, e, Math.max(1000, Math.min(EXPECT_LIMIT_MS, timeLeft))));
    }
    for (const selector of options.texts) {
      result.texts[selector] = (await page.locator(selector).first().textContent()).trim();
    }
    await page.screenshot({ path: options.screenshot, fullPage: true });
    result.screenshot = path.resolve(options.screenshot);
    result.overlay = await session.overlay();
  } catch (e) {
    if (e instanceof CannotRun) cannotRun = e;
    // Playwright's messages carry colours and a call log; ft-host's one-line reason matters.
    result.problems.push(plain(e.message));
  }
  if (session) {
    const { consoleErrors, failedRequests, statusWords, endRequests } = session.watch;
    Object.assign(result, { consoleErrors, failedRequests, statusWords, endRequests });
  }
  if (session?.host) {
    result.hostStopEvents = session.host.stopEvents();
    result.hostWarnings = session.host.problems();
  }
  if (session) await session.close();
  clearTimeout(deadline);

  if (session?.response && !session.response.ok()) result.problems.push('the page did not load');
  if (result.consoleErrors.length) result.problems.push(`${result.consoleErrors.length} console errors`);
  if (result.failedRequests.length) result.problems.push(`${result.failedRequests.length} failed requests`);
  for (const e of result.expectations.filter((x) => !x.met)) {
    result.problems.push(`${e.selector} shows ${JSON.stringify(e.actual)}, expected ${e.text}`);
  }
  if (options.failOnWarning && result.hostWarnings?.length) {
    result.problems.push(`${result.hostWarnings.length} host warnings or errors`);
  }
  if (options.expectEnd && !result.endRequests) result.problems.push('the scenario did not end');
  if (options.json) console.log(JSON.stringify(result));
  else print(result);
  process.exit(cannotRun ? 2 : result.problems.length ? 1 : 0);
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  await main();
}
