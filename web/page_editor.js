// The line editor of a POSIX terminal's canonical mode: what arrives (keys,
// paste, text a phone keyboard or an input method inserts) is echoed and
// kept until Enter or Ctrl-D sends it; Backspace, Ctrl-U and Ctrl-W erase a
// character, the line or its last word, back over wrapped rows.
'use strict';

// hooks: state() is 'running', 'ended' or 'none'; send(bytes);
// endOfInput(); interrupt(); restart().
function createLineEditor(term, hooks) {
  // What is typed, one entry per character as the screen shows it, so that
  // a wide or combined character is erased whole.
  let line = [];

  // The terminal's own measure, so erasing agrees with what it drew.
  function cellWidth(text) {
    const unicode = term._core && term._core.unicodeService;
    return unicode ? unicode.getStringCellWidth(text) : text.length;
  }

  // Back over the cells each character took, then clear them: cleared
  // cells, unlike written blanks, are no part of the transcript, and this
  // way of clearing keeps the rows' wrapping for the next Backspace.
  function erase(count) {
    let echo = '';
    for (const entry of line.splice(line.length - count, count).reverse()) {
      echo += `${'\b'.repeat(entry.width)}\x1b[${entry.width}X`;
    }
    term.write(echo);
  }

  // As a POSIX terminal's word erase: the blanks before the cursor, then the
  // word before them.
  function eraseWord() {
    let count = 0;
    const blank = (entry) => entry.text === ' ' || entry.text === '\t';
    while (count < line.length && blank(line[line.length - 1 - count])) count++;
    while (count < line.length && !blank(line[line.length - 1 - count])) count++;
    erase(count);
  }

  function add(character) {
    // A tab shows as ^I: visible, and erased as the two cells it takes.
    const shown = character === '\t' ? '^I' : character;
    const width = character === '\t' ? 2 : cellWidth(character);
    if (width === 0) {
      if (line.length === 0) return;
      line[line.length - 1].text += character;
    } else {
      line.push({ text: character, width });
    }
    term.write(shown);
  }

  function send(withBreak) {
    const text = line.map((entry) => entry.text).join('') + (withBreak ? '\n' : '');
    line = [];
    hooks.send(new TextEncoder().encode(text));
  }

  function edit(character) {
    if (character === '\r') {
      term.write('\r\n');
      send(true);
    } else if (character === '\x7f' || character === '\b') {
      if (line.length > 0) erase(1);
    } else if (character === '\x15') {
      erase(line.length);
    } else if (character === '\x17') {
      eraseWord();
    } else if (character === '\x04') {
      if (line.length === 0) hooks.endOfInput();
      else send(false);
    } else if (character === '\x03') {
      line = [];
      hooks.interrupt();
    } else if (character === '\t' || character >= ' ') {
      add(character);
    }
  }

  // Once the run has ended only Enter does anything: it starts the next.
  function feed(data) {
    const state = hooks.state();
    if (state === 'ended') {
      if (/[\r\n]/.test(data)) hooks.restart();
      return;
    }
    if (state !== 'running') return;
    // Arrow and function keys come as escape sequences: nothing to edit with.
    if (data.startsWith('\x1b')) return;
    for (const character of data.replace(/\r\n/g, '\r').replace(/\n/g, '\r')) {
      if (hooks.state() === 'running') edit(character);
    }
  }

  term.onData(feed);

  // Tab is left to the browser, which moves the focus on; Ctrl+C with a
  // selection and Ctrl+V are the browser's copy and paste, which the
  // terminal then handles as Ctrl+Shift+C and Ctrl+Shift+V.
  // An input method's text reaches the terminal a moment after the
  // composition ends, but Enter or an inserted line break at once (a phone
  // keyboard's Enter commits the word it was composing and sends the line):
  // the line would then go before the word, and the terminal lose the word.
  // So what comes in that moment waits its turn.
  let composed = false;
  term.textarea.addEventListener('compositionend', () => {
    composed = true;
    setTimeout(() => { composed = false; }, 0);
  });
  const feedInTurn = (data) => (composed ? setTimeout(() => feed(data), 0) : feed(data));

  term.attachCustomKeyEventHandler((event) => {
    if (event.key === 'Tab') return false;
    if (composed && event.key === 'Enter' && !event.isComposing) {
      // Taken here, so the text area must not break its line as well.
      event.preventDefault();
      if (event.type === 'keydown') feedInTurn('\r');
      return false;
    }
    if (event.type !== 'keydown' || !event.ctrlKey || event.altKey || event.metaKey || event.shiftKey) return true;
    const key = event.key.toLowerCase();
    if (key === 'c' && term.hasSelection()) return false;
    return key !== 'v';
  });

  // Text inserted without key presses (a phone keyboard's suggestions and
  // Enter, dictation, emoji pickers): the terminal would lose its line
  // breaks, so the editor takes it whole. Key presses the terminal handled
  // never get here, and composing text is the terminal's to finish.
  // A key the terminal took on its press (a space) may come here again.
  const inserted = ['insertText', 'insertReplacementText', 'insertLineBreak', 'insertParagraph'];
  let pressed = null;
  term.textarea.addEventListener('keydown', (event) => { pressed = event.key; }, true);
  term.textarea.addEventListener('keyup', () => { pressed = null; }, true);
  term.textarea.addEventListener('beforeinput', (event) => {
    if (!inserted.includes(event.inputType) || event.isComposing) return;
    event.preventDefault();
    if (pressed !== null && pressed === event.data) return;
    const text = event.data ?? (event.dataTransfer ? event.dataTransfer.getData('text/plain') : '');
    feedInTurn(event.inputType === 'insertLineBreak' || event.inputType === 'insertParagraph' ? '\r' : text);
  });

  return {
    feed,
    // What was typed ahead of a new run or after the end is dropped.
    clear: () => { line = []; },
  };
}
