// The data file panel: the file the next run reads, uploaded or edited,
// kept in this browser across reloads, and downloadable as it stands.
'use strict';

const DATA_FILE_NAME = 'MatrixDataFile1.txt';
const STORAGE_KEY = 'determinant-data-file';
const STORAGE_LIMIT_BYTES = 4 * 1024 * 1024;

const dataText = document.getElementById('data-text');
const dataStatus = document.getElementById('data-status');
const dataNote = document.getElementById('data-note');
const dataUpload = document.getElementById('data-upload');
const noDataRadio = document.querySelector('input[name="data-choice"][value="none"]');
const fileRadio = document.querySelector('input[name="data-choice"][value="file"]');

let sampleBytes = null;
// The file as it stands: its bytes, its name, and how its text maps back to
// bytes (line ends, byte order mark); editable only if that is exact.
const dataFile = { bytes: null, name: '', sample: true, crlf: false, bom: false, editable: true, why: '' };

function toBase64(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(binary);
}

function fromBase64(text) {
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}

function textToBytes(text) {
  const body = dataFile.crlf ? text.replace(/\n/g, '\r\n') : text;
  return new TextEncoder().encode((dataFile.bom ? '\ufeff' : '') + body);
}

function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}

function describeData() {
  if (!dataFile.bytes) return;
  const size = `${dataFile.bytes.length} bytes`;
  dataStatus.textContent = noDataRadio.checked ? 'The next run has no data file.'
    : `The next run reads ${dataFile.name}, ${size}.`;
}

// Why the file is read-only, if it is, and whether it could be kept.
function noteData() {
  const text = [dataFile.why, keepData()].filter((part) => part !== '').join(' ');
  dataNote.textContent = text;
  dataNote.hidden = text === '';
  describeData();
}

// Kept until "Back to the sample", which forgets it.
function keepData() {
  if (dataFile.sample && !noDataRadio.checked) {
    localStorage.removeItem(STORAGE_KEY);
    return '';
  }
  if (dataFile.bytes.length > STORAGE_LIMIT_BYTES) {
    localStorage.removeItem(STORAGE_KEY);
    return 'This file is larger than 4 MB, so it is not kept when the page is reloaded.';
  }
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify({
      name: dataFile.name, sample: dataFile.sample, none: noDataRadio.checked, bytes: toBase64(dataFile.bytes),
    }));
  } catch (error) {
    return `This file could not be kept for a reload (${error.name}).`;
  }
  return '';
}

function useBytes(bytes, name, sample) {
  Object.assign(dataFile, { bytes, name, sample });
  let text = null;
  try {
    text = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true }).decode(bytes);
  } catch (error) {
    text = null;
  }
  dataFile.bom = text !== null && text.startsWith('\ufeff');
  dataFile.crlf = text !== null && text.includes('\r\n');
  dataText.value = text === null ? new TextDecoder().decode(bytes) : text.slice(dataFile.bom ? 1 : 0);
  // The text box rewrites lone carriage returns; such a file stays as read.
  dataFile.editable = text !== null && sameBytes(textToBytes(dataText.value), bytes);
  dataText.readOnly = !dataFile.editable;
  const why = text === null ? 'is not UTF-8 text' : 'mixes its line ends';
  dataFile.why = dataFile.editable ? ''
    : `This file ${why}: it is used byte for byte and cannot be edited here, as editing would change its bytes.`;
  noteData();
}

// What the next run finds as its data file, or null for none.
function nextDataFile() {
  return noDataRadio.checked ? null : dataFile.bytes;
}

function restoreData() {
  let kept = null;
  try {
    kept = JSON.parse(localStorage.getItem(STORAGE_KEY));
  } catch (error) {
    kept = null;
  }
  if (kept && typeof kept.bytes === 'string') {
    noDataRadio.checked = kept.none === true;
    fileRadio.checked = !noDataRadio.checked;
    useBytes(fromBase64(kept.bytes), kept.name, kept.sample === true);
  } else {
    useBytes(sampleBytes, `the sample ${DATA_FILE_NAME}`, true);
  }
}

// The kept copy is the whole file in base64, so typing renews it once it
// pauses, or as the page goes, rather than at each key.
const KEEP_PAUSE_MS = 500;
let keepTimer = null;

function keepWhenTypingPauses() {
  clearTimeout(keepTimer);
  keepTimer = setTimeout(() => {
    keepTimer = null;
    noteData();
  }, KEEP_PAUSE_MS);
}

window.addEventListener('pagehide', () => {
  if (keepTimer === null) return;
  clearTimeout(keepTimer);
  keepTimer = null;
  noteData();
});

dataText.addEventListener('input', () => {
  if (!dataFile.bytes || !dataFile.editable) return;
  dataFile.bytes = textToBytes(dataText.value);
  if (dataFile.sample) dataFile.name = `the sample ${DATA_FILE_NAME} as edited here`;
  dataFile.sample = false;
  describeData();
  keepWhenTypingPauses();
});

dataUpload.addEventListener('change', async () => {
  const file = dataUpload.files[0];
  if (!file) return;
  useBytes(new Uint8Array(await file.arrayBuffer()), `the uploaded ${file.name}`, false);
  dataUpload.value = '';
});

document.getElementById('data-sample').addEventListener('click', () => {
  if (!sampleBytes) return;
  fileRadio.checked = true;
  useBytes(sampleBytes, `the sample ${DATA_FILE_NAME}`, true);
});

document.getElementById('data-download').addEventListener('click', () => {
  if (!dataFile.bytes) return;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([dataFile.bytes], { type: 'application/octet-stream' }));
  link.download = DATA_FILE_NAME;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
});

for (const radio of [noDataRadio, fileRadio]) {
  radio.addEventListener('change', () => {
    if (!dataFile.bytes) return;
    noteData();
  });
}
