// Playwright Test's configuration for `./ft suite`: one project per folder or file named in
// FT_SUITE_PATHS (one absolute path a line), Debian's Chromium, the report in FT_REPORT_DIR.
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { defineConfig } from '@playwright/test';
import { root } from './host.mjs';

const reportDir = path.resolve(process.env.FT_REPORT_DIR || 'ft-report');

// A path inside another named path would run its checks twice.
const named = (process.env.FT_SUITE_PATHS || path.join(root, 'examples'))
  .split('\n').filter(Boolean).map((p) => path.resolve(p));
const inside = (p, dir) => p !== dir && !path.relative(dir, p).startsWith('..');
const paths = [...new Set(named)].filter((p) => !named.some((other) => inside(p, other)));

function project(p) {
  const file = fs.statSync(p, { throwIfNoEntry: false })?.isFile();
  const relative = path.relative(root, p);
  return {
    name: relative.startsWith('..') ? p : relative || '.',
    testDir: file ? path.dirname(p) : p,
    testMatch: file ? path.basename(p) : '**/*.check.mjs',
  };
}

export default defineConfig({
  projects: paths.map(project),
  testIgnore: '**/node_modules/**',
  // Every test starts its own ft-host, so tests of one file may run side by side.
  fullyParallel: true,
  forbidOnly: !!process.env.CI,
  timeout: 60_000,
  expect: { timeout: 8_000 },
  // Traces and screenshots of the last run, one folder per report; the HTML report copies
  // what it shows. Every worker reads this file, so the name must not depend on the process.
  outputDir: path.join(os.tmpdir(), 'ft-suite-' +
    crypto.createHash('sha1').update(reportDir).digest('hex').slice(0, 12)),
  reporter: [
    ['list'],
    ['html', { outputFolder: reportDir, open: 'never' }],
    ['junit', { outputFile: path.join(reportDir, 'junit.xml') }],
  ],
  use: {
    launchOptions: { executablePath: '/usr/bin/chromium' },
    viewport: { width: 1280, height: 800 },
    trace: 'retain-on-failure',
    screenshot: 'only-on-failure',
  },
});
