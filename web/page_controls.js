// The buttons around the terminal (the transcript's copy and download, the
// keys a phone keyboard lacks), the page's offline copy, and the hooks the
// browser test reads.
'use strict';

const TRANSCRIPT_NAME = 'determinant-transcript.txt';

function download(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

document.getElementById('copy-output').addEventListener('click', async () => {
  try {
    await navigator.clipboard.writeText(transcript());
    say('The output is copied.');
  } catch (error) {
    runStatus.textContent = `The output could not be copied (${error.message}).`;
  }
});

document.getElementById('save-transcript').addEventListener('click', () => {
  download(TRANSCRIPT_NAME, new TextEncoder().encode(transcript()));
});

// A tap on these must leave the focus, and so the phone's keyboard, with the
// terminal.
for (const [id, key] of [['key-ctrl-d', '\x04'], ['key-ctrl-c', '\x03']]) {
  const button = document.getElementById(id);
  button.addEventListener('mousedown', (event) => event.preventDefault());
  button.addEventListener('click', () => {
    lineEditor.feed(key);
    terminal.focus();
  });
}

// Opened from a file, the browser lets the page fetch nothing: it says how to
// serve it instead.
function showServeNotice() {
  const notice = document.getElementById('serve-notice');
  notice.hidden = false;
  terminalBox.hidden = true;
  for (const control of document.querySelectorAll('#program button')) control.disabled = true;
  runStatus.textContent = 'The program cannot run from a file: this page must be served.';
}

// Where the browser allows one: on 127.0.0.1, localhost or https.
// The worker is told what the page loaded before it was there to see it.
function keepOffline(urls) {
  const worker = navigator.serviceWorker.controller;
  if (worker) worker.postMessage({ keep: [location.href, ...urls] });
}
if ('serviceWorker' in navigator && window.isSecureContext && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch((error) => console.warn(`no offline copy: ${error.message}`));
  navigator.serviceWorker.addEventListener('controllerchange',
    () => keepOffline(performance.getEntriesByType('resource').map((entry) => entry.name)));
  new PerformanceObserver((list) => keepOffline(list.getEntries().map((entry) => entry.name)))
    .observe({ type: 'resource', buffered: true });
}

// For the browser test: the program's output stream of the current run,
// apart from the echo on the screen, and when its reads and end happened.
window.determinantPage = {
  module: () => moduleName,
  warmedUpIn: () => warmedUpIn,
  running: () => run !== null && !run.ended,
  ended: () => run !== null && run.ended,
  waiting: () => run !== null && run.waiting !== null,
  drawn: () => new Promise((resolve) => terminal.write('', resolve)),
  output: () => Array.from(run ? run.output.flatMap((bytes) => Array.from(bytes)) : []),
  readTimes: () => (run ? run.readTimes.slice() : []),
  endedAt: () => (run ? run.endedAt : 0),
  screen: () => transcript().replace(/\n$/, ''),
  columns: () => terminal.cols,
  fontSize: () => terminal.options.fontSize,
  rows: () => terminal.rows,
  clearSelection: () => terminal.clearSelection(),
  viewportY: () => terminal.buffer.active.viewportY,
  select: (row, column, length) => terminal.select(column, row, length),
  setDataFile: (bytes) => {
    noDataRadio.checked = bytes === null;
    fileRadio.checked = bytes !== null;
    if (bytes !== null) useBytes(new Uint8Array(bytes), 'the test data', false);
    else noteData();
  },
};
