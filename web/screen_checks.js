// The page on a desktop, a phone with touch and a 320 px wide screen: the
// terminal fits and wraps, nothing scrolls sideways, targets take a finger,
// axe-core finds nothing serious, the 12x12 can be read and its transcript
// copied and saved; then the page without the network and from a file.
'use strict';

const fs = require('fs');
const path = require('path');
const { typeInput, setDataFile, runAgain, outputWhenEnded, screen, compare } = require('./page_driver');
const { clipboard } = require('./page_checks');
const { downloaded } = require('./data_checks');

const SITE_LIMIT_BYTES = 1400000;
const VISITOR_LIMIT_BYTES = 1000000;
const MIN_TARGET_PX = 24;

const VIEWPORTS = [
  { name: '1280x800', width: 1280, height: 800 },
  { name: '390x844 touch', width: 390, height: 844, hasTouch: true, isMobile: true },
  { name: '320 px wide touch', width: 320, height: 640, hasTouch: true, isMobile: true },
];

async function fits(page) {
  const got = await page.evaluate(() => {
    const box = document.getElementById('terminal');
    const shown = box.querySelector('.xterm-screen');
    return {
      columns: window.determinantPage.columns(), fontSize: window.determinantPage.fontSize(),
      screenWidth: shown.getBoundingClientRect().width, boxWidth: box.clientWidth,
      pageWidth: document.documentElement.scrollWidth, viewWidth: document.documentElement.clientWidth,
    };
  });
  if (got.columns > 80) return `${got.columns} columns`;
  if (got.fontSize < 12) return `a font of ${got.fontSize} px`;
  if (got.screenWidth > got.boxWidth) return `the terminal is ${got.screenWidth} px wide in a ${got.boxWidth} px box`;
  if (got.pageWidth > got.viewWidth) return `the page is ${got.pageWidth} px wide on a ${got.viewWidth} px screen`;
  return null;
}

async function targets(page) {
  const small = await page.evaluate((least) => Array.from(document.querySelectorAll('button, input, a, textarea'))
    .filter((element) => element.getClientRects().length > 0 && !element.closest('.xterm'))
    .map((element) => [element.id || element.value || element.textContent, element.getBoundingClientRect()])
    .filter(([, box]) => box.width < least || box.height < least)
    .map(([name, box]) => `${name} ${Math.round(box.width)}x${Math.round(box.height)}`), MIN_TARGET_PX);
  return small.length === 0 ? null : `smaller than ${MIN_TARGET_PX} px: ${small.join(', ')}`;
}

async function axe(page, modules) {
  await page.addScriptTag({ path: path.join(modules, 'axe-core', 'axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run()).violations
    .filter((found) => found.impact === 'serious' || found.impact === 'critical')
    .map((found) => `${found.id} (${found.nodes.map((node) => node.target.join(' ')).join(', ')})`));
  return violations.length === 0 ? null : violations.join('; ');
}

// The result line and the matrix rows, however the terminal wrapped them, are
// whole lines of the transcript that "Copy output" and "Save transcript" give.
async function twelveReadable(page, testCase, scratch) {
  await setDataFile(page, null);
  await page.click('#data-sample');
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  if (problem) return problem;
  const expected = testCase.expected_output.toString('latin1');
  const wanted = expected.slice(expected.indexOf('Matrix has the form:')).split('\n').filter((line) => line !== '');
  const shown = await screen(page);
  await page.click('#copy-output');
  const copied = await clipboard(page);
  if (copied !== `${shown}\n`) return 'the copied output is not the screen';
  const missing = wanted.filter((line) => !copied.split('\n').includes(line));
  if (missing.length > 0) return `not a whole line: ${JSON.stringify(missing[0])}`;
  const saved = await downloaded(page, scratch, '#save-transcript', 'determinant-transcript.txt');
  return saved.toString('utf8') === copied ? null : 'the saved transcript is not the copied output';
}

// A swipe down in the terminal shows earlier rows and leaves the page where
// it was.
async function swipeScrolls(page) {
  await page.$eval('#terminal', (element) => element.scrollIntoView());
  const box = await (await page.$('#terminal .xterm-screen')).boundingBox();
  const before = await page.evaluate(() => [window.determinantPage.viewportY(), window.scrollY]);
  if (before[0] === 0) return 'no history to scroll';
  const x = box.x + box.width / 2;
  await page.touchscreen.touchStart(x, box.y + 20);
  for (let y = 40; y <= 200; y += 20) await page.touchscreen.touchMove(x, box.y + y);
  await page.touchscreen.touchEnd();
  // As on a phone, a tap while the swipe still glides only stops it.
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const after = await page.evaluate(() => [window.determinantPage.viewportY(), window.scrollY]);
  if (after[0] >= before[0]) return `the terminal stayed at row ${after[0]}`;
  return after[1] === before[1] ? null : `the page scrolled from ${before[1]} to ${after[1]}`;
}

// The Ctrl-D button ends the input as the key does, and the terminal keeps
// the focus, so a phone keeps its keyboard up.
async function phoneCtrlD(page, testCase) {
  await runAgain(page);
  await page.waitForFunction(() => window.determinantPage.waiting());
  await page.tap('#key-ctrl-d');
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  const focused = await page.evaluate(() => document.activeElement.classList.contains('xterm-helper-textarea'));
  return problem || (focused ? null : 'the button took the focus');
}

async function screenChecks(page, viewport, context) {
  const { check, named, modules, scratch } = context;
  const at = (name) => `${viewport.name}: ${name}`;
  await check(at('the terminal fits, nothing scrolls sideways'), () => fits(page));
  await check(at('targets of at least 24 px'), () => targets(page));
  await check(at('axe-core finds nothing serious'), () => axe(page, modules));
  await check(at("the sample's 12x12 can be read, copied and saved"),
    () => twelveReadable(page, named('sample/4_12x12'), scratch));
  if (viewport.hasTouch) {
    await check(at('a swipe scrolls the history'), () => swipeScrolls(page));
    await check(at('the Ctrl-D button'), () => phoneCtrlD(page, named('menu/end_of_input_at_menu')));
  }
  await check(at('the page fits after the runs'), () => fits(page));
}

// What one visitor's browser loads, uncompressed, and the whole site.
async function sizes(page, site) {
  const loaded = await page.evaluate(() => [...performance.getEntriesByType('navigation'),
    ...performance.getEntriesByType('resource')].reduce((sum, entry) => sum + entry.decodedBodySize, 0));
  const total = fs.readdirSync(site).reduce((sum, name) => sum + fs.statSync(path.join(site, name)).size, 0);
  console.log(`the page loads ${loaded} bytes; the site holds ${total}`);
  if (loaded > VISITOR_LIMIT_BYTES) return `a visitor loads ${loaded} bytes, more than ${VISITOR_LIMIT_BYTES}`;
  return total <= SITE_LIMIT_BYTES ? null : `the site is ${total} bytes, more than ${SITE_LIMIT_BYTES}`;
}

// A single first visit, the server stopped, a reload: the menu and a whole
// run. The visit is over once the page's offline copy holds the page and
// every file it loaded.
async function offline(page, server, testCase) {
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => window.determinantPage && window.determinantPage.running());
  await page.waitForFunction(async () => {
    const wanted = [location.href, ...performance.getEntriesByType('resource').map((entry) => entry.name)]
      .filter((url) => new URL(url).origin === location.origin);
    const names = await caches.keys();
    if (names.length !== 1) return false;
    const kept = (await (await caches.open(names[0])).keys()).map((request) => request.url);
    return wanted.every((url) => kept.includes(url));
  }, { timeout: 30000, polling: 200 }).catch(() => { throw new Error('the first visit was not kept'); });
  server.closeAllConnections();
  await new Promise((resolve) => server.close(resolve));
  await page.reload();
  await page.waitForFunction(() => window.determinantPage && window.determinantPage.waiting(), { timeout: 30000 })
    .catch(async () => {
      const shown = await page.evaluate(() => document.body.innerText.slice(0, 200)).catch((error) => error.message);
      throw new Error(`no menu after a reload without the server: ${JSON.stringify(shown)}`);
    });
  await page.focus('#terminal .xterm-helper-textarea');
  await typeInput(page, testCase.input.toString('latin1'));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// From a file the page says how to serve it, and its controls throw nothing.
async function fromFile(page, site) {
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`file://${path.join(site, 'index.html')}`);
  await page.click('#data-sample');
  await page.click('input[name="data-choice"][value="none"]');
  const notice = await page.$eval('#serve-notice', (element) => (element.hidden ? '' : element.textContent));
  if (!notice.includes('python3 -m http.server --bind 127.0.0.1')) return 'no notice with the command to serve it';
  return errors.length === 0 ? null : errors.join('; ');
}

module.exports = { VIEWPORTS, screenChecks, sizes, offline, fromFile };
