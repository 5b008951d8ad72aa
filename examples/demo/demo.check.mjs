// The demo's walk-through (docs/scenario-authors.md) as checks: `./ft suite examples/demo`.
import fs from 'node:fs';
import path from 'node:path';
import { test, expect } from '../../tests/browser/fixture.mjs';

// The sequence waits for a command of two seconds and a window that then opens.
const SEQUENCE_MS = 20_000;

const row = (name) => `#live tr[data-name="${name}"]`;
const verdicts = (page) => page.locator('#steps .verdict');

test.beforeEach(async ({ page, ft }) => {
  // A copy, so that the note file and the like stay out of examples/.
  await ft.host({ data: 'demo.xml', copy: true });
  await ft.open(page);
  await expect(page.locator('body')).toHaveClass(/\bready\b/);
});

test('the page loads with the API, its style, live values, texts and files', async ({ page }) => {
  expect(await page.evaluate(() => ({
    script: document.querySelectorAll('script[src="/Scripts/init.js"]').length,
    developmentMode: window.ft.developmentMode,
    title: getComputedStyle(document.getElementById('title')).backgroundColor,
  }))).toEqual({ script: 1, developmentMode: true, title: 'rgb(31, 78, 121)' });
  const icon = await page.request.get(
    new URL(await page.locator('link[rel="icon"]').getAttribute('href'), page.url()).href);
  expect(icon.status()).toBe(200);

  await expect(page.locator(`${row('PumpState')} .text`)).toHaveText('Off');
  for (const [name, value, text] of [
    ['DoorState', '2', 'Ajar'],
    ['BatteryVoltage', '12.600000', '12.60 V'],
    ['EngineSpeed', '850.000000', '850 rpm'],
    ['VIN', 'DEMOVIN0000000042', 'DEMOVIN0000000042'],
  ]) {
    await expect(page.locator(`${row(name)} .value`)).toHaveText(value);
    await expect(page.locator(`${row(name)} .text`)).toHaveText(text);
  }
  await expect(page.locator(`${row('FanSpeed')} .text`)).toHaveText(/^1[2-8]00 rpm$/);
  await expect(page.locator('#hidden-items')).toHaveText('HeaterState, TurboPressure');

  await expect(page.locator('#title [data-text]')).toHaveText('Demo function test');
  await expect(page.locator('#text-list dd'))
    .toContainText(['Texts of origin Q are stored under the prefix C3P_.']);
  await expect(page.locator('#file-notice')).toHaveText(/^This notice is stored scrambled/);
  await expect(page.locator('#file-workshop')).toHaveText('Demo Garage, Lyon');
  await expect(page.locator('#file-limits')).toHaveText('BatteryVoltage between 11.8 and 14.8 V');
});

test('the sequence passes when the pump is heard, and fails at step 4 when not', async ({ page }) => {
  await page.click('#run-sequence');
  await page.click('#step-pump-heard button.yes');
  await expect(page.locator('#step-window-open .result'))
    .toHaveText('OpenWindow sent, waiting for its answer…');
  await expect(page.locator('#overall')).toHaveText('PASS: all 9 steps passed', { timeout: SEQUENCE_MS });
  await expect(page.locator('#steps .result')).toHaveText([
    'VIN DEMOVIN0000000042, software DEMO-2.4.1',
    '12.60 V (limits 11.8 to 14.8 V)',
    'status 0, PumpState Running',
    'technician: yes',
    'status 0, DoorState Closed',
    /^status 0, WindowState Open after \d+\.\d s$/,
    'status 0, WindowState Closed',
    'status 0',
    'status 0, PumpState Off',
  ]);

  await test.info().attach('the demo after a passed sequence', {
    body: await page.screenshot({ fullPage: true }), contentType: 'image/png' });

  await page.click('#run-sequence');
  await page.click('#step-pump-heard button.no');
  await expect(page.locator('#overall')).toHaveText('FAIL: step 4 of 9 failed', { timeout: SEQUENCE_MS });
  await expect(verdicts(page)).toHaveText(['PASS', 'PASS', 'PASS', 'FAIL', 'PASS', 'PASS', 'PASS',
                                           'PASS', 'PASS']);
});

test('the ECU changed through the panel fails the steps that see it', async ({ page, ft }) => {
  ft.allow(/error status was returned from Diag Services: -14/);
  await ft.ecu.refuse('StartPump', -14);
  await ft.ecu.set('BatteryVoltage', 10.5);
  await expect(page.locator(`${row('BatteryVoltage')} .text`)).toHaveText('10.50 V');

  await page.click('#run-sequence');
  await expect(page.locator('#step-pump-on .result')).toHaveText('VCI DISCONNECTED');
  await page.click('#step-pump-heard button.yes');
  await expect(page.locator('#overall')).toHaveText('FAIL: step 2, 3 of 9 failed', { timeout: SEQUENCE_MS });
  await expect(verdicts(page)).toHaveText(['PASS', 'FAIL', 'FAIL', 'PASS', 'PASS', 'PASS', 'PASS',
                                           'PASS', 'PASS']);
  expect(ft.statusWords()).toContain('VCI DISCONNECTED');
});

test('every status word shows as a failure and in the problem panel', async ({ page, ft }) => {
  ft.allow(/error status was returned from Diag Services/, /Error getting value for State: GearState/);
  for (const [button, output, word] of [
    ['button[data-command="Bleed"]', '#cmd-Bleed output', 'TIMEOUT'],
    ['button[data-command="Calibrate"]', '#cmd-Calibrate output', 'VCI DISCONNECTED'],
    ['button[data-command="Program"]', '#cmd-Program output', 'INVALID QUERY'],
    ['#read-gear', '#read-GearState output', 'UNKNOWN'],
  ]) {
    await page.click(button);
    await expect(page.locator(output)).toHaveText(word);
    await expect(page.locator(output)).toHaveClass('status failed');
  }
  expect(ft.statusWords()).toEqual(['TIMEOUT', 'VCI DISCONNECTED', 'INVALID QUERY', 'UNKNOWN']);
  await expect(page.locator('#ft-problems li')).toContainText([
    'failed command: sendQuery query=Bleed: TIMEOUT',
    'failed command: readSignal names=GearState types=State: UNKNOWN',
  ]);
});

test('the raw-frame box says why it refuses an input, and splits an answer', async ({ page }) => {
  for (const [input, problem] of [
    ['', 'Enter a request frame in hexadecimal, e.g. 22F190.'],
    ['22F19', '5 digits: a frame is whole bytes, two digits each.'],
    ['22 F1 90', 'A blank at position 3 is not a hexadecimal digit (0-9, A-F); write the ' +
                 'bytes without separators.'],
    ['0x22F190', '"x" at position 2 is not a hexadecimal digit (0-9, A-F); write the bytes ' +
                 'without separators.'],
  ]) {
    await page.fill('#frame', input);
    await expect(page.locator('#frame-problem')).toHaveText(problem);
    await expect(page.locator('#frame-form button')).toBeDisabled();
  }
  await page.fill('#frame', '22f190');
  await page.click('#frame-form button');
  await expect(page.locator('#frame-response')).toHaveText('62F19044454D4F56494E30303030303030303432');
  await expect(page.locator('#frame-header'))
    .toHaveText('62 F1 90: positive response to 22 F1 90; 17 data bytes');
  await expect(page.locator('#frame-dump tbody tr')).toHaveText([
    '0044 45 4D 4F 56 49 4E 30DEMOVIN0',
    '0830 30 30 30 30 30 30 3400000004',
    '10322',
  ]);
});

test('the note file round-trips through the ATWS folder', async ({ page, ft }) => {
  const note = 'Tyres: 2.4 bar & 100% ok? a=b; "quoted" #7 + x/y \'q\' ünïcødé €\nline 2';
  await page.fill('#note', note);
  await page.click('#note-save');
  await expect(page.locator('#note-status')).toHaveText('saved and read back');
  const file = path.join(ft.currentHost().dir, 'gui', 'ApplicationData', 'ATWS', 'demo-note.txt');
  expect(fs.readFileSync(file, 'utf8')).toBe(note);
  await page.fill('#note', '');
  await page.click('#note-load');
  await expect(page.locator('#note-status')).toHaveText('loaded');
  await expect(page.locator('#note')).toHaveValue(note);
});

test('long values wrap inside their cards at 1024 and 1280 px', async ({ page }) => {
  for (const width of [1024, 1280]) {
    await page.setViewportSize({ width, height: 800 });
    expect(await page.$$eval('main > section, body', (elements) => elements
      .filter((e) => e.scrollWidth > e.clientWidth + 1)
      .map((e) => `${e.id || e.tagName} ${e.scrollWidth} > ${e.clientWidth}`)), `at ${width} px`)
      .toEqual([]);
  }
});

test('the problem panel lists a script error and a refused command', async ({ page, ft }) => {
  // The server logs why it refused the request.
  ft.allow(/noSuchFunction is not defined/, /readSignal\?names=PumpState: HTTP 404/,
           /parameter types missing|checkParameter fails|processRequest failed/);
  await page.addScriptTag({ content: 'setTimeout(function () { noSuchFunction(); });' });
  const refused = await page.evaluate(() => window.ft.call('readSignal', { names: 'PumpState' })
    .then(() => 'answered', (e) => e.message));
  expect(refused).toBe('readSignal names=PumpState: REFUSED (HTTP 404)');
  await expect(page.locator('#ft-problems li')).toContainText([
    'script error: Uncaught ReferenceError: noSuchFunction is not defined',
    'failed command: readSignal names=PumpState: REFUSED (HTTP 404)',
  ]);
  // The refusal asks the host to stop the scenario.
  await expect.poll(() => ft.stopEvents()).toBe(1);
});

test('ending the scenario reaches the host and disables every control', async ({ page, ft }) => {
  await page.click('#end');
  await expect(page.locator('#end-status')).toHaveText('scenario ended');
  await ft.expectEnd();
  await expect(page.locator('main button:enabled, main input:enabled, main textarea:enabled, ' +
                            'footer button:enabled')).toHaveCount(0);
  expect(ft.endRequests()).toBe(1);
});
