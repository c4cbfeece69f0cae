// What the browser test measures rather than checks case by case: the
// sample's 12x12 in the page, first after load and later.
'use strict';

const { runAgain, typeInput, outputWhenEnded, compare } = require('./page_driver');

// On an idle machine: the 12x12's share with SIMD; the first run after load
// over the later ones; and the scalar module's share over the native scalar
// form's 12x12, which the bench gives as 126 ms on this machine class.
const SIMD_SHARE_LIMIT_MS = 45;
const FIRST_RUN_LIMIT = 1.3;
const FIRST_RUN_LOADS = 3;
const NATIVE_SCALAR_MS = 126;
const SCALAR_SHARE_LIMIT_MS = 1.5 * NATIVE_SCALAR_MS;

// The page's own sample, as the case's data file is: the time from the read
// of the block's number to the end of the run, in ms.
async function timedSample(page, testCase) {
  await page.click('#data-sample');
  await runAgain(page);
  await typeInput(page, testCase.input.toString('latin1'));
  const problem = compare(await outputWhenEnded(page), testCase.expected_output);
  if (problem) throw new Error(problem);
  const [readTimes, endedAt] = await page.evaluate(() => [window.determinantPage.readTimes(), window.determinantPage.endedAt()]);
  return endedAt - readTimes[1];
}

function median(values) {
  const sorted = values.slice().sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// Once more after a reload, with the page's warm-up done as a visitor's
// first matrix would find it.
async function reloaded(page) {
  await page.reload();
  await page.waitForFunction(() => window.determinantPage.running());
  await page.waitForFunction(() => window.determinantPage.warmedUpIn() !== null, { timeout: 60000 });
}

// The sample's 12x12 first after load (the median over three loads, since
// a single run can meet the engine or the browser busy), then five times
// more, less the median 3x3 (the page's own share of typing and drawing).
// Reported, and a failure only beyond twice the limits, since the two cores
// of a shared machine are noisy: a frame more or less is 17 ms.
async function sampleTimings(page, big, small, label, shareLimit) {
  const firsts = [];
  const warmUps = [];
  for (let load = 0; load < FIRST_RUN_LOADS; load++) {
    if (load > 0) await reloaded(page);
    warmUps.push(await page.evaluate(() => window.determinantPage.warmedUpIn()));
    firsts.push(await timedSample(page, big));
  }
  const first = median(firsts);
  const warmUp = median(warmUps);
  const later = [];
  for (let i = 0; i < 5; i++) later.push(await timedSample(page, big));
  const typing = [];
  for (let i = 0; i < 5; i++) typing.push(await timedSample(page, small));
  const share = median(later) - median(typing);
  const firstOverLater = first / median(later);
  console.log(`${label}: the sample's 12x12 takes ${share.toFixed(1)} ms (median of 5 later runs ` +
    `${median(later).toFixed(1)} ms, 3x3 ${median(typing).toFixed(1)} ms); the first after load ` +
    `${first.toFixed(1)} ms (median of ${firsts.map((time) => time.toFixed(1)).join(', ')}), ` +
    `${firstOverLater.toFixed(2)}x the later ones, after a warm-up of ${warmUp.toFixed(0)} ms`);
  if (share > 2 * shareLimit) return `the 12x12 takes ${share.toFixed(1)} ms, more than ${2 * shareLimit} ms`;
  if (firstOverLater > 2 * FIRST_RUN_LIMIT) return `the first 12x12 is more than ${2 * FIRST_RUN_LIMIT} times the later ones`;
  return null;
}

module.exports = { sampleTimings, SIMD_SHARE_LIMIT_MS, SCALAR_SHARE_LIMIT_MS };
