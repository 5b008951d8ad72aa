// What a scenario page does that an author has to know about: console errors, failed
// requests, the status words its ECU commands got, its ENDFT requests.
export const STATUS_WORDS = ['UNKNOWN', 'TIMEOUT', 'VCI DISCONNECTED', 'INVALID QUERY'];
const WORD_COMMANDS = ['readSignal', 'isApplicable', 'sendQuery', 'sendRawQuery'];
// No request for this long counts as "the page has settled".
const QUIET_MS = 400;

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const targetOf = (url) => { const u = new URL(url); return u.pathname + u.search; };

export class PageWatch {
  consoleErrors = [];
  failedRequests = [];
  statusWords = [];   // {request, word}
  endRequests = 0;
  #inFlight = 0;
  #lastActivity = Date.now();
  #stopped = false;

  // Every page given is watched into the same lists.
  add(page) {
    page.on('console', (m) => {
      if (this.#stopped || m.type() !== 'error') return;
      // The browser's own line about a failed load repeats a failed request.
      if (m.text().startsWith('Failed to load resource: ')) return;
      const at = m.location().url ? ` (${targetOf(m.location().url)}:${m.location().lineNumber})` : '';
      this.consoleErrors.push(m.text() + at);
    });
    page.on('pageerror', (e) => {
      if (!this.#stopped) this.consoleErrors.push(`uncaught ${e.name}: ${e.message}`);
    });
    page.on('request', (r) => {
      this.#inFlight++;
      this.#lastActivity = Date.now();
      if (new URL(r.url()).pathname === '/ENDFT') this.endRequests++;
    });
    const settled = () => { this.#inFlight = Math.max(0, this.#inFlight - 1); this.#lastActivity = Date.now(); };
    // A request answered with an error that the browser then aborts (a script) counts once.
    const answered = new Set();
    page.on('requestfailed', (r) => {
      settled();
      if (this.#stopped || answered.has(r.url())) return;
      this.failedRequests.push(`${targetOf(r.url())}: ${r.failure()?.errorText || 'failed'}`);
    });
    page.on('requestfinished', settled);
    page.on('response', async (r) => {
      if (this.#stopped) return;
      const command = new URL(r.url()).pathname.slice(1);
      if (r.status() >= 400) {
        answered.add(r.url());
        this.failedRequests.push(`${targetOf(r.url())}: HTTP ${r.status()}`);
      } else if (WORD_COMMANDS.includes(command)) {
        const body = await r.text().catch(() => '');
        if (STATUS_WORDS.includes(body)) this.statusWords.push({ request: targetOf(r.url()), word: body });
      }
    });
  }

  // What happens from now on (the page closing, the host stopping) is not the page's doing.
  stop() { this.#stopped = true; }

  // Until no request has been open for a moment; a page that polls faster is taken as
  // settled after `limitMs`.
  async quiet(limitMs) {
    for (const end = Date.now() + limitMs; Date.now() < end; await sleep(50)) {
      if (this.#inFlight === 0 && Date.now() - this.#lastActivity >= QUIET_MS) return;
    }
  }
}
