// Serving the site as any static host would, and driving the page as a
// visitor does: key presses, inserted text, the data file panel and "Run again".
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');

const CASE_TIMEOUT_MS = 60000;

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

// A key with Ctrl held; commands make Chromium act on it as on a real
// press, such as 'copy' or 'paste'.
async function pressCtrl(page, key, commands = []) {
  await page.keyboard.down('Control');
  await page.keyboard.press(key, { commands });
  await page.keyboard.up('Control');
}

async function pressCtrlD(page) {
  await pressCtrl(page, 'KeyD');
}

// The Tab key moves the focus on, so a tab arrives as inserted text, as from
// an input method or a phone keyboard.
async function typeText(page, text) {
  const pieces = text.split('\t');
  for (let i = 0; i < pieces.length; i++) {
    if (i > 0) await page.keyboard.sendCharacter('\t');
    await page.keyboard.type(pieces[i]);
  }
}

// Types what a step sends: a last line without its line break goes by Ctrl-D.
async function typeStep(page, text) {
  await typeText(page, text);
  if (text.length > 0 && !text.endsWith('\n')) await pressCtrlD(page);
}

// Types the input as a visitor would, then a Ctrl-D on the empty line ends it.
async function typeInput(page, input) {
  await typeStep(page, input);
  await pressCtrlD(page);
}

async function setDataFile(page, bytes) {
  await page.evaluate((data) => window.determinantPage.setDataFile(data), bytes ? Array.from(bytes) : null);
}

async function runAgain(page) {
  await page.click('#run-again');
  await page.waitForFunction(() => window.determinantPage.running());
}

async function output(page) {
  return Buffer.from(await page.evaluate(() => window.determinantPage.output()));
}

async function outputWhenEnded(page) {
  await page.waitForFunction(() => window.determinantPage.ended(), { timeout: CASE_TIMEOUT_MS, polling: 20 });
  return output(page);
}

// The output once the program waits for the next line, or has ended: all it
// writes before a read is shown by then.
async function outputWhenWaiting(page) {
  await page.waitForFunction(() => window.determinantPage.waiting() || window.determinantPage.ended(),
    { timeout: CASE_TIMEOUT_MS, polling: 20 });
  return output(page);
}

async function screen(page) {
  await page.evaluate(() => window.determinantPage.drawn());
  return page.evaluate(() => window.determinantPage.screen());
}

async function lastScreenLine(page) {
  const shown = await screen(page);
  return shown.slice(shown.lastIndexOf('\n') + 1);
}

// Where two transcripts part, with a little of each, escaped.
function difference(actual, expected) {
  let at = 0;
  while (at < actual.length && at < expected.length && actual[at] === expected[at]) at++;
  const around = (bytes) => JSON.stringify(bytes.subarray(Math.max(0, at - 40), at + 40).toString('latin1'));
  return `byte ${at} of ${expected.length} expected (${actual.length} written)\n` +
    `    expected ...${around(expected)}\n    written  ...${around(actual)}`;
}

function compare(actual, expected) {
  return actual.equals(expected) ? null : difference(actual, expected);
}

module.exports = {
  serve, pressCtrl, pressCtrlD, typeText, typeStep, typeInput, setDataFile, runAgain, output, outputWhenEnded,
  outputWhenWaiting, screen, lastScreenLine, compare,
};
