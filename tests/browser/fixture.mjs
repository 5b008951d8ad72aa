// The `ft` fixture of scenario checks (*.check.mjs), run by `./ft suite`:
//
//   import { test, expect } from '<project>/tests/browser/fixture.mjs';
//   test('the lamp comes on', async ({ page, ft }) => {
//     await ft.host({ data: 'lamp.xml' });
//     await ft.open(page);
//     await page.click('#run');
//     await expect(page.locator('#verdict')).toHaveText('PASS');
//   });
//
// A test fails on a console error, a failed request or a warning or error line of ft-host's
// log unless ft.allow() names it. docs/scenario-authors.md describes every call.
import fs from 'node:fs';
import path from 'node:path';
import { test as base, expect } from '@playwright/test';
import { startHost } from './host.mjs';
import { PageWatch } from './watch.mjs';

export { expect };

const END_TIMEOUT_MS = 10_000;

// The control panel as calls; each one is a step of the report.
class Ecu {
  #ft;

  constructor(ft) { this.#ft = ft; }

  get #panel() { return this.#ft.currentHost('ft.ecu').panel; }

  #step(title, body) { return base.step(`ft.ecu.${title}`, body, { box: true }); }

  // The route of an item, a command or a raw frame; null names the whole ECU.
  async #route(name) {
    if (name === null || name === undefined) return '/api/ecu';
    const view = await this.#panel.view();
    const item = view.items.find((i) => i.name === name);
    if (item) return `/api/${item.kind.toLowerCase()}/${encodeURIComponent(name)}`;
    if (view.commands.some((c) => c.name === name)) return `/api/command/${encodeURIComponent(name)}`;
    if (view.rawFrames.some((f) => f.request === name)) return `/api/rawframe/${encodeURIComponent(name)}`;
    throw new Error(`ft.ecu: the ECU ${view.ecu} has no item, command or raw frame "${name}"`);
  }

  // The panel's view of the ECU, as GET /api/ecu answers it.
  view() { return this.#panel.view(); }

  // The view's entry of an item or a command.
  async get(name) {
    const view = await this.#panel.view();
    const entry = view.items.find((i) => i.name === name) ?? view.commands.find((c) => c.name === name);
    if (!entry) throw new Error(`ft.ecu.get: the ECU ${view.ecu} has no item or command "${name}"`);
    return entry;
  }

  // An item's value, or the status a command stores from now on.
  set(name, value) {
    return this.#step(`set ${name} = ${JSON.stringify(value)}`,
                      async () => this.#panel.post(await this.#route(name), { value }));
  }

  // refuse(name, status), or refuse(status) for every query.
  refuse(name, status) {
    if (status === undefined) [name, status] = [null, name];
    return this.#step(`refuse ${name ?? 'the ECU'} with ${status}`, async () =>
      this.#panel.post(await this.#route(name), { mode: 'refuse', status }));
  }

  // No answer: the query waits its delay (3 s without one), then answers TIMEOUT.
  noAnswer(name = null) {
    return this.#step(`noAnswer ${name ?? 'the ECU'}`, async () =>
      this.#panel.post(await this.#route(name), { mode: 'none' }));
  }

  // Normal answers again; the delay stays.
  answer(name = null) {
    return this.#step(`answer ${name ?? 'the ECU'}`, async () =>
      this.#panel.post(await this.#route(name), { mode: 'normal' }));
  }

  // delay(name, ms), or delay(ms) for every query.
  delay(name, ms) {
    if (ms === undefined) [name, ms] = [null, name];
    return this.#step(`delay ${name ?? 'the ECU'} by ${ms} ms`, async () =>
      this.#panel.post(await this.#route(name), { delay: ms }));
  }

  // 'start' starts an item's behaviour over, 'stop' freezes it.
  behaviour(name, what) {
    return this.#step(`behaviour ${name} ${what}`, async () =>
      this.#panel.post(await this.#route(name), { behaviour: what }));
  }

  // Sets a mask variable; answers the items whose applicability changed.
  mask(name, value) {
    return this.#step(`mask ${name} = ${value}`, async () =>
      (await this.#panel.post(`/api/mask/${encodeURIComponent(name)}`, { value }))
        .applicabilityChanged);
  }

  // Any change of the panel's API as its body, e.g. change('22F190', { response: '7F2231' }).
  change(name, body) {
    return this.#step(`change ${name ?? 'the ECU'} ${JSON.stringify(body)}`, async () =>
      this.#panel.post(await this.#route(name), body));
  }

  reset() { return this.#step('reset', () => this.#panel.post('/api/reset')); }

  reload() { return this.#step('reload', () => this.#panel.post('/api/reload')); }
}

class Ft {
  #testInfo;
  #hosts = [];
  #allowed = [];
  #watched = new WeakSet();
  #watch = new PageWatch();

  constructor(testInfo) {
    this.#testInfo = testInfo;
    this.ecu = new Ecu(this);
  }

  currentHost(who = 'ft.currentHost') {
    const host = this.#hosts.at(-1);
    if (!host) throw new Error(`${who}: no ft-host yet; start one with ft.host({ data })`);
    return host;
  }

  /**
   * Starts ft-host for `data` (relative to the check file's folder) on free ports; with
   * `copy`, on a copy of the data file's folder, so that files the page writes stay out of
   * the scenario. Stopped after the test; its output and log are attached to the result.
   */
  host({ data, copy = false, port, controlPort, args = [] } = {}) {
    if (!data) throw new Error('ft.host: give the data file, e.g. ft.host({ data: \'lamp.xml\' })');
    return base.step(`ft.host ${data}`, async () => {
      let file = path.resolve(path.dirname(this.#testInfo.file), data);
      if (!fs.existsSync(file)) {
        throw new Error(`ft.host: no data file ${file} (a relative path starts at the check file's folder)`);
      }
      const work = this.#testInfo.outputPath(`host-${this.#hosts.length + 1}`);
      if (copy) {
        const copied = path.join(work, 'data');
        fs.cpSync(path.dirname(file), copied, { recursive: true,
          filter: (from) => !from.split(path.sep).includes('node_modules') });
        file = path.join(copied, path.basename(file));
      }
      const host = await startHost({ data: file, work, port, controlPort, args });
      host.dir = path.dirname(file);
      host.name = path.basename(file, '.xml');
      this.#hosts.push(host);
      return host;
    }, { box: true });
  }

  // Console errors, failed requests and host log lines matching one of `patterns` are expected.
  allow(...patterns) {
    for (const p of patterns) this.#allowed.push(p instanceof RegExp ? p : new RegExp(String(p)));
  }

  /**
   * Opens `target` (a path of the last ft-host; by default the page named like its data file,
   * /FT?gui=NAME&mw=NAME&flow=NAME) and watches the page from now on. Fails on an HTTP error.
   */
  open(page, target) {
    return base.step(`ft.open ${target ?? ''}`.trim(), async () => {
      let url = target;
      if (!url || !/^https?:\/\//.test(url)) {
        const host = this.currentHost('ft.open');
        const name = host.name;
        url = host.url(url ?? `/FT?gui=${name}&mw=${name}&flow=${name}`);
      }
      if (!this.#watched.has(page)) {
        this.#watched.add(page);
        this.#watch.add(page);
      }
      const response = await page.goto(url);
      if (!response || !response.ok()) {
        throw new Error(`ft.open: ${url} answered ${response ? 'HTTP ' + response.status() : 'nothing'}`);
      }
      return response;
    }, { box: true });
  }

  // The status words the ECU commands answered so far, in order.
  statusWords() { return this.#watch.statusWords.map((s) => s.word); }

  // How often the page sent ENDFT.
  endRequests() { return this.#watch.endRequests; }

  // How often the last ft-host was asked to stop the scenario (event 669).
  stopEvents() { return this.currentHost('ft.stopEvents').stopEvents(); }

  // The requests the last ft-host answered so far, as its panel's log has them.
  async #requests() {
    const host = this.currentHost('ft.requests');
    host.requests ??= [];
    const after = host.requests.at(-1)?.number ?? 0;
    const log = await host.panel.request('GET', `/api/log?after=${after}`);
    if (log.entries.length && log.entries[0].number !== after + 1) {
      throw new Error(`ft: ft-host's request log dropped ${log.entries[0].number - after - 1} ` +
                      'requests before they were read');
    }
    host.requests.push(...log.entries);
    return host.requests;
  }

  // Waits until the page has asked `target` (a command with its parameters, as the log has
  // it, e.g. '/sendQuery?query=StartPump') `count` times in all and had its answers.
  waitForRequests(target, count = 1, { timeout = END_TIMEOUT_MS } = {}) {
    return base.step(`ft.waitForRequests ${target} ×${count}`, async () => {
      await expect.poll(async () => (await this.#requests()).filter((r) => r.target === target).length,
        { message: `the page asks ${target} ${count} time(s)`, timeout, intervals: [100] })
        .toBeGreaterThanOrEqual(count);
    }, { box: true });
  }

  // Every request of each target so far was answered its text (the log's first 200
  // characters), and each target was asked.
  expectAnswers(expected) {
    return base.step('ft.expectAnswers', async () => {
      const requests = await this.#requests();
      const differ = [];
      for (const [target, answer] of Object.entries(expected)) {
        const answers = new Set(requests.filter((r) => r.target === target).map((r) => r.body));
        if (!answers.size) differ.push(`${target}: not asked`);
        for (const got of answers) {
          if (got !== answer) differ.push(`${target}: answered ${JSON.stringify(got)}, not ${JSON.stringify(answer)}`);
        }
      }
      expect(differ, 'answers that differ from the expected ones').toEqual([]);
    }, { box: true });
  }

  // Waits until the page has sent ENDFT and ft-host logged event 669.
  expectEnd({ timeout = END_TIMEOUT_MS } = {}) {
    return base.step('ft.expectEnd', async () => {
      await expect.poll(() => this.#watch.endRequests, { message: 'the page sends ENDFT', timeout })
        .toBeGreaterThan(0);
      await expect.poll(() => this.stopEvents(), { message: 'ft-host logs event 669', timeout })
        .toBeGreaterThan(0);
    }, { box: true });
  }

  // What fails the test at its end: everything seen so far that no ft.allow() pattern matches.
  problems() {
    const seen = [
      ...this.#watch.consoleErrors.map((e) => `console error: ${e}`),
      ...this.#watch.failedRequests.map((r) => `failed request: ${r}`),
      ...this.#hosts.flatMap((h) => h.problems().map((line) => `ft-host: ${line}`)),
      ...this.#hosts.filter((h) => h.exitStatus() !== null)
        .map((h) => `ft-host: exited (${h.exitStatus()}) during the test`),
    ];
    return seen.filter((p) => !this.#allowed.some((re) => re.test(p)));
  }

  async close() {
    this.#watch.stop();
    const problems = this.problems();
    for (const [i, host] of this.#hosts.entries()) {
      await host.stop();
      const suffix = this.#hosts.length > 1 ? ` ${i + 1}` : '';
      await this.#testInfo.attach(`ft-host output${suffix}`, { path: host.outputFile, contentType: 'text/plain' });
      if (fs.existsSync(host.logFile)) {
        await this.#testInfo.attach(`ft-host log${suffix}`, { path: host.logFile, contentType: 'text/plain' });
      }
    }
    if (problems.length) {
      const error = new Error(`${problems.length} unexpected problem(s); list the expected ones with ` +
                              `ft.allow(/.../):\n${problems.map((p) => `  ${p}`).join('\n')}`);
      // The fixture's own line would be shown as the place of the fault.
      error.stack = `Error: ${error.message}`;
      throw error;
    }
  }
}

export const test = base.extend({
  // Depends on page so that it is torn down first: the page still runs while the checks end.
  ft: async ({ page }, use, testInfo) => {
    void page;
    const ft = new Ft(testInfo);
    try {
      await use(ft);
    } finally {
      await ft.close();
    }
  },
});
