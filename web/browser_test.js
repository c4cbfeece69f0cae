// The page in headless Chromium: every end-to-end case file and dialogue the
// page can run, as the runner's manifest gives them, typed into its terminal
// and the program's output stream compared byte for byte; then what the page
// itself brings, at a desktop's, a phone's and a 320 px screen's size.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve, typeStep, typeInput, setDataFile, runAgain, outputWhenEnded, outputWhenWaiting, compare } =
  require('./page_driver');
const { runChecks } = require('./run_checks');
const { pageChecks } = require('./page_checks');
const { VIEWPORTS, screenChecks, sizes, offline, fromFile } = require('./screen_checks');
const { sampleTimings, SIMD_SHARE_LIMIT_MS, SCALAR_SHARE_LIMIT_MS } = require('./page_figures');

function parseArguments() {
  const options = {
    site: null, runner: null, modules: null, python: 'python3', cases: '', chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  };
  const argv = process.argv.slice(2);
  for (let i = 0; i + 1 < argv.length; i += 2) options[argv[i].replace(/^--/, '')] = argv[i + 1];
  if (!options.site || !options.runner || !options.modules) {
    console.error('usage: browser_test.js --site DIR --runner RUN_E2E_PY --modules NODE_MODULES ' +
      '[--python PATH] [--chromium PATH] [--cases REGEX]');
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

// Each module, every case; the page's own checks once, with the SIMD module.
const MODULES = [
  { label: 'simd', simd: true, file: 'determinant_simd.wasm', shareLimit: SIMD_SHARE_LIMIT_MS },
  { label: 'scalar', simd: false, file: 'determinant.wasm', shareLimit: SCALAR_SHARE_LIMIT_MS },
];

// The page as a browser with SIMD sees it, or as an older one without.
async function newPage(browser, viewport, origin, simd = true) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  if (!simd) await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
  page.on('pageerror', (error) => report('no script error on the page', error.message));
  page.on('requestfailed', (request) => report(`loading ${request.url()}`, 'failed'));
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) {
      report('the page loads only from its own host', url);
    }
  });
  await page.goto(origin + '/');
  await page.waitForFunction(() => window.determinantPage.running());
  await page.waitForFunction(() => window.determinantPage.warmedUpIn() !== null, { timeout: 60000 });
  return page;
}

async function main() {
  const options = parseArguments();
  const site = path.resolve(options.site);
  const modules = path.resolve(options.modules);
  const manifest = readManifest(options);
  const puppeteer = require(path.join(modules, 'puppeteer-core'));
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
  const context = { check, named: (name) => named(manifest, name), modules, scratch };
  try {
    const origin = `http://127.0.0.1:${server.address().port}`;
    await browser.defaultBrowserContext().overridePermissions(origin,
      ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    for (const module of MODULES) {
      const page = await newPage(browser, VIEWPORTS[0], origin, module.simd);
      if (module.simd) {
        await check('the page loads at most 1 MB, the site is at most 1.4 MB', () => sizes(page, site));
        await check('the terminal is not focused on load',
          () => page.evaluate(() => (document.activeElement === document.body ? null : document.activeElement.outerHTML)));
      }
      const loaded = await page.evaluate(() => window.determinantPage.module());
      report(`${module.label}: the page loads ${module.file}`, loaded === module.file ? null : `it loaded ${loaded}`);
      await check(`${module.label}: the sample's 12x12, first and later`,
        () => sampleTimings(page, named(manifest, 'sample/4_12x12'), named(manifest, 'sample/2_3x3'), module.label,
          module.shareLimit));
      await runManifest(page, manifest.filter((entry) => new RegExp(options.cases).test(entry.name)), module.label);
      if (!module.simd) {
        await page.close();
        continue;
      }
      await runChecks(page, scratch, check, context.named);
      await pageChecks(page, manifest, scratch, check, context.named);
      for (const viewport of VIEWPORTS) {
        const onScreen = viewport === VIEWPORTS[0] ? page : await newPage(browser, viewport, origin);
        await screenChecks(onScreen, viewport, context);
      }
    }
    const second = await serve(site);
    await check('the page runs offline after a first visit',
      async () => offline(await browser.newPage(), second, context.named('keyboard/2x2')));
    await check('from a file, the page says how to serve it', async () => fromFile(await browser.newPage(), site));
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
