/*
 * init.js: the JavaScript API of the function-test GUI.
 *
 * The FT server injects this file into every scenario page it serves with /FT and sets
 * window.onload = init. init() calls the page's own scenarioMain(ft) when the page defines one,
 * so a page never assigns window.onload itself.
 *
 * Every call of the API returns a Promise. Failures reject with an ft.FtError whose `word` is
 * either a status word of the server ("UNKNOWN", "TIMEOUT", "VCI DISCONNECTED",
 * "INVALID QUERY") or one of this API's own words:
 *   "REFUSED"   the server answered 404: it refused the command's parameters, and it has
 *               asked the host to stop the scenario (the checks below prevent this);
 *   "NO SERVER" the request did not get an answer at all;
 *   "BAD REPLY" the answer could not be read as the command's answer.
 * Its message names the command, its parameters and the word:
 *   "sendQuery query=Bleed: TIMEOUT".
 * Arguments that cannot be sent safely reject with a TypeError before anything is sent.
 *
 * In development mode (the server then marks the title div, see developmentMode below) a
 * panel at the bottom of the page lists every uncaught script error and every failed command,
 * so that a mistake never leaves a silent, empty page.
 *
 * The server does not percent-decode names and values: a name reaches it exactly as written.
 * That is why names (signals, commands, files, text codes, raw frames) are limited to the
 * characters of SAFE_NAME below; only the content of writeFile is percent-encoded, and the
 * server decodes it.
 */
(function (global) {
  'use strict';

  var STATUS_WORDS = ['UNKNOWN', 'TIMEOUT', 'VCI DISCONNECTED', 'INVALID QUERY'];
  var KINDS = ['State', 'Parameter', 'Identification'];
  // No separator of the server ('?', '&', '=', ';'), nothing it strips ('"'), nothing the
  // browser would escape or cut ('#', '%', blanks, quotes, non-ASCII).
  var SAFE_NAME = /^[A-Za-z0-9_.\-\/:,+~()\[\]@!*$]+$/;
  // The server drops a request whose line grows beyond 1 MiB (1,048,576 bytes); this leaves
  // room for the rest of the URL.
  var MAX_ENCODED_CONTENT = 1000000;

  /**
   * A failed API call. `word` tells what failed, `command` which URL command was sent and
   * `params` with which parameters ({name: value}).
   * @constructor
   */
  function FtError(word, command, detail, params) {
    this.name = 'FtError';
    this.word = word;
    this.command = command;
    this.params = params || {};
    this.detail = detail || '';
    this.message = commandText(command, this.params) + ': ' + word + (detail ? ' (' + detail + ')' : '');
    this.stack = new Error(this.message).stack;
  }
  FtError.prototype = Object.create(Error.prototype);
  FtError.prototype.constructor = FtError;

  // "sendQuery query=Bleed param=3": what was sent, readable, long contents cut.
  function commandText(command, params) {
    var parts = [command];
    Object.keys(params || {}).forEach(function (key) {
      var value = String(params[key]);
      parts.push(key + '=' + (value.length > 60 ? value.slice(0, 57) + '...' : value));
    });
    return parts.join(' ');
  }

  function checkName(what, value) {
    if (typeof value !== 'string' || !SAFE_NAME.test(value)) {
      throw new TypeError(what + ' "' + value + '" is empty or holds a character the server ' +
                          'cannot take as is');
    }
    return value;
  }

  function checkItems(items) {
    if (!Array.isArray(items)) throw new TypeError('items must be an array of {name, type}');
    items.forEach(function (item) {
      checkName('signal name', item && item.name);
      if (KINDS.indexOf(item.type) < 0) {
        throw new TypeError('signal type "' + item.type + '" is none of ' + KINDS.join(', '));
      }
    });
  }

  // A failed command, shown in development mode and handed to the caller.
  function failure(word, command, params, detail) {
    var error = new FtError(word, command, detail, params);
    problems.add('failed command', error.message);
    return error;
  }

  // Sends one URL command and resolves with the answer's body text.
  async function send(command, params) {
    params = params || {};
    var query = Object.keys(params).map(function (key) {
      return key + '=' + params[key];
    }).join('&');
    var response;
    try {
      response = await fetch('/' + command + (query ? '?' + query : ''), { cache: 'no-store' });
    } catch (e) {
      throw failure('NO SERVER', command, params, e.message);
    }
    if (!response.ok) throw failure('REFUSED', command, params, 'HTTP ' + response.status);
    return response.text();
  }

  function statusWordOf(body) {
    return STATUS_WORDS.indexOf(body) >= 0 ? body : null;
  }

  // Sends the command; a status word for an answer rejects.
  async function sendChecked(command, params) {
    var body = await send(command, params);
    var word = statusWordOf(body);
    if (word) throw failure(word, command, params);
    return body;
  }

  // Sends command about the data items: its answer holds perItem fields for each item, in order.
  async function askAboutItems(command, items, perItem) {
    checkItems(items);
    if (items.length === 0) return [];
    var params = {
      names: items.map(function (i) { return i.name; }).join(';'),
      types: items.map(function (i) { return i.type; }).join(';')
    };
    var fields = (await sendChecked(command, params)).split(';');
    if (fields.length !== perItem * items.length) {
      throw failure('BAD REPLY', command, params, fields.length + ' fields');
    }
    return fields;
  }

  // Lists uncaught errors and failed commands on the page itself, in development mode only:
  // the same entry again counts up instead of piling up (a failing poll repeats every second).
  var problems = {
    enabled: false,
    entries: [],
    panel: null,

    add: function (kind, text) {
      var entry = this.entries.find(function (e) { return e.kind === kind && e.text === text; });
      if (entry) {
        entry.count++;
      } else {
        entry = { kind: kind, text: text, count: 1 };
        this.entries.push(entry);
      }
      if (kind === 'script error') console.error('[' + kind + '] ' + text);
      if (kind.indexOf('host ') === 0) console.warn('[' + kind + '] ' + text);
      this.render(kind === 'script error');
    },

    render: function (open) {
      if (!this.enabled || this.entries.length === 0 || !document.body) return;
      if (!this.panel) this.panel = buildPanel();
      var list = this.panel.querySelector('ol');
      list.textContent = '';
      this.entries.forEach(function (e) {
        var item = document.createElement('li');
        item.className = 'ft-problem';
        item.dataset.kind = e.kind;
        item.style.cssText = 'margin:2px 0;white-space:pre-wrap;overflow-wrap:anywhere;color:' +
            (e.kind === 'script error' ? '#ffb4ab' : e.kind === 'failed command' ? '#ffd479'
                                                                                : '#a8d8ff');
        item.textContent = e.kind + ': ' + e.text + (e.count > 1 ? '  (x' + e.count + ')' : '');
        list.appendChild(item);
      });
      var entries = this.entries;
      var count = function (test, word) {
        var n = entries.filter(function (e) { return test(e.kind); }).length;
        return n + ' ' + word + (n === 1 ? '' : 's');
      };
      var isHost = function (kind) { return kind.indexOf('host ') === 0; };
      this.panel.querySelector('.ft-problem-count').textContent =
          count(function (k) { return k === 'script error'; }, 'script error') + ', ' +
          count(function (k) { return k === 'failed command'; }, 'failed command') +
          (entries.some(function (e) { return isHost(e.kind); }) ? ', ' + count(isHost, 'host warning')
                                                                : '');
      this.panel.hidden = false;
      if (open) list.hidden = false;
    }
  };

  function buildPanel() {
    var panel = document.createElement('aside');
    panel.id = 'ft-problems';
    panel.setAttribute('role', 'log');
    panel.style.cssText = 'position:fixed;right:8px;bottom:8px;z-index:2147483647;' +
        'max-width:min(640px,calc(100vw - 16px));max-height:40vh;overflow:auto;' +
        'padding:6px 10px;font:12px/1.4 monospace;color:#fff;background:rgba(32,20,20,0.94);' +
        'border-radius:4px;box-shadow:0 2px 8px rgba(0,0,0,0.4)';
    var head = document.createElement('div');
    head.style.cssText = 'display:flex;gap:8px;align-items:center;font-weight:bold';
    var title = document.createElement('span');
    title.textContent = 'Development mode:';
    var count = document.createElement('span');
    count.className = 'ft-problem-count';
    count.style.flex = '1';
    var toggle = document.createElement('button');
    toggle.type = 'button';
    toggle.textContent = 'show/hide';
    toggle.style.cssText = 'font:inherit;padding:0 6px';
    var list = document.createElement('ol');
    list.style.cssText = 'margin:4px 0 0;padding-left:20px';
    toggle.addEventListener('click', function () { list.hidden = !list.hidden; });
    head.append(title, count, toggle);
    panel.append(head, list);
    document.body.appendChild(panel);
    return panel;
  }

  function errorText(error) {
    if (error instanceof Error) {
      var where = (error.stack || '').split('\n').find(function (line) {
        return /:\d+:\d+\)?$/.test(line) && line.indexOf(error.message) < 0;
      });
      return error.name + ': ' + error.message + (where ? ' ' + where.trim() : '');
    }
    return String(error);
  }

  // Errors of the page's own scripts once init.js has loaded; a failed command has its entry.
  global.addEventListener('error', function (event) {
    if (event.error instanceof FtError) return;
    problems.add('script error', (event.message || 'error') +
                 (event.filename ? ' at ' + event.filename + ':' + event.lineno + ':' + event.colno
                                 : ''));
  });
  global.addEventListener('unhandledrejection', function (event) {
    if (event.reason instanceof FtError) return;
    problems.add('script error', 'unhandled rejection: ' + errorText(event.reason));
  });

  var ft = {
    FtError: FtError,
    STATUS_WORDS: STATUS_WORDS.slice(),

    /**
     * Reads the current values of data items of the ECU.
     * @param {{name: string, type: 'State'|'Parameter'|'Identification'}[]} items
     * @return {Promise<{name, type, value: string, text: string}[]>} per item its raw value
     *   and its display text (a state's interpretation, a parameter in its format).
     *   One item without a value makes the whole read fail with "UNKNOWN".
     */
    readSignals: async function (items) {
      var fields = await askAboutItems('readSignal', items, 2);
      return items.map(function (item, i) {
        return { name: item.name, type: item.type, value: fields[2 * i], text: fields[2 * i + 1] };
      });
    },

    /**
     * Tells for each data item whether it applies to this vehicle (its mask).
     * @param {{name: string, type: string}[]} items
     * @return {Promise<boolean[]>}
     */
    isApplicable: async function (items) {
      var fields = await askAboutItems('isApplicable', items, 1);
      return fields.map(function (f) { return f === '1'; });
    },

    /**
     * Runs an ECU command, with one optional input value.
     * @param {string} name the command
     * @param {string|number} [input] its input value; omitted or '' runs it without input
     * @return {Promise<number>} the command's status (0 or more); a negative status rejects
     *   with its word
     */
    runCommand: async function (name, input) {
      var params = { query: checkName('command name', name) };
      if (input !== undefined && input !== null && String(input) !== '') {
        params.param = checkName('command input', String(input));
      }
      var body = await sendChecked('sendQuery', params);
      if (!/^\d+$/.test(body)) throw failure('BAD REPLY', 'sendQuery', params, body);
      return Number(body);
    },

    /**
     * Sends a raw request frame to the ECU.
     * @param {string} frame hexadecimal digits without blanks, e.g. "22F190"
     * @return {Promise<string>} the response frame in upper-case hexadecimal
     */
    sendRawFrame: async function (frame) {
      return sendChecked('sendRawQuery', { query: checkName('raw frame', frame) });
    },

    /**
     * Looks up display texts by text code.
     * @param {string[]} codes text codes
     * @param {'K'|'Q'} [origin='K'] the text base; codes of origin Q are stored as C3P_<code>
     * @return {Promise<string[]>} one text per code, in order
     */
    getTexts: async function (codes, origin) {
      origin = origin || 'K';
      if (origin !== 'K' && origin !== 'Q') throw new TypeError('origin must be K or Q');
      if (!Array.isArray(codes) || codes.length === 0) {
        throw new TypeError('codes must be a non-empty array');
      }
      codes.forEach(function (c) { checkName('text code', c); });
      var params = { textCode: codes.join(';'), origin: origin };
      var body = await send('getText', params);
      // A text holding ';' cannot be told apart from two texts: one code, one whole text.
      if (codes.length === 1) return [body];
      var texts = body.split(';');
      if (texts.length !== codes.length) {
        throw failure('BAD REPLY', 'getText', params, texts.length + ' texts');
      }
      return texts;
    },

    /** @return {Promise<boolean>} whether the file exists in the ATWS folder */
    fileExists: async function (name) {
      var body = await send('fileExists', { name: checkName('file name', name) });
      return body === '1';
    },

    /**
     * Reads a text file of the ATWS folder. A scrambled file is read by its own name
     * (notice.txtc), and comes back unscrambled.
     * @return {Promise<string>} its text; '' when it is missing or empty
     */
    readFile: async function (name) {
      return send('readFile', { name: checkName('file name', name) });
    },

    /**
     * Reads an XML file of the MW External folder ('MWExt'), the MW ECU-specific folder
     * ('ECUSpec') or, for 'Root', the data root itself.
     * @return {Promise<string>} the document's text; '' when missing or not XML
     */
    readXmlFile: async function (name, folder) {
      if (['MWExt', 'ECUSpec', 'Root'].indexOf(folder) < 0) {
        throw new TypeError('folder must be MWExt, ECUSpec or Root');
      }
      return send('readXMLFile', { name: checkName('file name', name), type: folder });
    },

    /**
     * Writes (creates or replaces) a text file in the ATWS folder. Any text may be written
     * but the empty one: use deleteFile for that. The server does not say whether the write
     * worked; read the file back when that matters.
     * @return {Promise<void>}
     */
    writeFile: async function (name, text) {
      checkName('file name', name);
      if (typeof text !== 'string' || text === '') {
        throw new TypeError('writeFile needs a non-empty text; use deleteFile to empty a file');
      }
      var content = encodeURIComponent(text);
      if (content.length > MAX_ENCODED_CONTENT) {
        throw new RangeError('text too long for one request (' + content.length + ' > ' +
                             MAX_ENCODED_CONTENT + ' encoded characters)');
      }
      await send('writeFile', { name: name, content: content });
    },

    /** @return {Promise<boolean>} true when the file of the ATWS folder was deleted */
    deleteFile: async function (name) {
      var body = await send('deleteFile', { name: checkName('file name', name) });
      return body === '1';
    },

    /**
     * Ends the scenario: the server asks the host to stop it.
     * @return {Promise<void>}
     */
    endScenario: async function () {
      var body = await send('ENDFT', {});
      if (body.trim() !== 'end') throw failure('BAD REPLY', 'ENDFT', {}, body);
    },

    /**
     * Sends any URL command with its parameters exactly as given, unchecked: a parameter the
     * server refuses makes it answer 404 and stop the scenario ("REFUSED").
     * @param {string} command the command word, e.g. "readSignal"
     * @param {Object<string, string>} [params]
     * @return {Promise<string>} the answer's body
     */
    call: async function (command, params) {
      return send(command, params);
    },

    /**
     * True when the server runs in development mode: it then gives the title div an onfocus
     * that calls endFT(). Known once init() has run.
     */
    developmentMode: false,

    /**
     * Lists a problem of the scenario itself in the development-mode panel.
     * @param {string} text
     */
    reportProblem: function (text) {
      problems.add('script error', String(text));
    },

    /**
     * Calls fn now and then again ms milliseconds after each call has settled, so that slow
     * answers never pile up. Errors of fn are logged, not fatal.
     * @return {{stop: function}} stops the calls
     */
    every: function (ms, fn) {
      var stopped = false;
      var timer = null;
      async function tick() {
        if (stopped) return;
        try {
          await fn();
        } catch (e) {
          // A failed command already has its entry.
          if (!(e instanceof FtError)) problems.add('script error', errorText(e));
        }
        if (!stopped) timer = setTimeout(tick, ms);
      }
      tick();
      return {
        stop: function () {
          stopped = true;
          clearTimeout(timer);
        }
      };
    }
  };

  // Under ft-host in development mode, the page reloads itself when one of its files or the
  // data file changes, and the problem panel lists the host's warnings (an unknown item name,
  // a mask that cannot work). ft-host names its control panel in the text FT_HOST_CONTROL; any
  // other host has no such text, and nothing happens.
  var LIVE_RELOAD_MS = 1000;
  function reloadOnChange() {
    send('getText', { textCode: 'FT_HOST_CONTROL', origin: 'K' }).then(function (base) {
      if (!/^http:\/\/127\.0\.0\.1:\d+\/$/.test(base)) return;
      if (global.opener) recordFor(global.opener, base.slice(0, -1));
      var seen = null;
      var warningsSeen = 0;
      function look() {
        fetch(base + 'api/changes?warnings=' + warningsSeen, { cache: 'no-store' }).then(function (r) {
          return r.json();
        }).then(function (changes) {
          if (seen !== null && changes.version !== seen) return global.location.reload();
          if (changes.warnings) {
            changes.warnings.entries.forEach(function (w) { problems.add('host ' + w.level, w.text); });
            warningsSeen = changes.warnings.next;
          }
          seen = changes.version;
          setTimeout(look, LIVE_RELOAD_MS);
        }, function () {
          setTimeout(look, LIVE_RELOAD_MS);
        });
      }
      look();
    }, function () {});
  }

  // A CSS selector of el that the page holds once: its id, or its tag and classes below the
  // nearest element with an id, or the path of positions from there.
  function selectorOf(el) {
    function unique(selector) {
      var found = document.querySelectorAll(selector);
      return found.length === 1 && found[0] === el;
    }
    function id(node) {
      return node.id && document.querySelectorAll('#' + CSS.escape(node.id)).length === 1
        ? '#' + CSS.escape(node.id) : '';
    }
    if (id(el)) return id(el);
    var anchor = el.parentElement;
    while (anchor && !id(anchor)) anchor = anchor.parentElement;
    var prefix = anchor ? id(anchor) + ' ' : '';
    var own = el.tagName.toLowerCase() + Array.prototype.map.call(el.classList, function (c) {
      return '.' + CSS.escape(c);
    }).join('');
    if (unique(prefix + own)) return prefix + own;
    var parts = [];
    for (var node = el; node && node !== anchor && node !== document.documentElement;
         node = node.parentElement) {
      var place = 1;
      for (var s = node.previousElementSibling; s; s = s.previousElementSibling) {
        if (s.tagName === node.tagName) place++;
      }
      parts.unshift(node.tagName.toLowerCase() + ':nth-of-type(' + place + ')');
    }
    return (anchor ? id(anchor) : ':root') + ' > ' + parts.join(' > ');
  }

  // Opened by ft-host's control panel to be recorded, the page tells it what the technician
  // does, stamped with the time, and answers it the texts of the selectors it asks for.
  function recordFor(panel, origin) {
    var typed = 'textarea, select, input:not([type=button]):not([type=submit]):not([type=reset])' +
                ':not([type=checkbox]):not([type=radio]):not([type=image])';
    function tell(action) {
      action.at = Date.now();
      try { panel.postMessage({ ftRecord: action }, origin); } catch (e) { /* the panel closed */ }
    }
    document.addEventListener('click', function (e) {
      if (!(e.target instanceof Element) || e.target.closest(typed)) return;
      var target = e.target.closest('button, a, input, label, summary, [onclick]') || e.target;
      tell({ kind: 'click', selector: selectorOf(target) });
    }, true);
    document.addEventListener('change', function (e) {
      if (!(e.target instanceof Element) || !e.target.matches(typed)) return;
      tell({ kind: e.target.matches('select') ? 'select' : 'fill',
             selector: selectorOf(e.target), value: e.target.value });
    }, true);
    global.addEventListener('message', function (e) {
      if (e.origin !== origin || !e.data || !Array.isArray(e.data.ftTexts)) return;
      e.source.postMessage({ ftTexts: e.data.ftTexts.map(function (selector) {
        var texts = [];
        try {
          texts = Array.prototype.map.call(document.querySelectorAll(selector), function (n) {
            return n.textContent.replace(/\s+/g, ' ').trim();
          });
        } catch (err) { /* not a selector: none found */ }
        return { selector: selector, texts: texts };
      }) }, origin);
    });
  }

  // Files of the page that did not load (a misspelt script or style sheet path).
  function missingFiles() {
    if (!global.performance || !performance.getEntriesByType) return [];
    return performance.getEntriesByType('resource').filter(function (r) {
      return r.responseStatus >= 400 && r.initiatorType !== 'fetch';
    }).map(function (r) {
      var url = new URL(r.name);
      return url.pathname + url.search + ' (HTTP ' + r.responseStatus + ')';
    });
  }

  /** Started by the server's injected window.onload. */
  function init() {
    var title = document.getElementById('title');
    ft.developmentMode = !!title && /endFT/.test(title.getAttribute('onfocus') || '');
    problems.enabled = ft.developmentMode;
    missingFiles().forEach(function (name) { problems.add('script error', 'not loaded: ' + name); });
    problems.render(true);
    if (ft.developmentMode) reloadOnChange();
    if (typeof global.scenarioMain !== 'function') {
      // A syntax error in the page's script leaves it undefined: say so instead of nothing.
      if (ft.developmentMode) {
        problems.add('script error', 'the page defines no scenarioMain(ft): did one of its ' +
                     'scripts fail to load or to parse? The browser console tells where.');
      }
      return;
    }
    Promise.resolve().then(function () { return global.scenarioMain(ft); }).catch(function (e) {
      if (e instanceof FtError) {
        console.error('scenarioMain failed: ' + e.message);
        problems.add('script error', 'scenarioMain failed: ' + e.message);
      } else {
        problems.add('script error', 'scenarioMain failed: ' + errorText(e));
      }
    });
  }

  global.ft = ft;
  global.init = init;
})(window);
