// The runs: each a fresh instance of the program, loaded here, whose console
// reads what the line editor sends and writes to the terminal.
'use strict';

const END_OF_INPUT = new Uint8Array(0);

const runStatus = document.getElementById('run-status');

// The run in progress; an ended or replaced run's instance is left waiting
// for ever, and whatever it still writes goes nowhere.
let run = null;
let compiled = null;

// Every run and the warm-up are instances of one compiled module, so they
// share the engine's code: what the warm-up had optimised serves each run.
function instantiate(imports, receive) {
  WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled))
    .catch((error) => { runStatus.textContent = `The program could not be started (${error.message}).`; });
  return {};
}

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
  if (thisRun !== run || thisRun.ended) return new Promise(() => {});
  if (thisRun.queue.length > 0) return Promise.resolve(takeSent(thisRun, capacity));
  speechWaiting();
  return new Promise((resolve) => {
    thisRun.waiting = () => resolve(takeSent(thisRun, capacity));
  });
}

function send(bytes) {
  if (!run || run.ended) return;
  speechAnswered();
  run.queue.push(bytes);
  const waiting = run.waiting;
  run.waiting = null;
  if (waiting) waiting();
}

function write(thisRun, bytes) {
  if (thisRun !== run || thisRun.ended) return;
  thisRun.output.push(bytes);
  speechHeard(bytes);
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

// The closing pause answered, the input ended, or an interrupt: the
// terminal, the status line and the live region all say so.
function runEnded(thisRun) {
  if (thisRun !== run || thisRun.ended) return;
  thisRun.ended = true;
  thisRun.waiting = null;
  thisRun.endedAt = performance.now();
  lineEditor.clear();
  showEndNotice();
  runStatus.textContent = END_NOTICE.slice(1, -1);
  say(END_NOTICE.slice(1, -1));
}

// As Ctrl-C ends the console program: at once, writing nothing more.
function interruptRun() {
  if (!run || run.ended) return;
  terminal.write('^C');
  runEnded(run);
}

const lineEditor = createLineEditor(terminal, {
  state: () => (!run ? 'none' : run.ended ? 'ended' : 'running'),
  send,
  endOfInput: () => send(END_OF_INPUT),
  interrupt: interruptRun,
  restart: () => startRun(),
});

// ---- Runs.

function startRun() {
  const thisRun = newRun();
  run = thisRun;
  lineEditor.clear();
  clearTerminal();
  speechRestart();
  runStatus.textContent = 'The program is running.';
  const data = nextDataFile();
  createDeterminant({
    instantiateWasm: instantiate,
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
}

const runAgainButton = document.getElementById('run-again');
runAgainButton.addEventListener('click', () => {
  startRun();
  terminal.focus();
});

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
    const [wasmBinary, sample] = await Promise.all([fetchBytes(moduleName), fetchBytes(DATA_FILE_NAME)]);
    sampleBytes = sample;
    compiled = await WebAssembly.compile(wasmBinary);
  } catch (error) {
    runStatus.textContent = `The program could not be loaded (${error.message}).`;
    return;
  }
  restoreData();
  runAgainButton.disabled = false;
  startRun();
  warmUp();
}

// Rounds of the expansion on small matrices, each a few milliseconds when the
// page is idle, in an instance of its own: the engine optimises a function in
// the background once it has run enough, and here the expansion's largest
// orders needed about twenty rounds. On this thread, since a worker would warm
// another instance of the engine.
const WARM_UP_ROUNDS = 30;
const idle = window.requestIdleCallback || ((callback) => setTimeout(callback, 0));

async function warmUp() {
  const started = performance.now();
  const instance = await createDeterminant({
    instantiateWasm: instantiate,
    noInitialRun: true,
    print: () => {},
    printErr: (text) => console.warn(text),
  });
  for (let round = 0; round < WARM_UP_ROUNDS; round++) {
    await new Promise((resolve) => idle(resolve));
    instance._warm_up_expansion();
  }
  warmedUpIn = performance.now() - started;
}
let warmedUpIn = null;

if (location.protocol === 'file:') showServeNotice();
else load();
