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
 * Arguments that cannot be sent safely reject with a TypeError before anything is sent.
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
  // The server reads a request in one receive: keep a written note well inside one segment.
  var MAX_ENCODED_CONTENT = 6000;

  /**
   * A failed API call. `word` tells what failed, `command` which URL command was sent.
   * @constructor
   */
  function FtError(word, command, detail) {
    this.name = 'FtError';
    this.word = word;
    this.command = command;
    this.message = command + ': ' + word + (detail ? ' (' + detail + ')' : '');
    this.stack = new Error(this.message).stack;
  }
  FtError.prototype = Object.create(Error.prototype);
  FtError.prototype.constructor = FtError;

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

  // Sends one URL command and resolves with the answer's body text.
  async function send(command, params) {
    var query = Object.keys(params || {}).map(function (key) {
      return key + '=' + params[key];
    }).join('&');
    var response;
    try {
      response = await fetch('/' + command + (query ? '?' + query : ''), { cache: 'no-store' });
    } catch (e) {
      throw new FtError('NO SERVER', command, e.message);
    }
    if (!response.ok) throw new FtError('REFUSED', command, 'HTTP ' + response.status);
    return response.text();
  }

  function statusWordOf(body) {
    return STATUS_WORDS.indexOf(body) >= 0 ? body : null;
  }

  function rejectOnStatusWord(command, body) {
    var word = statusWordOf(body);
    if (word) throw new FtError(word, command);
    return body;
  }

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
      checkItems(items);
      if (items.length === 0) return [];
      var body = rejectOnStatusWord('readSignal', await send('readSignal', {
        names: items.map(function (i) { return i.name; }).join(';'),
        types: items.map(function (i) { return i.type; }).join(';')
      }));
      var fields = body.split(';');
      if (fields.length !== 2 * items.length) {
        throw new FtError('BAD REPLY', 'readSignal', fields.length + ' fields');
      }
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
      checkItems(items);
      if (items.length === 0) return [];
      var body = rejectOnStatusWord('isApplicable', await send('isApplicable', {
        names: items.map(function (i) { return i.name; }).join(';'),
        types: items.map(function (i) { return i.type; }).join(';')
      }));
      var fields = body.split(';');
      if (fields.length !== items.length) {
        throw new FtError('BAD REPLY', 'isApplicable', fields.length + ' fields');
      }
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
      var body = rejectOnStatusWord('sendQuery', await send('sendQuery', params));
      if (!/^\d+$/.test(body)) throw new FtError('BAD REPLY', 'sendQuery', body);
      return Number(body);
    },

    /**
     * Sends a raw request frame to the ECU.
     * @param {string} frame hexadecimal digits without blanks, e.g. "22F190"
     * @return {Promise<string>} the response frame in upper-case hexadecimal
     */
    sendRawFrame: async function (frame) {
      var body = await send('sendRawQuery', { query: checkName('raw frame', frame) });
      return rejectOnStatusWord('sendRawQuery', body);
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
      var body = await send('getText', { textCode: codes.join(';'), origin: origin });
      // A text holding ';' cannot be told apart from two texts: one code, one whole text.
      if (codes.length === 1) return [body];
      var texts = body.split(';');
      if (texts.length !== codes.length) {
        throw new FtError('BAD REPLY', 'getText', texts.length + ' texts');
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
      if (body.trim() !== 'end') throw new FtError('BAD REPLY', 'ENDFT', body);
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
          console.error(e);
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

  /** Started by the server's injected window.onload. */
  function init() {
    if (typeof global.scenarioMain !== 'function') return;
    Promise.resolve().then(function () { return global.scenarioMain(ft); }).catch(function (e) {
      console.error('scenarioMain failed:', e);
    });
  }

  global.ft = ft;
  global.init = init;
})(window);
