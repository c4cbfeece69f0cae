// What the page brings around the program, each on a case the manifest
// names: the line editor, text arriving without key presses, the keyboard's
// way out, copy and paste, the end of a run and what a screen reader hears;
// then the data file panel's checks.
'use strict';

const {
  pressCtrl, typeText, typeInput, setDataFile, runAgain, output, outputWhenEnded, outputWhenWaiting,
  screen, lastScreenLine, compare,
} = require('./page_driver');
const { dataChecks } = require('./data_checks');

const END_NOTICE = '[The program has ended. Press Enter to run it again.]';

const lines = (testCase) => testCase.input.toString('latin1').split('\n').slice(0, -1);
const waiting = (page) => page.waitForFunction(() => window.determinantPage.waiting());

// Ways to type a line with mistakes that are then erased, so that only the
// line is left: each must erase on screen too, over wrapped rows and whole
// wide characters.
const ERASERS = [
  ['Backspace back over a wrapped row', async (page, line, columns) => {
    await page.keyboard.type(line + '9'.repeat(columns + 3));
    for (let i = 0; i < columns + 3; i++) await page.keyboard.press('Backspace');
  }],
  ['Backspace erases wide characters whole', async (page, line) => {
    await page.keyboard.type(`${line}漢😀é`);
    for (let i = 0; i < 3; i++) await page.keyboard.press('Backspace');
  }],
  ['Ctrl-U erases the line over wrapped rows', async (page, line, columns) => {
    await page.keyboard.type('漢字 '.repeat(columns));
    await pressCtrl(page, 'KeyU');
    await page.keyboard.type(line);
  }],
  ['Ctrl-W erases the last word', async (page, line) => {
    await page.keyboard.type(`${line} 12 漢字`);
    await pressCtrl(page, 'KeyW');
    await pressCtrl(page, 'KeyW');
    await page.keyboard.press('Backspace');
  }],
];

async function erasing(page, testCase, eraser) {
  await setDataFile(page, null);
  await runAgain(page);
  const columns = await page.evaluate(() => window.determinantPage.columns());
  await page.keyboard.press('Backspace');
  for (const line of lines(testCase)) {
    await waiting(page);
    await eraser(page, line, columns);
    const shown = line === '' ? '' : await lastScreenLine(page);
    if (shown !== line) return `the screen shows ${JSON.stringify(shown)} for ${JSON.stringify(line)}`;
    await page.keyboard.press('Enter');
  }
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Each letter composed by an input method, then the word committed, as a
// phone keyboard composes words.
async function compose(cdp, line) {
  for (let i = 1; i <= line.length; i++) {
    await cdp.send('Input.imeSetComposition', { text: line.slice(0, i), selectionStart: i, selectionEnd: i });
  }
  if (line.length > 0) await cdp.send('Input.insertText', { text: line });
}

// Text arriving without key presses: inserted with its line break, as
// dictation or a suggestion gives it, or composed and then sent at once.
const INSERTERS = [
  ['inserted text and line breaks', (page, cdp, line) => page.keyboard.sendCharacter(line + '\n')],
  ['composed text, then Enter at once', async (page, cdp, line) => {
    await compose(cdp, line);
    await page.keyboard.press('Enter');
  }],
  ['composed text, then a line break at once', async (page, cdp, line) => {
    await compose(cdp, line);
    await cdp.send('Input.insertText', { text: '\n' });
  }],
];

// Each answer arrives once.
async function insertedText(page, testCase, inserter) {
  await setDataFile(page, null);
  await runAgain(page);
  await page.focus('#terminal .xterm-helper-textarea');
  const cdp = await page.createCDPSession();
  for (const line of lines(testCase)) {
    await waiting(page);
    await inserter(page, cdp, line);
  }
  await cdp.detach();
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Tab leaves the terminal and Shift+Tab comes back, and neither types.
async function tabLeaves(page, testCase) {
  await setDataFile(page, null);
  await runAgain(page);
  const focused = () => page.evaluate(() => document.activeElement.classList.contains('xterm-helper-textarea'));
  for (const line of lines(testCase)) {
    await waiting(page);
    await page.keyboard.type(line);
    await page.keyboard.press('Tab');
    if (await focused()) return 'Tab kept the focus in the terminal';
    await page.keyboard.down('Shift');
    await page.keyboard.press('Tab');
    await page.keyboard.up('Shift');
    if (!(await focused())) return 'Shift+Tab did not come back to the terminal';
    await page.keyboard.press('Enter');
  }
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

async function clipboard(page) {
  return page.evaluate(() => navigator.clipboard.readText());
}

// A selection dragged over the first row, copied by Ctrl+C, which must not
// interrupt; then the whole input pasted by Ctrl+V.
async function copyThenPaste(page, testCase) {
  await setDataFile(page, null);
  await runAgain(page);
  await waiting(page);
  const first = (await screen(page)).split('\n')[0];
  const box = await (await page.$('#terminal .xterm-screen')).boundingBox();
  const [columns, rows] = await page.evaluate(() => [window.determinantPage.columns(), window.determinantPage.rows()]);
  const cell = { width: box.width / columns, height: box.height / rows };
  await page.mouse.move(box.x + 1, box.y + cell.height / 2);
  await page.mouse.down();
  await page.mouse.move(box.x + cell.width * (first.length + 0.5), box.y + cell.height / 2, { steps: 5 });
  await page.mouse.up();
  await page.focus('#terminal .xterm-helper-textarea');
  await pressCtrl(page, 'KeyC', ['copy']);
  if ((await clipboard(page)) !== first) return `Ctrl+C copied ${JSON.stringify(await clipboard(page))}`;
  if (!(await page.evaluate(() => window.determinantPage.running()))) return 'Ctrl+C on a selection interrupted';
  await page.evaluate((text) => navigator.clipboard.writeText(text), testCase.input.toString('latin1'));
  await page.evaluate(() => window.determinantPage.clearSelection());
  await pressCtrl(page, 'KeyV', ['paste']);
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Ctrl+C with nothing selected: ^C and the end notice on screen only; what
// is typed then is dropped, and Enter runs the program again.
async function interruptThenEnter(page, testCase) {
  await setDataFile(page, null);
  await runAgain(page);
  await waiting(page);
  const written = await output(page);
  await pressCtrl(page, 'KeyC');
  await page.waitForFunction(() => window.determinantPage.ended());
  const shown = (await screen(page)).split('\n').slice(-2);
  if (shown[0] !== '^C' || shown[1] !== END_NOTICE) return `the screen ends ${JSON.stringify(shown)}`;
  const problem = compare(await output(page), written);
  if (problem) return `after ^C: ${problem}`;
  await page.keyboard.type('x');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.determinantPage.running());
  await typeInput(page, testCase.input.toString('latin1'));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// Each time the program waits, the live region says what it wrote since the
// last answer, or its last three lines when that is long; then the end.
async function spoken(page, testCase) {
  await setDataFile(page, testCase.data_file);
  await runAgain(page);
  const heard = () => page.evaluate(() => document.getElementById('speech').textContent);
  for (const step of testCase.steps) {
    let text = step.written.toString('utf8').replace(/\s+$/, '');
    if (text.length > 500) text = text.split('\n').slice(-3).join('\n');
    if (text !== '') {
      await page.waitForFunction((want) => document.getElementById('speech').textContent === want, { timeout: 5000 },
        text).catch(() => {});
      if ((await heard()) !== text) return `heard ${JSON.stringify(await heard())}, not ${JSON.stringify(text)}`;
    }
    await outputWhenWaiting(page);
    await typeText(page, step.typed.toString('latin1'));
  }
  await page.waitForFunction(() => window.determinantPage.ended());
  await page.waitForFunction((want) => document.getElementById('speech').textContent === want, { timeout: 5000 },
    END_NOTICE.slice(1, -1)).catch(() => {});
  return (await heard()) === END_NOTICE.slice(1, -1) ? null : `at the end heard ${JSON.stringify(await heard())}`;
}

async function pageChecks(page, manifest, scratch, check, named) {
  const keyboard = named('keyboard/2x2');
  for (const [name, eraser] of ERASERS) await check(`page: ${name}`, () => erasing(page, keyboard, eraser));
  for (const [name, inserter] of INSERTERS) await check(`page: ${name}`, () => insertedText(page, keyboard, inserter));
  await check('page: Tab and Shift+Tab leave and enter the terminal', () => tabLeaves(page, keyboard));
  await check('page: Ctrl+C copies a selection, Ctrl+V pastes', () => copyThenPaste(page, keyboard));
  await check('page: Ctrl+C interrupts, Enter after the end runs again', () => interruptThenEnter(page, keyboard));
  await check('page: the live region says each prompt and the end', () => spoken(page, named('pipes/data_file_pick')));
  await dataChecks(page, scratch, check, named);
}

module.exports = { pageChecks, clipboard, END_NOTICE };
