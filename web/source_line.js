// The input line a diagnostic points at, cut to a window around its column and decoded for display.

// Bytes shown on either side of the marked column; a longer line is cut, with ellipses.
const windowBefore = 160;
const windowAfter = 160;

// Where line `line` (from 1) starts and ends, its line end left out, counting lines as the
// converter does: each "\n", "\r\n" or lone "\r" ends one. Past the last line: the input's end.
export function lineBounds(bytes, line) {
  let start = 0;
  for (let current = 1; current < line && start < bytes.length; ++current) {
    let i = start;
    while (i < bytes.length && bytes[i] !== 10 && bytes[i] !== 13) ++i;
    if (i === bytes.length) return { start: bytes.length, end: bytes.length };
    start = bytes[i] === 13 && bytes[i + 1] === 10 ? i + 2 : i + 1;
  }
  let end = start;
  while (end < bytes.length && bytes[end] !== 10 && bytes[end] !== 13) ++end;
  return { start, end };
}

// The marked line of a diagnostic, and the line before it for context, as byte ranges of
// `bytes`: `text` is the line (or a window of a long one), `mark` the marked byte's offset in
// it (text.length when the column lies behind the line's last byte).
export function sourceExcerpt(bytes, line, column) {
  const { start, end } = lineBounds(bytes, line);
  const at = Math.min(start + column - 1, end);
  let from = Math.max(start, at - windowBefore);
  // A window must not begin inside a multi-byte character of UTF-8.
  while (from > start && from < at && (bytes[from] & 0xc0) === 0x80) --from;
  const to = Math.min(end, at + windowAfter);
  const excerpt = {
    line,
    text: bytes.slice(from, to),
    mark: at - from,
    cutBefore: from > start,
    cutAfter: to < end,
    previous: null,
  };
  if (line > 1) {
    const before = lineBounds(bytes, line - 1);
    excerpt.previous = bytes.slice(before.start, Math.min(before.end, before.start + windowBefore + windowAfter));
  }
  return excerpt;
}

// Windows-1252's characters for bytes 0x80 to 0x9F (the five it leaves unassigned read as in
// Latin-1); every other byte is its own code point, as in Latin-1.
const cp1252High = '\u20ac\x81\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\x8d\u017d\x8f' +
  '\x90\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\x9d\u017e\u0178';

// A function that decodes bytes of the given encoding into text for display. The single-byte
// encodings are decoded here: some TextDecoders read "windows-1252" as Latin-1.
export function decoderFor(encoding) {
  if (encoding === 'utf-8') {
    const decoder = new TextDecoder('utf-8');
    return (bytes) => decoder.decode(bytes);
  }
  const high = encoding === 'cp1252' ? cp1252High : null;
  return (bytes) => {
    let text = '';
    for (const b of bytes) text += high && b >= 0x80 && b < 0xa0 ? high[b - 0x80] : String.fromCharCode(b);
    return text;
  };
}

// The number of bytes of the character that begins with `lead` in the given encoding.
export function characterLength(lead, encoding) {
  if (encoding !== 'utf-8' || lead < 0xc0) return 1;
  if (lead < 0xe0) return 2;
  return lead < 0xf0 ? 3 : 4;
}

// The excerpt's line as three texts: before the mark, the marked character, after it.
export function splitAtMark(excerpt, encoding) {
  const decode = decoderFor(encoding);
  const { text, mark } = excerpt;
  const markEnd = mark < text.length ? Math.min(text.length, mark + characterLength(text[mark], encoding)) : mark;
  return {
    before: decode(text.subarray(0, mark)),
    marked: decode(text.subarray(mark, markEnd)),
    after: decode(text.subarray(markEnd)),
  };
}
