// The page's own helpers: the source line shown for a diagnostic, sizes, the codebook and the names of its outputs.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { codebookCsv } from '../../web/codebook.js';
import { formatSize } from '../../web/format.js';
import { outputName, zipNames } from '../../web/names.js';
import { lineBounds, sourceExcerpt, splitAtMark } from '../../web/source_line.js';

const bytes = (text) => Buffer.from(text, 'latin1');
const marked = (input, line, column, encoding = 'latin1') => splitAtMark(sourceExcerpt(input, line, column), encoding);

test('lines end as the converter counts them: LF, CR LF and a lone CR', () => {
  const input = bytes('one\ntwo\r\nthree\rfour\n\r\nsix');
  const lines = [1, 2, 3, 4, 5, 6, 7, 99].map((line) => lineBounds(input, line)).map(({ start, end }) => input.toString('latin1', start, end));
  assert.deepEqual(lines, ['one', 'two', 'three', 'four', '', 'six', '', '']);
});

test('the excerpt marks the diagnostic\'s character, whole in each encoding, and shows the line before', () => {
  const excerpt = sourceExcerpt(bytes('VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "x"\r\n'), 4, 3);
  assert.equal(Buffer.from(excerpt.previous).toString('latin1'), 'SURVEY');
  assert.deepEqual(splitAtMark(excerpt, 'latin1'), { before: '  ', marked: 'B', after: 'OGUS "x"' });
  assert.deepEqual(marked(bytes('VQZ'), 1, 4), { before: 'VQZ', marked: '', after: '' }); // behind the input's end
  const euro = bytes('VQZ\n  \xe2\x82\xac rest\n');
  const cases = [[euro, 2, 3, 'utf-8', '\u20ac'], [euro, 2, 3, 'cp1252', '\u00e2'], [bytes('\x80'), 1, 1, 'cp1252', '\u20ac'],
    [bytes('\x80'), 1, 1, 'latin1', '\x80']];
  for (const [input, line, column, encoding, character] of cases) assert.equal(marked(input, line, column, encoding).marked, character, encoding);
  // A long line is cut around the mark, never inside a UTF-8 character.
  const long = Buffer.from(`VQZ\n${'\u00e9'.repeat(300)}X${'a'.repeat(400)}\n`, 'utf8');
  const parts = marked(long, 2, 601, 'utf-8');
  assert.equal(parts.marked, 'X');
  assert.match(parts.before, /^\u00e9+$/);
});

test('sizes count in thousands', () => {
  const cases = [[0, '0 bytes'], [1, '1 byte'], [999, '999 bytes'], [1000, '1.0 kB'], [999949, '999.9 kB'], [999950, '1.0 MB'],
    [1048576, '1.0 MB'], [50001428, '50.0 MB'], [4e9, '4.0 GB']];
  assert.deepEqual(cases.map(([size]) => formatSize(size)), cases.map(([, shown]) => shown));
});

test('the codebook has a row for each code, quotes what needs it, and one row for a variable without codes', () => {
  const variable = (ident, label, values) => ({ ident, name: `V${ident}`, label, type: 'single', start: 1, finish: null, width: 1, values });
  const survey = { variables: [variable('1', 'Plain', [{ code: '1', label: 'Yes' }, { code: null, label: 'No, "never"', special: true }]),
    variable('2', 'Line\nbreak, comma', [])] };
  assert.equal(codebookCsv(survey), '\ufeffident,name,label,type,start,finish,width,code,code_label,special\r\n' +
    '1,V1,Plain,single,1,,1,1,Yes,\r\n1,V1,Plain,single,1,,1,,"No, ""never""",yes\r\n2,V2,"Line\nbreak, comma",single,1,,1,,,\r\n');
});

test('outputs are named as the program names them, uniquely inside a zip', () => {
  const names = [['survey.vqz', 'survey.xml'], ['wave.2.vqz', 'wave.xml'], ['NOEXT', 'NOEXT.xml'], ['.hidden.vqz', '.hidden.xml']];
  assert.deepEqual(names.map(([input]) => outputName(input)), names.map(([, output]) => output));
  assert.deepEqual(zipNames(['a.xml', 'b.xml', 'a.xml', 'A.xml']), ['a.xml', 'b.xml', 'a (2).xml', 'A (3).xml']);
});
