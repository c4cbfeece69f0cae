// The data file panel: an upload kept byte for byte, an edit that keeps the
// file's line ends and byte order mark, a file that is not UTF-8 kept
// read-only, and the file kept across a reload; Download saves it.
'use strict';

const fs = require('fs');
const path = require('path');
const { pressCtrl, typeText, typeInput, runAgain, outputWhenEnded, compare } = require('./page_driver');

async function upload(page, scratch, bytes) {
  const file = path.join(scratch, 'MatrixDataFile1.txt');
  fs.writeFileSync(file, bytes);
  await (await page.$('#data-upload')).uploadFile(file);
  await page.waitForFunction(() => document.getElementById('data-status').textContent.includes('uploaded'));
}

async function downloaded(page, scratch, button, name) {
  const folder = fs.mkdtempSync(path.join(scratch, 'download-'));
  const session = await page.createCDPSession();
  await session.send('Page.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  await page.click(button);
  const file = path.join(folder, name);
  for (let i = 0; i < 100 && !fs.existsSync(file); i++) await new Promise((resolve) => setTimeout(resolve, 50));
  await new Promise((resolve) => setTimeout(resolve, 200));
  return fs.existsSync(file) ? fs.readFileSync(file) : Buffer.alloc(0);
}

// An edit that is typed and then erased again gives back the file's bytes:
// CR LF line ends and a byte order mark kept, and Download saves them.
async function editKeepsLineEnds(page, testCase, scratch) {
  const bytes = Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]),
    Buffer.from(testCase.data_file.toString('latin1').replace(/\n/g, '\r\n'), 'latin1')]);
  await upload(page, scratch, bytes);
  await page.click('#data-text');
  await page.keyboard.press('End');
  await page.keyboard.type('7');
  await page.keyboard.press('Backspace');
  const saved = await downloaded(page, scratch, '#data-download', 'MatrixDataFile1.txt');
  return saved.equals(bytes) ? null : compare(saved, bytes);
}

// A file that is not UTF-8 is shown read-only and reaches the run unchanged
// even when the visitor types into it.
async function notUtf8Kept(page, testCase, scratch) {
  await upload(page, scratch, testCase.data_file);
  if (!(await page.$eval('#data-text', (text) => text.readOnly))) return 'the text is editable';
  await page.click('#data-text');
  await page.keyboard.type('7');
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  return compare(await outputWhenEnded(page), testCase.expected_output);
}

// An edited file and the choice of none come back after a reload, until
// "Back to the sample".
async function keptAcrossReload(page, testCase) {
  await page.click('#data-sample');
  await page.click('#data-text');
  await pressCtrl(page, 'KeyA');
  await typeText(page, testCase.data_file.toString('latin1'));
  await page.reload();
  await page.waitForFunction(() => window.determinantPage.waiting());
  const text = await page.$eval('#data-text', (area) => area.value);
  if (text !== testCase.data_file.toString('latin1')) return 'the edited text is lost on reload';
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  await page.click('#data-sample');
  const kept = await page.evaluate(() => localStorage.length);
  return problem || (kept === 0 ? null : '"Back to the sample" left the file kept');
}

async function dataChecks(page, scratch, check, named) {
  await check('page: editing keeps CR LF and the byte order mark; Download',
    () => editKeepsLineEnds(page, named('sample/1_2x2'), scratch));
  await check('page: a UTF-16 upload is kept byte for byte',
    () => notUtf8Kept(page, named('data_file/utf16_little_endian_refused'), scratch));
  await check('page: an edited data file is kept across a reload',
    () => keptAcrossReload(page, named('data_file/pick_first')));
}

module.exports = { dataChecks, downloaded };
