/*
 * __NAME__.js: the scenario, written against the API of /Scripts/init.js (see
 * docs/scenario-authors.md). init() calls scenarioMain(ft) once the page has loaded.
 */
'use strict';

var poll = null;

function $(selector) {
  return document.querySelector(selector);
}

function wordOf(ft, error) {
  return error instanceof ft.FtError ? error.word : error.message;
}

// Shows every row's display form once a second.
function showValues(ft) {
  var rows = Array.prototype.slice.call(document.querySelectorAll('#values tr'));
  var items = rows.map(function (r) { return { name: r.dataset.name, type: r.dataset.type }; });
  poll = ft.every(1000, async function () {
    var values = await ft.readSignals(items);
    values.forEach(function (v, i) {
      var unit = rows[i].dataset.unit ? ' ' + rows[i].dataset.unit : '';
      rows[i].querySelector('.text').textContent = v.text + unit;
    });
  });
}

// One step: run the command, read back what it should have changed, give a verdict.
async function switchLampOn(ft) {
  $('#result').textContent = '…';
  $('#verdict').textContent = '';
  try {
    var status = await ft.runCommand('SwitchLampOn');
    var lamp = (await ft.readSignals([{ name: 'LampState', type: 'State' }]))[0];
    $('#result').textContent = 'status ' + status + ', lamp ' + lamp.text;
    $('#verdict').textContent = status === 0 && lamp.value === '1' ? 'PASS' : 'FAIL';
  } catch (e) {
    $('#result').textContent = wordOf(ft, e);
    $('#verdict').textContent = 'FAIL';
  }
}

// Ends the scenario; in development mode a focus on the title calls it too.
async function endFT() {
  if (document.body.classList.contains('ended')) return;
  if (poll) poll.stop();
  try {
    await ft.endScenario();
    document.body.classList.add('ended');
    document.querySelectorAll('main button, footer button').forEach(function (b) {
      b.disabled = true;
    });
    $('#end-status').textContent = 'scenario ended';
  } catch (e) {
    $('#end-status').textContent = wordOf(ft, e);
  }
}

async function scenarioMain(ft) {
  $('#run').addEventListener('click', function () { switchLampOn(ft); });
  $('#end').addEventListener('click', endFT);
  var title = $('#title');
  title.textContent = (await ft.getTexts([title.dataset.text]))[0] || title.textContent;
  showValues(ft);
}
