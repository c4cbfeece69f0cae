// The page's first checks: the line editor's Backspace and Ctrl-D, the
// data file panel (none, uploaded, edited) and "Run again", and the time of
// the sample's 12x12, each on a case the manifest names.
'use strict';

const fs = require('fs');
const path = require('path');
const {
  pressCtrlD, typeText, typeInput, setDataFile, runAgain, outputWhenEnded, lastScreenLine, compare,
} = require('./page_driver');

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
  await page.click('#data-sample');
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

// The page's own sample, as the case's data file is; notes the time.
async function sample12x12(page, testCase) {
  await page.click('#data-sample');
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  if (problem) return problem;
  const [readTimes, endedAt] = await page.evaluate(() => [window.determinantPage.readTimes(), window.determinantPage.endedAt()]);
  console.log(`the sample's 12x12 in the page: ${((endedAt - readTimes[1]) / 1000).toFixed(3)} s from its number to the end of the run`);
  return null;
}

async function runChecks(page, scratch, check, named) {
  const keyboard = named('keyboard/2x2');
  await check('page: Backspace corrects the line', () => backspaceCorrects(page, keyboard));
  await check('page: Ctrl-D sends part of a line', () => ctrlDSendsPartLine(page, keyboard));
  await check('page: Ctrl-D on an empty line ends the input',
    () => ctrlDEndsInput(page, named('menu/end_of_input_at_menu')));
  await check('page: no data file',
    () => noDataFile(page, named('data_file/missing_file'), named('data_file/pick_first')));
  await check('page: an uploaded data file, after Run again',
    () => uploadThenRunAgain(page, named('data_file/listing_shows_control_characters'), scratch));
  await check('page: an edited data file', () => editedDataFile(page, named('data_file/pick_first')));
  await check("page: the sample's 12x12", () => sample12x12(page, named('sample/4_12x12')));
}

module.exports = { runChecks };
