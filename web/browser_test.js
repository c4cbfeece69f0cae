// The page in headless Chromium: every end-to-end case file and dialogue the
// page can run, as the runner's manifest gives them, typed into its terminal
// with real key presses and the program's output stream compared byte for
// byte; then what the page itself brings: editing keys, the data file panel
// and "Run again", each on a case the manifest names.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {
  serve, pressCtrlD, typeText, typeStep, typeInput, setDataFile, runAgain, outputWhenEnded, outputWhenWaiting,
  lastScreenLine, compare,
} = require('./page_driver');
const { sampleTimings, siteWithinLimit, SIMD_SHARE_LIMIT_MS, FIRST_RUN_LIMIT } = require('./page_figures');


function parseArguments() {
  const options = {
    site: null, runner: null, modules: null, python: 'python3', chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  };
  const argv = process.argv.slice(2);
  for (let i = 0; i + 1 < argv.length; i += 2) options[argv[i].replace(/^--/, '')] = argv[i + 1];
  if (!options.site || !options.runner || !options.modules) {
    console.error('usage: browser_test.js --site DIR --runner RUN_E2E_PY --modules NODE_MODULES ' +
      '[--python PATH] [--chromium PATH]');
    process.exit(2);
  }
  return options;
}

// The manifest as the runner prints it, with its base64 fields as bytes.
function readManifest(options) {
  const json = childProcess.execFileSync(options.python, [options.runner, '--list', '--json'],
    { maxBuffer: 1 << 30 });
  const bytes = (text) => (text === null || text === undefined ? null : Buffer.from(text, 'base64'));
  return JSON.parse(json).map((entry) => ({
    ...entry,
    input: bytes(entry.input),
    expected_output: bytes(entry.expected_output),
    data_file: bytes(entry.data_file),
    steps: entry.steps && entry.steps.map((step) => ({ written: bytes(step.written), typed: bytes(step.typed) })),
  }));
}

// ---- The checks.

let passed = 0;
let failed = 0;
let skipped = 0;

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

async function runCaseFile(page, testCase) {
  await setDataFile(page, testCase.data_file);
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Each answer is typed once the output so far is what the dialogue says was
// written; the closing Enter must then end the run.
async function runDialogue(page, testCase) {
  await setDataFile(page, testCase.data_file);
  await runAgain(page);
  let written = Buffer.alloc(0);
  for (const step of testCase.steps) {
    written = Buffer.concat([written, step.written]);
    const problem = compare(await outputWhenWaiting(page), written);
    if (problem) return problem;
    await typeStep(page, step.typed.toString('latin1'));
  }
  return compare(await outputWhenEnded(page), written);
}

function named(manifest, name) {
  const found = manifest.find((entry) => entry.name === name);
  if (!found) throw new Error(`the manifest has no case ${name}`);
  return found;
}

// A wrong character and its Backspace in every line, and a Backspace on an
// empty line, which must not reach the prompt.
async function backspaceCorrects(page, testCase) {
  await setDataFile(page, null);
  await runAgain(page);
  await page.keyboard.press('Backspace');
  for (const line of testCase.input.toString('latin1').split('\n').slice(0, -1)) {
    await page.waitForFunction(() => window.determinantPage.waiting());
    await page.keyboard.type(line + '9');
    await page.keyboard.press('Backspace');
    if (line.includes('x')) {
      await page.evaluate(() => window.determinantPage.drawn());
      const shown = await lastScreenLine(page);
      if (shown !== line) return `the echo shows ${JSON.stringify(shown)} after a Backspace`;
    }
    await page.keyboard.press('Enter');
  }
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Ctrl-D in the middle of a line sends what is typed so far, as two reads:
// here the size line, cut after its 'x'.
async function ctrlDSendsPartLine(page, testCase) {
  const input = testCase.input.toString('latin1');
  const cut = input.indexOf('x') + 1;
  await setDataFile(page, null);
  await runAgain(page);
  await page.keyboard.type(input.slice(0, cut));
  await page.waitForFunction(() => window.determinantPage.waiting());
  const reads = await page.evaluate(() => window.determinantPage.readTimes().length);
  await pressCtrlD(page);
  await page.waitForFunction((before) => window.determinantPage.readTimes().length > before, {}, reads);
  await page.keyboard.type(input.slice(cut));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

async function ctrlDEndsInput(page, testCase) {
  await runAgain(page);
  await pressCtrlD(page);
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// The panel's own control, clicked, rather than the test's shortcut, after a
// file was set that the run must not see.
async function noDataFile(page, testCase, someFile) {
  await setDataFile(page, someFile.data_file);
  await page.click('input[name="data-choice"][value="none"]');
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  await page.click('input[name="data-choice"][value="file"]');
  return problem;
}

// An upload in the middle of a run is used, byte for byte, by the next run.
async function uploadThenRunAgain(page, testCase, scratch) {
  const upload = path.join(scratch, 'MatrixDataFile1.txt');
  fs.writeFileSync(upload, testCase.data_file);
  await page.click('#data-sample');
  await runAgain(page);
  await page.keyboard.type('f\n');
  await (await page.$('#data-upload')).uploadFile(upload);
  await page.waitForFunction(() => document.getElementById('data-status').textContent.includes('uploaded'));
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// The data file's text, typed into the panel, is what the next run reads.
async function editedDataFile(page, testCase) {
  await page.click('#data-text', { clickCount: 3 });
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  await typeText(page, testCase.data_file.toString('latin1'));
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  await page.click('#data-sample');
  return problem;
}

async function runManifest(page, manifest, label) {
  for (const entry of manifest) {
    const name = `${label} ${entry.name}`;
    if (entry.error) {
      report(name, entry.error);
    } else if (entry.skip.page) {
      skipped++;
      console.log(`skip ${name}: ${entry.skip.page}`);
    } else {
      await check(name, () => (entry.steps ? runDialogue(page, entry) : runCaseFile(page, entry)));
    }
  }
}

// The page as a browser with SIMD sees it, or as an older one without.
async function openPage(browser, origin, simd) {
  const page = await browser.newPage();
  if (!simd) await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
  page.on('pageerror', (error) => report('no script error on the page', error.message));
  page.on('requestfailed', (request) => report(`loading ${request.url()}`, 'failed'));
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:')) report('the page loads only from its own host', url);
  });
  await page.goto(origin + '/');
  await page.waitForFunction(() => window.determinantPage.running());
  await page.waitForFunction(() => window.determinantPage.warmedUpIn() !== null, { timeout: 60000 });
  return page;
}

// Each module in a page of its own, every case; the page's own checks once,
// with the SIMD module.
const MODULES = [
  { label: 'simd', simd: true, file: 'determinant_simd.wasm', limits: { share: SIMD_SHARE_LIMIT_MS, first: FIRST_RUN_LIMIT } },
  { label: 'scalar', simd: false, file: 'determinant.wasm', limits: {} },
];

async function pageChecks(page, manifest, scratch) {
  const keyboard = named(manifest, 'keyboard/2x2');
  await check('page: Backspace corrects the line', () => backspaceCorrects(page, keyboard));
  await check('page: Ctrl-D sends part of a line', () => ctrlDSendsPartLine(page, keyboard));
  await check('page: Ctrl-D on an empty line ends the input',
    () => ctrlDEndsInput(page, named(manifest, 'menu/end_of_input_at_menu')));
  await check('page: no data file',
    () => noDataFile(page, named(manifest, 'data_file/missing_file'), named(manifest, 'data_file/pick_first')));
  await check('page: an uploaded data file, after Run again',
    () => uploadThenRunAgain(page, named(manifest, 'data_file/listing_shows_control_characters'), scratch));
  await check('page: an edited data file', () => editedDataFile(page, named(manifest, 'data_file/pick_first')));
}

async function main() {
  const options = parseArguments();
  const site = path.resolve(options.site);
  const manifest = readManifest(options);
  const puppeteer = require(path.join(path.resolve(options.modules), 'puppeteer-core'));
  await check('the site is at most 1.4 MB, a visit at most 1 MB', () => siteWithinLimit(site));
  const server = await serve(site);
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'determinant-chromium-'));
  // On a closed network Chromium keeps trying to reach outside hosts unless
  // told not to; as root it runs only without its sandbox.
  const browser = await puppeteer.launch({
    executablePath: options.chromium,
    headless: true,
    userDataDir: path.join(scratch, 'profile'),
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-quic', '--no-first-run'],
  });
  const started = Date.now();
  const origin = `http://127.0.0.1:${server.address().port}`;
  try {
    for (const module of MODULES) {
      const page = await openPage(browser, origin, module.simd);
      const loaded = await page.evaluate(() => window.determinantPage.module());
      report(`${module.label}: the page loads ${module.file}`, loaded === module.file ? null : `it loaded ${loaded}`);
      await check(`${module.label}: the sample's 12x12, first and later`,
        () => sampleTimings(page, named(manifest, 'sample/4_12x12'), named(manifest, 'sample/2_3x3'), module.label,
          module.limits));
      await runManifest(page, manifest, module.label);
      if (module.simd) await pageChecks(page, manifest, scratch);
      await page.close();
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(scratch, { recursive: true, force: true });
  }
  console.log(`took ${((Date.now() - started) / 1000).toFixed(1)} s`);
  console.log(`${passed} passed, ${failed} failed, ${skipped} skipped`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
