// Checks of the scenario __NAME__, run by `./ft suite` (Playwright Test with the ft fixture,
// described in docs/scenario-authors.md under "Testing your scenario").
import { test, expect } from '__FIXTURE__';

test.beforeEach(async ({ page, ft }) => {
  // Its own ft-host on free ports for this file's folder.
  await ft.host({ data: '__NAME__.xml' });
  await ft.open(page);
  await expect(page.locator('#values .text').first()).not.toBeEmpty();
});

test('switching the lamp on passes, and the scenario ends', async ({ page, ft }) => {
  await page.click('#run');
  await expect(page.locator('#verdict')).toHaveText('PASS');
  await expect(page.locator('#result')).toHaveText('status 0, lamp On');
  await page.click('#end');
  await ft.expectEnd();
  expect(ft.statusWords()).toEqual([]);
});

test('a refused command fails the step with its status word', async ({ page, ft }) => {
  // The server logs a warning for every refused query: expected here.
  ft.allow(/error status was returned from Diag Services: -14/);
  await ft.ecu.refuse('SwitchLampOn', -14);
  await page.click('#run');
  await expect(page.locator('#verdict')).toHaveText('FAIL');
  await expect(page.locator('#result')).toHaveText('VCI DISCONNECTED');
});
