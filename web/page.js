// The page around the program: the terminal with a line editor like a POSIX
// terminal's, the data file panel, and the runs, each a fresh instance of the
// program that reads what the line editor sends.
'use strict';

const DATA_FILE_NAME = 'MatrixDataFile1.txt';
const END_OF_INPUT = new Uint8Array(0);

const terminal = new Terminal({
  convertEol: true,
  screenReaderMode: true,
  cursorBlink: true,
  cols: 80,
  rows: 30,
  scrollback: 5000,
});
terminal.open(document.getElementById('terminal'));

const runStatus = document.getElementById('run-status');
const dataText = document.getElementById('data-text');
const dataStatus = document.getElementById('data-status');
const dataUpload = document.getElementById('data-upload');

// The run in progress; an ended or replaced run's instance is left waiting
// for ever, and whatever it still writes goes nowhere.
let run = null;
let wasmBinary = null;
let sampleBytes = null;

// The data file as the next run gets it: bytes kept as loaded, until the
// visitor edits the text, which then stands instead.
const dataFile = { bytes: null, edited: false };

function newRun() {
  return { queue: [], waiting: null, output: [], ended: false, readTimes: [], endedAt: 0 };
}

// ---- The program's console, as seen from the page.

function typedCount(thisRun) {
  let count = 0;
  for (const chunk of thisRun.queue) {
    if (chunk === END_OF_INPUT) break;
    count += chunk.length;
  }
  return count;
}

// One read gets at most one sent line, as from a terminal.
function takeSent(thisRun, capacity) {
  const chunk = thisRun.queue[0];
  thisRun.readTimes.push(performance.now());
  if (chunk.length <= capacity) {
    thisRun.queue.shift();
    return chunk;
  }
  thisRun.queue[0] = chunk.subarray(capacity);
  return chunk.subarray(0, capacity);
}

function readSent(thisRun, capacity) {
  if (thisRun !== run) return new Promise(() => {});
  if (thisRun.queue.length > 0) return Promise.resolve(takeSent(thisRun, capacity));
  return new Promise((resolve) => {
    thisRun.waiting = () => resolve(takeSent(thisRun, capacity));
  });
}

function send(bytes) {
  if (!run || run.ended) return;
  run.queue.push(bytes);
  const waiting = run.waiting;
  run.waiting = null;
  if (waiting) waiting();
}

function write(thisRun, bytes) {
  if (thisRun !== run) return;
  thisRun.output.push(bytes);
  terminal.write(bytes);
}

// Resolves once the terminal has drawn what was written, or soon in a
// hidden tab, where no frame is drawn.
function show(thisRun) {
  if (thisRun !== run) return new Promise(() => {});
  return new Promise((resolve) => {
    terminal.write('', () => {
      const done = () => setTimeout(resolve, 0);
      const timer = setTimeout(done, 100);
      requestAnimationFrame(() => {
        clearTimeout(timer);
        done();
      });
    });
  });
}

function runEnded(thisRun) {
  if (thisRun !== run) return;
  thisRun.ended = true;
  thisRun.endedAt = performance.now();
  runStatus.textContent = 'The program has ended. “Run again” starts a new run.';
}

// ---- The line editor: echo, Backspace, Enter and Ctrl-D, as in a POSIX
// terminal's canonical mode.

let line = [];

function sendLine(withBreak) {
  const text = line.join('') + (withBreak ? '\n' : '');
  line = [];
  send(new TextEncoder().encode(text));
}

function editLine(key) {
  if (key === '\r') {
    terminal.write('\r\n');
    sendLine(true);
  } else if (key === '\x7f' || key === '\b') {
    if (line.length > 0) {
      line.pop();
      terminal.write('\b \b');
    }
  } else if (key === '\x04') {
    if (line.length === 0) send(END_OF_INPUT);
    else sendLine(false);
  } else if (key === '\t' || key >= ' ') {
    line.push(key);
    terminal.write(key);
  }
}

terminal.onData((data) => {
  if (!run || run.ended) return;
  // Arrow and function keys come as escape sequences: nothing to edit with.
  if (data.startsWith('\x1b')) return;
  for (const key of data) editLine(key);
});

// ---- The data file panel.

function describeData() {
  if (document.querySelector('input[name="data-choice"]:checked').value === 'none') {
    dataStatus.textContent = 'The next run has no data file.';
  } else if (dataFile.edited) {
    dataStatus.textContent = 'The next run reads the text as edited above.';
  } else {
    dataStatus.textContent = `The next run reads ${dataFile.name}, ${dataFile.bytes.length} bytes, as they are.`;
  }
}

function useBytes(bytes, name) {
  dataFile.bytes = bytes;
  dataFile.name = name;
  dataFile.edited = false;
  dataText.value = new TextDecoder().decode(bytes);
  describeData();
}

// What the next run finds as its data file, or null for none.
function nextDataFile() {
  if (document.querySelector('input[name="data-choice"]:checked').value === 'none') return null;
  return dataFile.edited ? new TextEncoder().encode(dataText.value) : dataFile.bytes;
}

dataText.addEventListener('input', () => {
  dataFile.edited = true;
  describeData();
});
dataUpload.addEventListener('change', async () => {
  const file = dataUpload.files[0];
  if (!file) return;
  useBytes(new Uint8Array(await file.arrayBuffer()), `the uploaded ${file.name}`);
  dataUpload.value = '';
});
document.getElementById('data-sample').addEventListener('click', () => useBytes(sampleBytes, 'the sample'));
for (const radio of document.querySelectorAll('input[name="data-choice"]')) {
  radio.addEventListener('change', describeData);
}

// ---- Runs.

function startRun() {
  const thisRun = newRun();
  run = thisRun;
  line = [];
  terminal.reset();
  runStatus.textContent = 'The program is running.';
  const data = nextDataFile();
  createDeterminant({
    wasmBinary,
    pageTypedCount: () => typedCount(thisRun),
    pageRead: (capacity) => readSent(thisRun, capacity),
    pageWrite: (bytes) => write(thisRun, bytes),
    pageShow: () => show(thisRun),
    pageRunEnded: () => runEnded(thisRun),
    preRun: [(module) => {
      if (data) module.FS.writeFile(DATA_FILE_NAME, data);
    }],
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: (what) => {
      if (thisRun === run) runStatus.textContent = `The program stopped with an error: ${what}`;
    },
  });
  terminal.focus();
}

const runAgainButton = document.getElementById('run-again');
runAgainButton.addEventListener('click', startRun);

async function fetchBytes(name) {
  const response = await fetch(name);
  if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
  return new Uint8Array(await response.arrayBuffer());
}

// The smallest module that multiplies two SIMD128 splats: a browser that
// validates it runs the module with the vector form.
const SIMD_PROBE = new Uint8Array([
  0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, 0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7b, 0x03, 0x02, 0x01,
  0x00, 0x0a, 0x0f, 0x01, 0x0d, 0x00, 0x41, 0x00, 0xfd, 0x11, 0x41, 0x00, 0xfd, 0x11, 0xfd, 0xb5, 0x01, 0x0b,
]);
const moduleName = WebAssembly.validate(SIMD_PROBE) ? 'determinant_simd.wasm' : 'determinant.wasm';

async function load() {
  try {
    [wasmBinary, sampleBytes] = await Promise.all([fetchBytes(moduleName), fetchBytes(DATA_FILE_NAME)]);
  } catch (error) {
    // A page opened from a file may not fetch its neighbours.
    runStatus.textContent = `The program could not be loaded (${error.message}): ` +
      'serve this folder over HTTP, for example with python3 -m http.server.';
    return;
  }
  useBytes(sampleBytes, 'the sample');
  runAgainButton.disabled = false;
  startRun();
  // On this thread: a worker would warm another instance of the engine.
  const idle = window.requestIdleCallback || ((callback) => setTimeout(callback, 0));
  idle(warmUp);
}

// An instance of its own that runs the expansion on small matrices, so the
// engine has optimised it before the visitor's first matrix.
async function warmUp() {
  const started = performance.now();
  const instance = await createDeterminant({
    wasmBinary,
    noInitialRun: true,
    print: () => {},
    printErr: (text) => console.warn(text),
  });
  instance._warm_up_expansion();
  warmedUpIn = performance.now() - started;
}
let warmedUpIn = null;

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
  screen: () => {
    const buffer = terminal.buffer.active;
    const rows = [];
    for (let y = 0; y < buffer.length; y++) rows.push(buffer.getLine(y).translateToString(true));
    return rows.join('\n').trimEnd();
  },
  setDataFile: (bytes) => {
    const none = bytes === null;
    document.querySelector(`input[name="data-choice"][value="${none ? 'none' : 'file'}"]`).checked = true;
    if (!none) useBytes(new Uint8Array(bytes), 'the test data');
    describeData();
  },
};

load();
