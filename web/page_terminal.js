// The terminal: as many columns as its box holds (at most 80, as a console
// has), the transcript as the screen holds it, and what the page itself
// writes there, set apart in colour from the program's output.
'use strict';

const MAX_COLUMNS = 80;
const END_NOTICE = '[The program has ended. Press Enter to run it again.]';

const terminal = new Terminal({
  convertEol: true,
  cursorBlink: true,
  cols: MAX_COLUMNS,
  rows: 24,
  fontSize: 14,
  scrollback: 5000,
});
const fitAddon = new FitAddon.FitAddon();
terminal.loadAddon(fitAddon);
const terminalBox = document.getElementById('terminal');
terminal.open(terminalBox);
terminal.textarea.setAttribute('aria-label', 'Your answer to the program');
terminal.textarea.setAttribute('aria-describedby', 'instructions');
// Reverse wraparound lets a Backspace at the start of a wrapped row reach
// the end of the row above, as the line editor's erasing needs.
terminal.write('\x1b[?45h');

// Small screens get the smallest font that stays readable, and so more
// columns; rows follow the height the style sheet gives the box.
function fitTerminal() {
  const fontSize = terminalBox.clientWidth < 560 ? 12 : 14;
  if (terminal.options.fontSize !== fontSize) terminal.options.fontSize = fontSize;
  const proposed = fitAddon.proposeDimensions();
  if (!proposed || !Number.isFinite(proposed.cols) || !Number.isFinite(proposed.rows)) return;
  const cols = Math.max(10, Math.min(MAX_COLUMNS, proposed.cols));
  const rows = Math.max(5, proposed.rows);
  if (cols !== terminal.cols || rows !== terminal.rows) terminal.resize(cols, rows);
}
new ResizeObserver(() => fitTerminal()).observe(terminalBox);
fitTerminal();

// The whole scrollback as text: rows the terminal wrapped are joined again,
// and a row that goes on in the next keeps its trailing blanks.
function transcript() {
  const buffer = terminal.buffer.active;
  const lines = [];
  for (let y = 0; y < buffer.length; y++) {
    const row = buffer.getLine(y);
    const next = buffer.getLine(y + 1);
    const text = row.translateToString(!(next && next.isWrapped));
    if (row.isWrapped && lines.length > 0) lines[lines.length - 1] += text;
    else lines.push(text);
  }
  while (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  return lines.length > 0 ? lines.join('\n') + '\n' : '';
}

// Once all written before is drawn, so the cursor's column is known.
function writeOnOwnLine(text) {
  terminal.write('', () => {
    const atStart = terminal.buffer.active.cursorX === 0;
    terminal.write((atStart ? '' : '\r\n') + text);
  });
}

function showEndNotice() {
  writeOnOwnLine(`\x1b[36m${END_NOTICE}\x1b[0m\r\n\x1b[?25l`);
  terminal.options.cursorBlink = false;
}

function clearTerminal() {
  terminal.reset();
  terminal.write('\x1b[?45h');
  terminal.options.cursorBlink = true;
}
