// The ft fixture itself, on the demo's data: what it counts as a problem, and that the
// control-panel calls reach the simulated ECU, and the page's requests it waits for and expects.
import fs from 'node:fs';
import { test, expect } from './fixture.mjs';
import { freePort } from './host.mjs';

const DEMO = '../../examples/demo/demo.xml';

// The raw answer of a URL command, as the page's API gets it.
const call = (page, command, params) =>
  page.evaluate(([c, p]) => window.ft.call(c, p), [command, params]);

test.beforeEach(async ({ page, ft }) => {
  await ft.host({ data: DEMO, copy: true });
  await ft.open(page, '/FT?gui=demo&mw=demo&flow=demo');
  await expect(page.locator('body')).toHaveClass(/\bready\b/);
});

test('console errors, failed requests and host warnings are problems until allowed',
     async ({ page, ft }) => {
  expect(ft.problems()).toEqual([]);
  const idle = await freePort();
  // Each provocation with what it leaves: the page's side and the host's.
  for (const [what, provoke, expected] of [
    ['a console error', () => page.evaluate(() => console.error('boom')), [/^console error: boom/]],
    ['an uncaught exception',
     () => page.evaluate(() => { setTimeout(() => { throw new Error('bang'); }); }),
     [/^console error: uncaught Error: bang$/, /^console error: \[script error\] Uncaught Error: bang/]],
    ['a missing file', () => page.evaluate(() => fetch('/Scenario/gui/missing.js')),
     [/^failed request: \/Scenario\/gui\/missing\.js: HTTP 404$/,
      /^ft-host: .* \[error\] .*missing\.js\)\]: not found/]],
    ['an unreachable server',
     () => page.evaluate((port) => fetch(`http://127.0.0.1:${port}/`).catch(() => {}), idle),
     [/^failed request: \/: net::ERR_CONNECTION_REFUSED$/]],
    ['a refused query', async () => {
      await ft.ecu.refuse('StartPump', -14);
      expect(await call(page, 'sendQuery', { query: 'StartPump' })).toBe('VCI DISCONNECTED');
    }, [/^ft-host: .* \[warning\] .*Diag Services: -14$/]],
  ]) {
    await provoke();
    for (const re of expected) {
      await expect.poll(() => ft.problems(), { message: what }).toContainEqual(expect.stringMatching(re));
    }
    ft.allow(...expected);
    expect(ft.problems(), `${what}, allowed`).toEqual([]);
  }
});

test('the panel calls reach the simulated ECU', async ({ page, ft }) => {
  ft.allow(/Diag Services/);
  const read = (name, type) => call(page, 'readSignal', { names: name, types: type });
  const query = (name) => call(page, 'sendQuery', { query: name });
  for (const [what, change, ask, expected] of [
    ['a state', () => ft.ecu.set('PumpState', 1), () => read('PumpState', 'State'), '1;Running'],
    ['a parameter', () => ft.ecu.set('BatteryVoltage', 11.25), () => read('BatteryVoltage', 'Parameter'),
     '11.250000;11.25'],
    ['a command\'s status', () => ft.ecu.set('StartPump', 7), () => query('StartPump'), '7'],
    ['a refused command', () => ft.ecu.refuse('StartPump', -14), () => query('StartPump'), 'VCI DISCONNECTED'],
    ['a refused raw frame', () => ft.ecu.refuse('22F190', -992),
     () => call(page, 'sendRawQuery', { query: '22F190' }), 'TIMEOUT'],
    ['the whole ECU refused', () => ft.ecu.refuse(-979), () => read('PumpState', 'State'), 'INVALID QUERY'],
    ['no answer', async () => { await ft.ecu.noAnswer('SelfTest'); await ft.ecu.delay('SelfTest', 50); },
     () => query('SelfTest'), 'TIMEOUT'],
    ['answers again', async () => { await ft.ecu.refuse('StartPump', -14); await ft.ecu.answer('StartPump'); },
     () => query('StartPump'), '0'],
    ['a mask variable', () => ft.ecu.mask('VehicleType', 3),
     () => call(page, 'isApplicable', { names: 'TurboPressure', types: 'Parameter' }), '1'],
  ]) {
    await change();
    expect(await ask(), what).toBe(expected);
    await ft.ecu.reset();
  }
  expect(await read('PumpState', 'State'), 'after reset').toBe('0;Off');
  expect((await ft.ecu.get('StartPump')).value).toBe(0);
  await expect(ft.ecu.set('NoSuchItem', 1)).rejects.toThrow('has no item, command or raw frame "NoSuchItem"');
});

test('the page\'s requests and answers as the log has them, waited for and expected', async ({ page, ft }) => {
  await ft.ecu.change('22F190', { response: '7F2231' });
  const answer = await call(page, 'sendRawQuery', { query: '22F190' });
  expect(answer).toContain('7F2231');
  await ft.waitForRequests('/sendRawQuery?query=22F190', 1, { timeout: 2_000 });
  await ft.expectAnswers({ '/sendRawQuery?query=22F190': answer });
  let failure = null;
  try {
    await ft.expectAnswers({ '/sendRawQuery?query=22F190': 'other', '/sendQuery?query=Nothing': '0' });
  } catch (e) {
    failure = e.message;
  }
  expect(failure).toMatch(/sendRawQuery\?query=22F190: answered .*7F2231.*, not .*other/);
  expect(failure).toContain('/sendQuery?query=Nothing: not asked');
  let late = null;
  await ft.waitForRequests('/sendRawQuery?query=22F190', 2, { timeout: 300 }).catch((e) => { late = e.message; });
  expect(late).toContain('the page asks /sendRawQuery?query=22F190 2 time(s)');
});

test('ft-host\'s output and log are at hand, and a bad data file says why', async ({ ft }) => {
  const host = ft.currentHost();
  expect(host.output()).toMatch(/^ft-host: serving ECU DEMO on http:\/\/127\.0\.0\.1:\d+\//m);
  expect(host.log()).toContain('[RequestLog] GET /FT?gui=demo');
  await expect(ft.host({ data: 'no-such.xml' })).rejects.toThrow(/no data file .*no-such\.xml/);
  const bad = test.info().outputPath('bad.xml');
  fs.writeFileSync(bad, '<host ecu="X"><oops/></host>');
  await expect(ft.host({ data: bad })).rejects.toThrow(/ft-host exited \(2\) before serving:\n.*bad\.xml:1/);
});
