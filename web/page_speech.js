// What a screen reader hears: the terminal's own reading of its rows drops
// text that arrives without key presses, so a live region of the page's own
// says what the program wrote each time it waits for an answer.
'use strict';

const SPEECH_LIMIT = 500;
const speechRegion = document.getElementById('speech');
let unspoken = '';
let speechDecoder = new TextDecoder();

function say(text) {
  // Emptied first, so that the same words twice are heard twice.
  speechRegion.textContent = '';
  setTimeout(() => { speechRegion.textContent = text; }, 50);
}

function speechHeard(bytes) {
  unspoken += speechDecoder.decode(bytes, { stream: true });
}

function speechAnswered() {
  unspoken = '';
}

function speechRestart() {
  unspoken = '';
  speechDecoder = new TextDecoder();
}

// Past the limit, the last three lines hold the prompt and what led to it.
function speechWaiting() {
  let text = unspoken.replace(/\s+$/, '');
  unspoken = '';
  if (text === '') return;
  if (text.length > SPEECH_LIMIT) text = text.split('\n').slice(-3).join('\n');
  say(text);
}
