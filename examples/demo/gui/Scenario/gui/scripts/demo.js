/*
 * demo.js: the scenario of the demo page (demo.html), written against the API of
 * /Scripts/init.js. init() calls scenarioMain(ft) once the page has loaded.
 */
'use strict';

var NOTE_FILE = 'demo-note.txt';
// The window takes two seconds to start and a few more to open.
var WINDOW_OPEN_MS = 10000;
var WAIT_POLL_MS = 250;
var POLL_MS = 1000;
var livePoll = null;
// Battery limits from DEMO_limits.xml, once read.
var limits = {};

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

// --- the test sequence -------------------------------------------------------------------------

function passIf(pass, text) {
  return { pass: !!pass, text: text };
}

// Runs a command, then reads the item it should have changed.
function commandStep(command, input, item, type, expectedValue) {
  return async function (ft) {
    var status = await ft.runCommand(command, input);
    if (status !== 0) return passIf(false, 'status ' + status);
    if (!item) return passIf(true, 'status 0');
    var read = (await ft.readSignals([{ name: item, type: type }]))[0];
    return passIf(read.value === expectedValue, 'status 0, ' + item + ' ' + read.text);
  };
}

// Reads the item until it has the value or `ms` have passed; answers the last read.
async function waitForValue(ft, item, value, ms, progress) {
  var end = Date.now() + ms;
  for (;;) {
    var read = (await ft.readSignals([item]))[0];
    if (read.value === value || Date.now() >= end) return read;
    progress(item.name + ' ' + read.text + '…');
    await new Promise(function (resolve) { setTimeout(resolve, WAIT_POLL_MS); });
  }
}

// A technician's answer: resolves once Yes or No is clicked in the step's row.
function askTechnician(row, question) {
  var cell = row.querySelector('.result');
  cell.textContent = question + ' ';
  return new Promise(function (resolve) {
    [['Yes', true], ['No', false]].forEach(function (pair) {
      var button = document.createElement('button');
      button.textContent = pair[0];
      button.className = pair[0].toLowerCase();
      button.addEventListener('click', function () {
        resolve(passIf(pair[1], 'technician: ' + pair[0].toLowerCase()));
      });
      cell.appendChild(button);
    });
  });
}

var STEPS = [
  {
    id: 'identify', title: 'Identify the ECU', expected: 'a VIN of 17 characters',
    run: async function (ft) {
      var ids = await ft.readSignals([{ name: 'VIN', type: 'Identification' },
                                      { name: 'SoftwareVersion', type: 'Identification' }]);
      return passIf(ids[0].value.length === 17, 'VIN ' + ids[0].text + ', software ' + ids[1].text);
    }
  },
  {
    id: 'battery', title: 'Battery voltage', expected: 'within the ECU\'s limits',
    run: async function (ft) {
      var v = (await ft.readSignals([{ name: 'BatteryVoltage', type: 'Parameter' }]))[0];
      var limit = limits.BatteryVoltage;
      if (!limit) return passIf(false, v.text + ' V, but DEMO_limits.xml gives no limits');
      var x = Number(v.value);
      return passIf(x >= limit.min && x <= limit.max,
                    v.text + ' V (limits ' + limit.min + ' to ' + limit.max + ' V)');
    }
  },
  {
    id: 'pump-on', title: 'Start the pump', expected: 'status 0, pump running',
    run: commandStep('StartPump', undefined, 'PumpState', 'State', '1')
  },
  {
    id: 'pump-heard', title: 'Listen to the pump', expected: 'the pump is heard running',
    manual: 'Do you hear the pump?'
  },
  {
    id: 'door', title: 'Close the door', expected: 'status 0, door closed',
    run: commandStep('CloseDoor', undefined, 'DoorState', 'State', '0')
  },
  {
    id: 'window-open', title: 'Open the window', expected: 'window open within 10 s',
    run: async function (ft, progress) {
      var started = Date.now();
      progress('OpenWindow sent, waiting for its answer…');
      var status = await ft.runCommand('OpenWindow');
      if (status !== 0) return passIf(false, 'status ' + status);
      var state = await waitForValue(ft, { name: 'WindowState', type: 'State' }, '2',
                                     WINDOW_OPEN_MS, progress);
      return passIf(state.value === '2', 'status 0, WindowState ' + state.text + ' after ' +
                    ((Date.now() - started) / 1000).toFixed(1) + ' s');
    }
  },
  {
    id: 'window-close', title: 'Close the window', expected: 'status 0, window closed',
    run: commandStep('CloseWindow', undefined, 'WindowState', 'State', '0')
  },
  {
    id: 'self-test', title: 'Self test, level 3', expected: 'status 0',
    run: commandStep('SelfTest', 3)
  },
  {
    id: 'pump-off', title: 'Stop the pump', expected: 'status 0, pump off',
    run: commandStep('StopPump', undefined, 'PumpState', 'State', '0')
  }
];

function buildSteps() {
  var body = $('#steps');
  STEPS.forEach(function (step, i) {
    var row = document.createElement('tr');
    row.id = 'step-' + step.id;
    [String(i + 1), step.title, step.expected, '', ''].forEach(function (text, column) {
      var cell = document.createElement('td');
      cell.textContent = text;
      cell.className = ['number', 'title', 'expected', 'result', 'verdict'][column];
      row.appendChild(cell);
    });
    body.appendChild(row);
  });
}

function showVerdict(element, verdict, text) {
  element.dataset.verdict = verdict;
  element.textContent = text;
}

// Runs every step in order; a failed step does not stop the ones after it.
async function runSequence(ft) {
  var button = $('#run-sequence');
  button.disabled = true;
  STEPS.forEach(function (step) {
    var row = $('#step-' + step.id);
    row.querySelector('.result').textContent = '';
    showVerdict(row.querySelector('.verdict'), 'none', '');
  });
  showVerdict($('#overall'), 'running', 'Running…');
  var failed = [];
  for (var i = 0; i < STEPS.length; i++) {
    var step = STEPS[i];
    var row = $('#step-' + step.id);
    var verdictCell = row.querySelector('.verdict');
    row.scrollIntoView({ block: 'nearest' });
    showVerdict(verdictCell, 'running', step.manual ? 'waiting' : '…');
    var outcome;
    var progress = function (text) { row.querySelector('.result').textContent = text; };
    try {
      outcome = step.manual ? await askTechnician(row, step.manual) : await step.run(ft, progress);
    } catch (e) {
      outcome = passIf(false, failureWord(ft, e));
    }
    if (document.body.classList.contains('ended')) return;
    row.querySelector('.result').textContent = outcome.text;
    showVerdict(verdictCell, outcome.pass ? 'pass' : 'fail', outcome.pass ? 'PASS' : 'FAIL');
    if (!outcome.pass) failed.push(i + 1);
  }
  showVerdict($('#overall'), failed.length ? 'fail' : 'pass', failed.length
      ? 'FAIL: step ' + failed.join(', ') + ' of ' + STEPS.length + ' failed'
      : 'PASS: all ' + STEPS.length + ' steps passed');
  button.textContent = 'Run again';
  button.disabled = false;
}

// --- live values, texts, files -----------------------------------------------------------------

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
        var limit = limits[row.dataset.name];
        if (limit) {
          var x = Number(v.value);
          row.classList.toggle('out-of-range', x < limit.min || x > limit.max);
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

function wireStatusWords(ft) {
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

// --- raw frames --------------------------------------------------------------------------------

// Why a request frame cannot be sent, or '' when it can.
function frameProblem(text) {
  if (text === '') return 'Enter a request frame in hexadecimal, e.g. 22F190.';
  var bad = text.search(/[^0-9A-Fa-f]/);
  if (bad >= 0) {
    var c = text.charAt(bad);
    return (c === ' ' ? 'A blank' : '"' + c + '"') + ' at position ' + (bad + 1) +
        ' is not a hexadecimal digit (0-9, A-F); write the bytes without separators.';
  }
  if (text.length % 2 !== 0) {
    return text.length + ' digits: a frame is whole bytes, two digits each.';
  }
  return '';
}

function bytesOf(hex) {
  var bytes = [];
  for (var i = 0; i + 1 < hex.length; i += 2) bytes.push(parseInt(hex.substr(i, 2), 16));
  return bytes;
}

function hex2(b) {
  return (b < 16 ? '0' : '') + b.toString(16).toUpperCase();
}

// Splits a response into the part that answers the request (positive response code and the
// request bytes it repeats, or a negative response) and the data bytes.
function splitResponse(requestHex, responseHex) {
  var request = bytesOf(requestHex);
  var response = bytesOf(responseHex);
  if (response[0] === 0x7F && response.length >= 3) {
    return { header: response, data: [],
             note: 'negative response to service ' + hex2(response[1]) + ', code ' + hex2(response[2]) };
  }
  if (request.length === 0 || response[0] !== request[0] + 0x40) {
    return { header: [], data: response, note: 'not a positive response to ' + hex2(request[0]) };
  }
  var echoed = 1;
  while (echoed < request.length && echoed < response.length && response[echoed] === request[echoed]) {
    echoed++;
  }
  return { header: response.slice(0, echoed), data: response.slice(echoed),
           note: 'positive response to ' + request.slice(0, echoed).map(hex2).join(' ') };
}

function showDump(parts) {
  var dump = $('#frame-dump');
  var body = dump.querySelector('tbody');
  body.textContent = '';
  $('#frame-header').textContent = parts.header.map(hex2).join(' ') +
      (parts.header.length ? ': ' : '') + parts.note + '; ' + parts.data.length + ' data bytes';
  for (var offset = 0; offset < parts.data.length; offset += 8) {
    var line = parts.data.slice(offset, offset + 8);
    var row = document.createElement('tr');
    [hex2(offset), line.map(hex2).join(' '), line.map(function (b) {
      return b >= 32 && b < 127 ? String.fromCharCode(b) : '.';
    }).join('')].forEach(function (text) {
      var cell = document.createElement('td');
      cell.textContent = text;
      row.appendChild(cell);
    });
    body.appendChild(row);
  }
  dump.hidden = parts.data.length === 0;
}

function wireRawFrame(ft) {
  var input = $('#frame');
  var send = $('#frame-form button');
  function check() {
    var problem = frameProblem(input.value.trim());
    $('#frame-problem').textContent = problem;
    input.setAttribute('aria-invalid', problem ? 'true' : 'false');
    send.disabled = !!problem || document.body.classList.contains('ended');
    return problem;
  }
  input.addEventListener('input', check);
  $('#frame-form').addEventListener('submit', async function (event) {
    event.preventDefault();
    if (check()) return;
    var output = $('#frame-response');
    var request = input.value.trim().toUpperCase();
    $('#frame-header').textContent = '';
    $('#frame-dump').hidden = true;
    showPending(output);
    try {
      var response = await ft.sendRawFrame(request);
      showOutcome(output, response);
      showDump(splitResponse(request, response));
    } catch (e) {
      showOutcome(output, failureWord(ft, e), true);
    }
  });
  check();
}

// --- note file ---------------------------------------------------------------------------------

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
  limits[limit.getAttribute('name')] = { min: min, max: max };
}

// --- the end -----------------------------------------------------------------------------------

// Ends the scenario; in development mode a focus on the title calls it too.
async function endFT() {
  var output = $('#end-status');
  if (document.body.classList.contains('ended')) return;
  if (livePoll) livePoll.stop();
  try {
    await ft.endScenario();
    document.body.classList.add('ended');
    // Nothing may reach the ECU once the scenario is over.
    document.querySelectorAll('main button, main input, main textarea, footer button')
      .forEach(function (control) { control.disabled = true; });
    showOutcome(output, 'scenario ended');
    banner('The scenario has ended: reload the page to start again.');
  } catch (e) {
    showOutcome(output, failureWord(ft, e), true);
  }
}

async function scenarioMain(ft) {
  buildSteps();
  $('#run-sequence').addEventListener('click', function () { runSequence(ft); });
  wireStatusWords(ft);
  wireRawFrame(ft);
  wireNote(ft);
  $('#end').addEventListener('click', endFT);
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
