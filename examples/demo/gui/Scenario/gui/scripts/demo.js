/*
 * demo.js: the scenario of the demo page (demo.html), written against the API of
 * /Scripts/init.js. init() calls scenarioMain(ft) once the page has loaded.
 */
'use strict';

var NOTE_FILE = 'demo-note.txt';
var POLL_MS = 1000;
var livePoll = null;

function $(selector) {
  return document.querySelector(selector);
}

// Shows an outcome in an <output class="status">: a result, or the word of a failure.
function showOutcome(output, text, failed) {
  output.textContent = text;
  output.classList.toggle('ok', !failed);
  output.classList.toggle('failed', !!failed);
  output.dataset.word = failed ? text : '';
}

function showPending(output) {
  output.textContent = '…';
  output.classList.remove('ok', 'failed');
  output.dataset.word = '';
}

function failureWord(ft, error) {
  return error instanceof ft.FtError ? error.word : error.name + ': ' + error.message;
}

function banner(text) {
  var b = $('#banner');
  b.textContent = text;
  b.hidden = !text;
}

async function showTexts(ft) {
  var nodes = Array.prototype.slice.call(document.querySelectorAll('[data-text]'));
  var codes = nodes.map(function (n) { return n.dataset.text; });
  var texts = await ft.getTexts(codes, 'K');
  nodes.forEach(function (n, i) { if (texts[i]) n.textContent = texts[i]; });

  var hint = await ft.getTexts(['DEMO_HINT'], 'Q');
  var list = $('#text-list');
  codes.map(function (c, i) { return [c + ' (K)', texts[i]]; })
    .concat([['DEMO_HINT (Q)', hint[0]]])
    .forEach(function (pair) {
      var dt = document.createElement('dt');
      var dd = document.createElement('dd');
      dt.textContent = pair[0];
      dd.textContent = pair[1];
      list.append(dt, dd);
    });
}

// Hides the rows whose mask does not apply; answers the rows left.
async function applicableRows(ft) {
  var rows = Array.prototype.slice.call(document.querySelectorAll('#live tbody tr'));
  var items = rows.map(function (r) { return { name: r.dataset.name, type: r.dataset.type }; });
  try {
    var applies = await ft.isApplicable(items);
    var hidden = [];
    rows.forEach(function (row, i) {
      row.hidden = !applies[i];
      if (!applies[i]) hidden.push(row.dataset.name);
    });
    $('#hidden-items').textContent = hidden.join(', ') || 'none';
    return rows.filter(function (r, i) { return applies[i]; });
  } catch (e) {
    // Without an answer every row stays: better a value too many than one missing.
    $('#hidden-items').textContent = 'unknown (' + failureWord(ft, e) + ')';
    return rows;
  }
}

function startLiveValues(ft, rows) {
  var items = rows.map(function (r) { return { name: r.dataset.name, type: r.dataset.type }; });
  var count = 0;
  livePoll = ft.every(POLL_MS, async function () {
    try {
      var values = await ft.readSignals(items);
      values.forEach(function (v, i) {
        var row = rows[i];
        var unit = row.dataset.unit ? ' ' + row.dataset.unit : '';
        row.querySelector('.text').textContent = v.text + unit;
        row.querySelector('.value').textContent = v.value;
        row.classList.remove('stale');
        if (row.dataset.min !== undefined) {
          var x = Number(v.value);
          row.classList.toggle('out-of-range', x < row.dataset.min || x > row.dataset.max);
        }
      });
      banner('');
      $('#live-count').textContent = String(++count);
    } catch (e) {
      rows.forEach(function (r) { r.classList.add('stale'); });
      banner('Live values: ' + failureWord(ft, e));
    }
  });
}

function wireCommands(ft) {
  document.querySelectorAll('button[data-command]').forEach(function (button) {
    button.addEventListener('click', async function () {
      var output = button.closest('tr').querySelector('output');
      showPending(output);
      try {
        var status = await ft.runCommand(button.dataset.command, button.dataset.input);
        showOutcome(output, 'status ' + status, status !== 0);
      } catch (e) {
        showOutcome(output, failureWord(ft, e), true);
      }
    });
  });

  $('#read-gear').addEventListener('click', async function () {
    var output = $('#read-GearState output');
    try {
      var v = await ft.readSignals([{ name: 'GearState', type: 'State' }]);
      showOutcome(output, v[0].text);
    } catch (e) {
      showOutcome(output, failureWord(ft, e), true);
    }
  });
}

function asciiOf(hex) {
  var text = '';
  for (var i = 0; i + 1 < hex.length; i += 2) {
    var code = parseInt(hex.substr(i, 2), 16);
    text += code >= 32 && code < 127 ? String.fromCharCode(code) : '.';
  }
  return text;
}

function wireRawFrame(ft) {
  $('#frame-form').addEventListener('submit', async function (event) {
    event.preventDefault();
    var output = $('#frame-response');
    $('#frame-ascii').textContent = '';
    try {
      var response = await ft.sendRawFrame($('#frame').value.trim().toUpperCase());
      showOutcome(output, response);
      $('#frame-ascii').textContent = '"' + asciiOf(response) + '"';
    } catch (e) {
      showOutcome(output, failureWord(ft, e), true);
    }
  });
}

function wireNote(ft) {
  var status = $('#note-status');
  $('#note-name').textContent = NOTE_FILE;
  $('#note-save').addEventListener('click', async function () {
    var text = $('#note').value;
    try {
      if (text === '') {
        await ft.deleteFile(NOTE_FILE);
        showOutcome(status, 'empty note: file deleted');
        return;
      }
      await ft.writeFile(NOTE_FILE, text);
      // The server does not report a failed write: reading back is the only proof.
      var back = await ft.readFile(NOTE_FILE);
      showOutcome(status, back === text ? 'saved and read back' : 'saved, but reads back differently',
                  back !== text);
    } catch (e) {
      showOutcome(status, failureWord(ft, e), true);
    }
  });
  $('#note-load').addEventListener('click', async function () {
    try {
      if (!(await ft.fileExists(NOTE_FILE))) {
        showOutcome(status, 'no note yet');
        return;
      }
      $('#note').value = await ft.readFile(NOTE_FILE);
      showOutcome(status, 'loaded');
    } catch (e) {
      showOutcome(status, failureWord(ft, e), true);
    }
  });
  $('#note-delete').addEventListener('click', async function () {
    try {
      showOutcome(status, (await ft.deleteFile(NOTE_FILE)) ? 'deleted' : 'nothing to delete');
    } catch (e) {
      showOutcome(status, failureWord(ft, e), true);
    }
  });
}

// The first element named `tag` of an XML text, or null.
function xmlElement(xmlText, tag) {
  if (!xmlText) return null;
  var doc = new DOMParser().parseFromString(xmlText, 'application/xml');
  return doc.getElementsByTagName(tag)[0] || null;
}

async function showFiles(ft) {
  var welcome = await ft.readFile('welcome.txt');
  $('#file-welcome').textContent = welcome || '(missing)';
  var notice = await ft.readFile('notice.txtc');
  $('#file-notice').textContent = notice || '(missing)';

  var workshop = xmlElement(await ft.readXmlFile('workshop.xml', 'MWExt'), 'workshop');
  $('#file-workshop').textContent = workshop
    ? workshop.getAttribute('name') + ', ' + workshop.getAttribute('city')
    : '(missing)';

  var limit = xmlElement(await ft.readXmlFile('DEMO_limits.xml', 'ECUSpec'), 'limit');
  if (!limit) {
    $('#file-limits').textContent = '(missing)';
    return;
  }
  var min = Number(limit.getAttribute('min'));
  var max = Number(limit.getAttribute('max'));
  $('#file-limits').textContent =
      limit.getAttribute('name') + ' between ' + min + ' and ' + max + ' ' + limit.getAttribute('unit');
  var row = document.querySelector('tr[data-name="' + limit.getAttribute('name') + '"]');
  if (row) {
    row.dataset.min = min;
    row.dataset.max = max;
  }
}

function wireEnd(ft) {
  $('#end').addEventListener('click', endFT);
}

// Ends the scenario; in development mode a focus on the title calls it too.
async function endFT() {
  var output = $('#end-status');
  if (document.body.classList.contains('ended')) return;
  if (livePoll) livePoll.stop();
  try {
    await ft.endScenario();
    document.body.classList.add('ended');
    showOutcome(output, 'scenario ended');
  } catch (e) {
    showOutcome(output, failureWord(ft, e), true);
  }
}

async function scenarioMain(ft) {
  wireCommands(ft);
  wireRawFrame(ft);
  wireNote(ft);
  wireEnd(ft);
  var rows = await applicableRows(ft);
  startLiveValues(ft, rows);
  try {
    await showTexts(ft);
    await showFiles(ft);
  } catch (e) {
    banner(failureWord(ft, e));
  }
  document.body.classList.add('ready');
}
