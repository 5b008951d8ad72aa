// ft-host as a child process for checks: started on free ports, its output, log and
// warnings at hand, and its control panel as a small JSON client.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '..', '..');
export const defaultHostBinary = () =>
  process.env.FT_HOST || path.join(root, 'build', 'bin', 'ft-host');

// A cold start loads the module and the data file; reloads of a big file take longer.
const HOST_START_MS = 15_000;
const HOST_STOP_MS = 5_000;
// A free port found by binding 0 can be taken by another process before ft-host binds it.
const PORT_ATTEMPTS = 3;

// A path given to a test script as `NAME PATH`, made absolute, or the fallback.
export function pathOption(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 && process.argv[i + 1] ? path.resolve(process.argv[i + 1]) : fallback;
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Log lines are "date time [level] [thread] [Class] message".
const PROBLEM_LINE = /^\S+ \S+ \[(warning|error|critical)\] /;

export class PanelError extends Error {}

// The control panel's JSON API; every change is a POST of JSON to 127.0.0.1.
export class Panel {
  constructor(port) {
    this.base = `http://127.0.0.1:${port}`;
  }

  async request(method, route, body) {
    const init = { method };
    if (method === 'POST') {
      init.headers = { 'Content-Type': 'application/json' };
      init.body = JSON.stringify(body ?? {});
    }
    const response = await fetch(this.base + route, init);
    const text = await response.text();
    let json = null;
    try { json = JSON.parse(text); } catch { /* reported below */ }
    if (!response.ok || json === null) {
      const reason = json?.error ?? (text.trim() || `HTTP ${response.status}`);
      throw new PanelError(`${method} ${route}: ${response.status} ${reason}`);
    }
    return json;
  }

  view() { return this.request('GET', '/api/ecu'); }
  post(route, body) { return this.request('POST', route, body); }
}

function startOnce(binary, data, work, port, controlPort, extraArgs) {
  const outputFile = path.join(work, 'host-output.txt');
  const logFile = path.join(work, 'host.log');
  const output = fs.createWriteStream(outputFile);
  const args = ['--data', data, '--port', String(port), '--control-port', String(controlPort),
                '--log-file', logFile, '--log-level', 'info', ...extraArgs];
  const child = spawn(binary, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  let text = '';
  const take = (chunk) => { text += chunk; output.write(chunk); };
  child.stdout.setEncoding('utf8').on('data', take);
  child.stderr.setEncoding('utf8').on('data', take);
  let exitStatus = null;
  const exited = new Promise((resolve) => child.once('close', (code, signal) => {
    output.end();
    exitStatus = signal || code;
    resolve(exitStatus);
  }));
  const read = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '');
  const host = {
    port,
    controlPort: null,
    outputFile,
    logFile,
    url: (target = '/') => new URL(target, `http://127.0.0.1:${port}`).href,
    output: () => text,
    log: () => read(logFile),
    // Warning and error lines of the log, in order.
    problems: () => read(logFile).split('\n').filter((line) => PROBLEM_LINE.test(line)),
    // null while it runs, else its exit code or signal.
    exitStatus: () => exitStatus,
    stopEvents: () => (read(logFile).match(/received event 669\b/g) || []).length,
    async stop() {
      if (child.exitCode !== null || child.signalCode !== null) return exited;
      child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), HOST_STOP_MS);
      const status = await exited;
      clearTimeout(timer);
      return status;
    },
    kill() { if (child.exitCode === null) child.kill('SIGKILL'); },
  };
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      host.kill();
      reject(new Error(`ft-host did not serve within ${HOST_START_MS / 1000} s:\n${text.trim()}`));
    }, HOST_START_MS);
    const watchStart = () => {
      const panel = /^ft-host: control panel on http:\/\/127\.0\.0\.1:(\d+)\//m.exec(text);
      if (!panel) return;
      clearTimeout(timer);
      child.stdout.off('data', watchStart);
      host.controlPort = Number(panel[1]);
      host.panel = new Panel(host.controlPort);
      resolve(host);
    };
    child.stdout.on('data', watchStart);
    child.once('error', (e) => {
      clearTimeout(timer);
      reject(new Error(`ft-host could not be started: ${e.message}`));
    });
    exited.then((status) => {
      clearTimeout(timer);
      const error = new Error(`ft-host exited (${status}) before serving:\n${text.trim()}`);
      error.portTaken = /port is in use/.test(text);
      reject(error);
    });
  });
}

/**
 * Starts ft-host for `data`, writing its output and log into the folder `work`. `port` and
 * `controlPort` default to free ones. Answers {port, controlPort, panel, url(), output(),
 * log(), problems(), stopEvents(), stop(), kill()}.
 */
export async function startHost({ binary = defaultHostBinary(), data, work, port, controlPort = 0,
                                  args = [] }) {
  if (!fs.existsSync(binary)) throw new Error(`${binary} does not exist: build it with ./ft build`);
  fs.mkdirSync(work, { recursive: true });
  for (let attempt = 1; ; attempt++) {
    try {
      return await startOnce(binary, path.resolve(data), work, port ?? await freePort(),
                             controlPort, args);
    } catch (e) {
      if (!e.portTaken || port !== undefined || attempt === PORT_ATTEMPTS) throw e;
    }
  }
}
