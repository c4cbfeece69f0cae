// The page in headless Chromium: every end-to-end case file typed into its
// terminal with real key presses, the program's output stream compared byte
// for byte, then what the page itself brings: editing keys, the data file
// panel and "Run again".
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const CASE_TIMEOUT_MS = 60000;
const SITE_LIMIT_BYTES = 1200000;
// The 12x12 of the sample, block 4, evaluated by the native program.
const SAMPLE_12X12_LINE = 'Determinant value of the matrix is  121540842';

function parseArguments() {
  const options = { site: null, cases: null, modules: null, chromium: process.env.CHROMIUM || '/usr/bin/chromium' };
  const argv = process.argv.slice(2);
  for (let i = 0; i + 1 < argv.length; i += 2) options[argv[i].replace(/^--/, '')] = argv[i + 1];
  if (!options.site || !options.cases || !options.modules) {
    console.error('usage: browser_test.js --site DIR --cases DIR --modules NODE_MODULES [--chromium PATH]');
    process.exit(2);
  }
  return options;
}

// ---- The site, served as any static host would.

const CONTENT_TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain',
};

function serve(siteDir) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.join(siteDir, name === '/' ? 'index.html' : name);
    if (!file.startsWith(siteDir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': CONTENT_TYPES[path.extname(file)] || 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- The case files: NAME.in, NAME.out and the data file, NAME.data or the
// group's `data-from`; standard error and exit status are not the page's.

function isFile(name) {
  return fs.existsSync(name) && fs.statSync(name).isFile();
}

function collectCases(casesDir) {
  const repo = path.resolve(casesDir, '..', '..', '..');
  const cases = [];
  for (const group of fs.readdirSync(casesDir).sort()) {
    const groupDir = path.join(casesDir, group);
    if (!fs.statSync(groupDir).isDirectory()) continue;
    const dataFrom = path.join(groupDir, 'data-from');
    const groupData = isFile(dataFrom) ? path.join(repo, fs.readFileSync(dataFrom, 'utf8').trim()) : null;
    for (const name of fs.readdirSync(groupDir).sort()) {
      if (!name.endsWith('.in')) continue;
      const stem = path.join(groupDir, name.slice(0, -3));
      if (!isFile(stem + '.out')) continue;
      // The page has no command line: cases with arguments are the program's alone.
      if (isFile(stem + '.args')) continue;
      const ownData = stem + '.data';
      if (fs.existsSync(ownData) && !isFile(ownData)) continue;
      cases.push({
        name: `${group}/${name.slice(0, -3)}`,
        input: fs.readFileSync(stem + '.in', 'latin1'),
        expected: fs.readFileSync(stem + '.out'),
        data: isFile(ownData) ? ownData : groupData,
      });
    }
  }
  return cases;
}

// ---- Driving the page.

async function pressCtrlD(page) {
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyD');
  await page.keyboard.up('Control');
}

// A tab typed as a character is lost on the way; the Tab key gives one.
async function typeText(page, text) {
  const pieces = text.split('\t');
  for (let i = 0; i < pieces.length; i++) {
    if (i > 0) await page.keyboard.press('Tab');
    await page.keyboard.type(pieces[i]);
  }
}

// Types the input as a visitor would; a last line without its line break is
// sent by Ctrl-D, and a Ctrl-D on the empty line then ends the input.
async function typeInput(page, input) {
  await typeText(page, input);
  if (input.length > 0 && !input.endsWith('\n')) await pressCtrlD(page);
  await pressCtrlD(page);
}

async function setDataFile(page, dataPath) {
  const bytes = dataPath ? Array.from(fs.readFileSync(dataPath)) : null;
  await page.evaluate((data) => window.determinantPage.setDataFile(data), bytes);
}

async function runAgain(page) {
  await page.click('#run-again');
  await page.waitForFunction(() => window.determinantPage.running());
}

async function outputWhenEnded(page) {
  await page.waitForFunction(() => window.determinantPage.ended(), { timeout: CASE_TIMEOUT_MS, polling: 20 });
  return Buffer.from(await page.evaluate(() => window.determinantPage.output()));
}

// Where two transcripts part, with a little of each, escaped.
function difference(actual, expected) {
  let at = 0;
  while (at < actual.length && at < expected.length && actual[at] === expected[at]) at++;
  const around = (bytes) => JSON.stringify(bytes.subarray(Math.max(0, at - 40), at + 40).toString('latin1'));
  return `byte ${at} of ${expected.length} expected (${actual.length} written)\n` +
    `    expected ...${around(expected)}\n    written  ...${around(actual)}`;
}

// ---- The checks.

let passed = 0;
let failed = 0;

function report(name, problem) {
  if (problem) {
    failed++;
    console.log(`FAIL ${name}: ${problem}`);
  } else {
    passed++;
    console.log(`ok ${name}`);
  }
}

async function check(name, body) {
  try {
    report(name, await body());
  } catch (error) {
    report(name, error.message || String(error));
  }
}

function compare(actual, expected) {
  return actual.equals(expected) ? null : difference(actual, expected);
}

async function runCaseFile(page, testCase) {
  await setDataFile(page, testCase.data);
  await runAgain(page);
  await typeInput(page, testCase.input);
  return compare(await outputWhenEnded(page), testCase.expected);
}

async function lastScreenLine(page) {
  const screen = await page.evaluate(() => window.determinantPage.screen());
  return screen.slice(screen.lastIndexOf('\n') + 1);
}

// A wrong character and its Backspace in every line, and a Backspace on an
// empty line, which must not reach the prompt.
async function backspaceCorrects(page, casesDir) {
  const stem = path.join(casesDir, 'keyboard', '2x2');
  await setDataFile(page, null);
  await runAgain(page);
  await page.keyboard.press('Backspace');
  for (const line of fs.readFileSync(stem + '.in', 'latin1').split('\n').slice(0, -1)) {
    await page.waitForFunction(() => window.determinantPage.waiting());
    await page.keyboard.type(line + '9');
    await page.keyboard.press('Backspace');
    if (line === '2x2') {
      await page.evaluate(() => window.determinantPage.drawn());
      const shown = await lastScreenLine(page);
      if (shown !== '2x2') return `the echo shows ${JSON.stringify(shown)} after a Backspace`;
    }
    await page.keyboard.press('Enter');
  }
  return compare(await outputWhenEnded(page), fs.readFileSync(stem + '.out'));
}

// Ctrl-D in the middle of a line sends what is typed so far, as two reads.
async function ctrlDSendsPartLine(page, casesDir) {
  const stem = path.join(casesDir, 'keyboard', '2x2');
  await setDataFile(page, null);
  await runAgain(page);
  await page.keyboard.type('k\n2x');
  await page.waitForFunction(() => window.determinantPage.waiting());
  const reads = await page.evaluate(() => window.determinantPage.readTimes().length);
  await pressCtrlD(page);
  await page.waitForFunction((before) => window.determinantPage.readTimes().length > before, {}, reads);
  await page.keyboard.type('2\n3\n1\n4\n2\n\n');
  return compare(await outputWhenEnded(page), fs.readFileSync(stem + '.out'));
}

async function ctrlDEndsInput(page, casesDir) {
  const stem = path.join(casesDir, 'menu', 'end_of_input_at_menu');
  await runAgain(page);
  await pressCtrlD(page);
  return compare(await outputWhenEnded(page), fs.readFileSync(stem + '.out'));
}

// The panel's own control, clicked, rather than the test's shortcut.
async function noDataFile(page, casesDir) {
  const stem = path.join(casesDir, 'data_file', 'missing_file');
  await setDataFile(page, path.join(casesDir, 'data_file', 'pick_first.data'));
  await page.click('input[name="data-choice"][value="none"]');
  await runAgain(page);
  await typeInput(page, fs.readFileSync(stem + '.in', 'latin1'));
  const problem = compare(await outputWhenEnded(page), fs.readFileSync(stem + '.out'));
  await page.click('input[name="data-choice"][value="file"]');
  return problem;
}

// An upload in the middle of a run is used, byte for byte, by the next run.
async function uploadThenRunAgain(page, casesDir) {
  const stem = path.join(casesDir, 'data_file', 'listing_shows_control_characters');
  await page.click('#data-sample');
  await runAgain(page);
  await page.keyboard.type('f\n');
  const upload = await page.$('#data-upload');
  await upload.uploadFile(stem + '.data');
  await page.waitForFunction(() => document.getElementById('data-status').textContent.includes('uploaded'));
  await runAgain(page);
  await typeInput(page, fs.readFileSync(stem + '.in', 'latin1'));
  return compare(await outputWhenEnded(page), fs.readFileSync(stem + '.out'));
}

// The data file's text, typed into the panel, is what the next run reads.
async function editedDataFile(page) {
  await page.click('#data-text', { clickCount: 3 });
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  await page.keyboard.type('An edited file\n[M202\n 3 1\n 4 2]\n');
  await runAgain(page);
  await typeInput(page, 'f\n1\n\n');
  const output = (await outputWhenEnded(page)).toString('latin1');
  await page.click('#data-sample');
  return output.includes('Determinant value of the matrix is  2\n') ? null : `it printed ${JSON.stringify(output)}`;
}

async function sample12x12(page) {
  await page.click('#data-sample');
  await runAgain(page);
  await typeInput(page, 'f\n4\n\n');
  const output = (await outputWhenEnded(page)).toString('latin1');
  if (!output.includes(SAMPLE_12X12_LINE + '\n')) return `no line "${SAMPLE_12X12_LINE}" in ${JSON.stringify(output)}`;
  const [readTimes, endedAt] = await page.evaluate(() => [window.determinantPage.readTimes(), window.determinantPage.endedAt()]);
  console.log(`the sample's 12x12 in the page: ${((endedAt - readTimes[1]) / 1000).toFixed(3)} s from its number to the end of the run`);
  return null;
}

// Everything the page loads, uncompressed.
function siteWithinLimit(site) {
  const total = fs.readdirSync(site).reduce((sum, name) => sum + fs.statSync(path.join(site, name)).size, 0);
  return total <= SITE_LIMIT_BYTES ? null : `${total} bytes, more than ${SITE_LIMIT_BYTES}`;
}

async function main() {
  const options = parseArguments();
  const site = path.resolve(options.site);
  const cases = collectCases(path.resolve(options.cases));
  const puppeteer = require(path.join(path.resolve(options.modules), 'puppeteer-core'));
  await check('the site is at most 1.2 MB', () => siteWithinLimit(site));
  const server = await serve(site);
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'determinant-chromium-'));
  // On a closed network Chromium keeps trying to reach outside hosts unless
  // told not to; as root it runs only without its sandbox.
  const browser = await puppeteer.launch({
    executablePath: options.chromium,
    headless: true,
    userDataDir,
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-quic', '--no-first-run'],
  });
  try {
    const page = await browser.newPage();
    page.on('pageerror', (error) => report('no script error on the page', error.message));
    const origin = `http://127.0.0.1:${server.address().port}`;
    page.on('requestfailed', (request) => report(`loading ${request.url()}`, 'failed'));
    page.on('request', (request) => {
      const url = request.url();
      if (!url.startsWith(origin + '/') && !url.startsWith('data:')) report('the page loads only from its own host', url);
    });
    await page.goto(origin + '/');
    await page.waitForFunction(() => window.determinantPage.running());
    for (const testCase of cases) await check(testCase.name, () => runCaseFile(page, testCase));
    const casesDir = path.resolve(options.cases);
    await check('page: Backspace corrects the line', () => backspaceCorrects(page, casesDir));
    await check('page: Ctrl-D sends part of a line', () => ctrlDSendsPartLine(page, casesDir));
    await check('page: Ctrl-D on an empty line ends the input', () => ctrlDEndsInput(page, casesDir));
    await check('page: no data file', () => noDataFile(page, casesDir));
    await check('page: an uploaded data file, after Run again', () => uploadThenRunAgain(page, casesDir));
    await check('page: an edited data file', () => editedDataFile(page));
    await check("page: the sample's 12x12", () => sample12x12(page));
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(userDataDir, { recursive: true, force: true });
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
