// The page's own helpers: the source line shown for a diagnostic, and the names of its outputs.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { codebookCsv } from '../../web/codebook.js';
import { formatSize } from '../../web/format.js';
import { outputName, zipNames } from '../../web/names.js';
import { lineBounds, sourceExcerpt, splitAtMark } from '../../web/source_line.js';

const bytes = (text) => Buffer.from(text, 'latin1');
const text = (range) => Buffer.from(range).toString('latin1');

test('lines end as the converter counts them: LF, CR LF and a lone CR', () => {
  const input = bytes('one\ntwo\r\nthree\rfour\n\r\nsix');
  const cases = [[1, 'one'], [2, 'two'], [3, 'three'], [4, 'four'], [5, ''], [6, 'six'], [7, ''], [99, '']];
  for (const [line, expected] of cases) {
    const { start, end } = lineBounds(input, line);
    assert.equal(text(input.subarray(start, end)), expected, `line ${line}`);
  }
});

test('the excerpt marks the diagnostic\'s column and shows the line before', () => {
  const input = bytes('VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "x"\r\n');
  const excerpt = sourceExcerpt(input, 4, 3);
  assert.equal(text(excerpt.previous), 'SURVEY');
  assert.deepEqual(splitAtMark(excerpt, 'latin1'), { before: '  ', marked: 'B', after: 'OGUS "x"' });
  // At the end of the input the mark stands behind the last byte.
  const atEnd = sourceExcerpt(bytes('VQZ'), 1, 4);
  assert.deepEqual(splitAtMark(atEnd, 'latin1'), { before: 'VQZ', marked: '', after: '' });
  assert.equal(atEnd.previous, null);
});

test('a long line is cut around the mark, never inside a UTF-8 character', () => {
  const long = '\u00e9'.repeat(300) + 'X' + 'a'.repeat(400);
  const input = Buffer.from(`VQZ\n${long}\n`, 'utf8');
  const column = Buffer.byteLength('\u00e9'.repeat(300)) + 1;
  const excerpt = sourceExcerpt(input, 2, column);
  assert.ok(excerpt.cutBefore && excerpt.cutAfter);
  const parts = splitAtMark(excerpt, 'utf-8');
  assert.equal(parts.marked, 'X');
  assert.match(parts.before, /^\u00e9+$/); // no replacement character from a split sequence
  assert.ok(parts.after.startsWith('aaa'));
});

test('the marked character is whole in each encoding', () => {
  const input = bytes('VQZ\n  \xe2\x82\xac rest\n');
  assert.equal(splitAtMark(sourceExcerpt(input, 2, 3), 'utf-8').marked, '\u20ac');
  assert.equal(splitAtMark(sourceExcerpt(input, 2, 3), 'cp1252').marked, '\u00e2');
  assert.equal(splitAtMark(sourceExcerpt(bytes('\x80'), 1, 1), 'cp1252').marked, '\u20ac');
  assert.equal(splitAtMark(sourceExcerpt(bytes('\x80'), 1, 1), 'latin1').marked, '\x80');
});

test('outputs are named as the program names them, uniquely inside a zip', () => {
  const names = [['survey.vqz', 'survey.xml'], ['wave.2.vqz', 'wave.xml'], ['NOEXT', 'NOEXT.xml'], ['.hidden.vqz', '.hidden.xml']];
  for (const [input, output] of names) assert.equal(outputName(input), output, input);
  assert.deepEqual(zipNames(['a.xml', 'b.xml', 'a.xml', 'A.xml']), ['a.xml', 'b.xml', 'a (2).xml', 'A (3).xml']);
});

test('sizes count in thousands', () => {
  const cases = [[0, '0 bytes'], [1, '1 byte'], [999, '999 bytes'], [1000, '1.0 kB'], [64000, '64.0 kB'],
    [999949, '999.9 kB'], [999950, '1.0 MB'], [1048576, '1.0 MB'], [50001428, '50.0 MB'], [4e9, '4.0 GB']];
  for (const [bytes, text] of cases) assert.equal(formatSize(bytes), text, String(bytes));
});

test('the codebook has a row for each code, quotes what needs it, and one row for a variable without codes', () => {
  const variable = (ident, label, values) => ({ ident, name: `V${ident}`, label, type: 'single', start: 1, finish: null, width: 1, values });
  const survey = { variables: [
    variable('1', 'Plain', [{ code: '1', label: 'Yes', special: false }, { code: null, label: 'No, "never"', special: true }]),
    variable('2', 'Line\nbreak, comma', []),
  ] };
  assert.equal(codebookCsv(survey), '\ufeffident,name,label,type,start,finish,width,code,code_label,special\r\n' +
    '1,V1,Plain,single,1,,1,1,Yes,\r\n' +
    '1,V1,Plain,single,1,,1,,"No, ""never""",yes\r\n' +
    '2,V2,"Line\nbreak, comma",single,1,,1,,,\r\n');
});
