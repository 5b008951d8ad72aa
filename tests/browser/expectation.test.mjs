// How `./ft check --expect SELECTOR=TEXT` is read: where the selector ends, substring or regex.
import assert from 'node:assert/strict';
import test from 'node:test';
import { parseExpectation } from './check.mjs';

test('an expectation splits at the first = outside brackets and quotes', () => {
  for (const [written, selector, text, shown, met] of [
    ['#verdict=PASS', '#verdict', 'PASS', 'PASS', true],
    ['#verdict=PASS', '#verdict', 'PASS', 'FAIL: step 4 of 9 failed', false],
    ['#overall=PASS', '#overall', 'PASS', 'PASS: all 9 steps passed', true],
    ['button[data-command="Bleed"]=TIMEOUT', 'button[data-command="Bleed"]', 'TIMEOUT', 'TIMEOUT', true],
    ["td[title='a=b'] span=x=1", "td[title='a=b'] span", 'x=1', 'x=1', true],
    ['li:has(a[href="/x?y=1"])=ok', 'li:has(a[href="/x?y=1"])', 'ok', 'ok', true],
    ['#overall=/^PASS: all \\d+ steps passed$/', '#overall', '/^PASS: all \\d+ steps passed$/',
     'PASS: all 9 steps passed', true],
    ['#overall=/^PASS/', '#overall', '/^PASS/', 'Running…', false],
    ['#word=/timeout/i', '#word', '/timeout/i', 'TIMEOUT', true],
    ['#empty=', '#empty', '', 'anything', true],
  ]) {
    const e = parseExpectation(written);
    assert.deepEqual([e.selector, e.text, e.matches(shown)], [selector, text, met], written);
  }
});

test('an expectation without a selector or with a bad regex is refused', () => {
  for (const [written, message] of [
    ['#verdict', /write SELECTOR=TEXT/],
    ['=PASS', /write SELECTOR=TEXT/],
    ['a[x="="]', /write SELECTOR=TEXT/],
    ['#verdict=/(/', /Invalid regular expression/],
  ]) {
    assert.match(parseExpectation(written).error ?? '', message, written);
  }
});
