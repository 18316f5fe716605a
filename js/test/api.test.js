// The package's interface: entry points, input kinds, encoding names, diagnostics and argument errors.
'use strict';

const assert = require('node:assert/strict');
const { readFileSync } = require('node:fs');
const path = require('node:path');
const { before, test } = require('node:test');
const { load } = require('..');

const rootDir = path.join(__dirname, '..', '..');
const golden = (name) => readFileSync(path.join(rootDir, 'tests', 'golden', name));
const bytes = (text) => Buffer.from(text, 'latin1');

let converter;
before(async () => {
  converter = await load();
});

test('the version is the project\'s, in the converter and in package.json', () => {
  const cmake = readFileSync(path.join(rootDir, 'CMakeLists.txt'), 'utf8');
  const projectVersion = /project\(\s*vqz2xml\s+VERSION\s+([0-9.]+)/.exec(cmake)[1];
  assert.equal(converter.version, projectVersion);
  assert.equal(require('../package.json').version, projectVersion);
});

test('the ES module entry point loads the same converter', async () => {
  const entry = await import('../index.mjs');
  assert.equal(entry.load, load);
  const other = await entry.load();
  assert.deepEqual(other.convert(golden('head_example.vqz')), converter.convert(golden('head_example.vqz')));
});

test('loading leaves the process\'s own handlers alone', async () => {
  const events = ['uncaughtException', 'unhandledRejection', 'exit'];
  const before = events.map((event) => process.listenerCount(event));
  await load();
  assert.deepEqual(events.map((event) => process.listenerCount(event)), before);
});

test('converters loaded apart do not share memory', async () => {
  const other = await load();
  const first = converter.convert(golden('head_example.vqz'));
  other.convert(golden('head_not_vqz.vqz'));
  assert.deepEqual(converter.convert(golden('head_example.vqz')), first);
});

test('any view of the bytes converts alike', () => {
  const input = golden('head_example.vqz');
  const expected = golden('head_example.xml');
  // A view that starts and ends inside a larger buffer must give exactly its own bytes.
  const padded = new Uint8Array(input.length + 7).fill(0x22);
  padded.set(input, 3);
  const forms = {
    Buffer: input,
    Uint8Array: new Uint8Array(input),
    'Uint8Array inside a larger buffer': padded.subarray(3, 3 + input.length),
    ArrayBuffer: new Uint8Array(input).buffer,
    DataView: new DataView(padded.buffer, 3, input.length),
    Int8Array: new Int8Array(new Uint8Array(input).buffer),
    SharedArrayBuffer: (() => {
      const shared = new SharedArrayBuffer(input.length);
      new Uint8Array(shared).set(input);
      return shared;
    })(),
  };
  for (const [form, value] of Object.entries(forms)) {
    assert.ok(Buffer.from(converter.convert(value).xml).equals(expected), form);
  }
});

test('every accepted spelling of an encoding reads the bytes that encoding\'s way', () => {
  const input = golden('enc_cp1252_texts.vqz');
  const asLatin1 = converter.convert(input).xml;
  const asCp1252 = converter.convert(input, { encoding: 'cp1252' }).xml;
  const asUtf8 = converter.convert(input, { encoding: 'utf-8' }).xml;
  assert.notDeepEqual(asLatin1, asCp1252);
  assert.notDeepEqual(asCp1252, asUtf8);
  const spellings = [
    [['latin1', 'LATIN1', 'latin-1', 'Latin_1', 'iso-8859-1', 'ISO8859-1', 'l1'], asLatin1],
    [['cp1252', 'CP1252', 'windows-1252', 'Windows_1252'], asCp1252],
    [['utf-8', 'UTF-8', 'utf8', 'Utf_8'], asUtf8],
  ];
  for (const [names, expected] of spellings) {
    for (const encoding of names) assert.deepEqual(converter.convert(input, { encoding }).xml, expected, encoding);
  }
  assert.deepEqual(converter.convert(input, {}).xml, asLatin1);
  assert.deepEqual(converter.convert(input, null).xml, asLatin1);
});

test('a faulty input tells where it went wrong', () => {
  const cases = [
    // Inline inputs, with what the C++ interface tells of them.
    { input: bytes(''), line: 1, column: 1, expected: "'VQZ'", found: '' },
    { input: bytes('VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "\xe9\\ here\r\nmore'), line: 4, column: 3,
      expected: "'Title'", found: 'BOGUS "\xe9\\ here' },
    { input: bytes('VQZ VERSION 1.1 SURVEY TITLE "t" RECORD A\n\tVAR 1'), line: 2, column: 2,
      expected: "'VARIABLE var_id'", found: 'VAR 1' },
    // Golden cases, checked against their inputs by hand.
    { input: golden('head_not_vqz.vqz'), line: 1, column: 2, expected: "'VQZ'", found: 'VQX' },
    { input: golden('head_misspelt_survey.vqz'), line: 4, column: 3, expected: "'Survey'", found: 'SURVY' },
    { input: golden('pos_v11_size_range.vqz'), line: 10, column: 8, expected: "'End Variable'", found: 'TO 5' },
    { input: golden('survey_title_unclosed.vqz'), line: 4, column: 1, expected: "'Title'", found: '' },
  ];
  for (const c of cases) {
    const result = converter.convert(c.input);
    assert.equal(result.complete, false);
    const { line, column, expected, found } = result.diagnostic;
    assert.ok(found instanceof Uint8Array);
    assert.deepEqual({ line, column, expected, found: Buffer.from(found).toString('latin1') },
      { line: c.line, column: c.column, expected: c.expected, found: c.found });
  }
});

test('the found text keeps its raw bytes whatever the encoding', () => {
  const input = bytes('VQZ\nVERSION 1.1\nSURVEY\n  \xc3\xa9t\xe9 x\n');
  for (const encoding of ['latin1', 'cp1252', 'utf-8']) {
    const { found } = converter.convert(input, { encoding }).diagnostic;
    assert.deepEqual(Buffer.from(found), bytes('\xc3\xa9t\xe9 x'), encoding);
  }
});

test('bad arguments are refused with a clear error', () => {
  const input = golden('head_example.vqz');
  const cases = [
    [() => converter.convert('VQZ VERSION 1.1'), TypeError, /must be bytes.*not string: read the file as bytes/],
    [() => converter.convert(), TypeError, /must be bytes.*not undefined/],
    [() => converter.convert(null), TypeError, /not null/],
    [() => converter.convert([86, 81, 90]), TypeError, /must be bytes.*not object/],
    [() => converter.convert(input, 'utf-8'), TypeError, /options must be an object/],
    [() => converter.convert(input, { encoding: 8 }), TypeError, /encoding must be a string/],
    [() => converter.convert(input, { encoding: 'utf-16' }), RangeError, /unsupported encoding 'utf-16': use 'latin1', 'cp1252', 'utf-8' or 'auto'/],
    [() => converter.convert(input, { encodng: 'utf-8' }), TypeError, /unknown option 'encodng': the options are 'encoding'/],
    [() => converter.convert(input, { encoding: 'utf-8', strict: true, size: 1 }), TypeError, /unknown options 'strict', 'size'/],
    [() => converter.convertTo(input, null), TypeError, /receiver must be a function.*not null/],
    [() => converter.convertTo(input, () => {}, { encodng: 'utf-8' }), TypeError, /unknown option 'encodng'/],
    [() => converter.convertTo('VQZ', () => {}), TypeError, /must be bytes/],
  ];
  for (const [call, type, message] of cases) assert.throws(call, (error) => error instanceof type && message.test(error.message));
  // A refused call leaves the converter as it was.
  assert.ok(Buffer.from(converter.convert(input).xml).equals(golden('head_example.xml')));
});

test('a result names the encoding it was read in, the one auto chose among them', () => {
  const survey = (title) => bytes(`VQZ\nVERSION 1.1\nSURVEY\nTITLE "${title}"\nRECORD A\nEND RECORD\nEND SURVEY\nEND VQZ\n`);
  const cases = [
    ['UTF-8 sequences', survey('caf\xc3\xa9'), 'auto', 'utf-8'],
    ['a byte of 0x80-0x9F', survey('\x93quoted\x94'), 'auto', 'cp1252'],
    ['other high bytes', survey('caf\xe9'), 'auto', 'latin1'],
    ['ASCII only', golden('head_example.vqz'), 'auto', 'latin1'],
    ['a faulty input', golden('head_not_vqz.vqz'), 'AUTO', 'latin1'],
    ['a named encoding', survey('caf\xc3\xa9'), 'Windows_1252', 'cp1252'],
    ['no encoding named', survey('\x93'), undefined, 'latin1'],
  ];
  for (const [what, input, encoding, used] of cases) {
    const result = converter.convert(input, { encoding });
    assert.equal(result.encoding, used, what);
    // Auto converts exactly as naming the chosen encoding does.
    assert.deepEqual(result, converter.convert(input, { encoding: used }), what);
  }
});

test('convertTo hands over the same XML in pieces, and a receiver\'s error ends it', () => {
  for (const name of ['example_household.vqz', 'head_misspelt_survey.vqz']) {
    const input = golden(name);
    const pieces = [];
    const outcome = converter.convertTo(input, (piece) => pieces.push(piece), { encoding: 'auto' });
    const { xml, ...rest } = converter.convert(input, { encoding: 'auto' });
    assert.deepEqual(outcome, rest, name);
    assert.ok(pieces.every((piece) => piece instanceof Uint8Array && piece.length > 0));
    assert.ok(Buffer.concat(pieces).equals(Buffer.from(xml)), name);
  }
  const full = new Error('disk full');
  assert.throws(() => converter.convertTo(golden('example_household.vqz'), () => { throw full; }), (error) => error === full);
  // The converter is as good as before.
  assert.ok(Buffer.from(converter.convert(golden('head_example.vqz')).xml).equals(golden('head_example.xml')));
});

test('readSurvey gives plain objects of exactly the model\'s names, absent values null', () => {
  const survey = converter.readSurvey(golden('example_household.vqz'), { encoding: 'auto' });
  assert.deepEqual(Object.keys(survey), ['version', 'standard_names', 'date', 'time', 'origin', 'user', 'title', 'record',
    'variables', 'notes', 'complete', 'encoding', 'diagnostic']);
  assert.deepEqual(Object.keys(survey.variables[0]), ['ident', 'name', 'label', 'type', 'start', 'finish', 'width', 'spread',
    'size', 'range', 'values']);
  const coded = survey.variables.find((variable) => variable.values.length > 0);
  assert.deepEqual(Object.keys(coded.values[0]), ['code', 'number', 'label', 'special']);
  assert.equal(Object.getPrototypeOf(survey), Object.prototype);
  assert.deepEqual([survey.complete, survey.encoding, survey.diagnostic], [true, 'latin1', null]);
  assert.ok(survey.variables.length > 3 && survey.variables.every((variable) => variable.spread === null || typeof variable.spread.subfields === 'number'));

  // A faulty input: what came before the fault, and the diagnostic as convert gives it.
  const input = golden('head_misspelt_survey.vqz');
  const faulty = converter.readSurvey(input);
  assert.equal(faulty.complete, false);
  assert.deepEqual(faulty.diagnostic, converter.convert(input).diagnostic);
  assert.equal(faulty.title, null);
  // Texts arrive as the characters the encoding makes of the bytes.
  const head = 'VQZ\nVERSION 1.1\nSURVEY\nTITLE "caf\xc3\xa9"\nRECORD A\nEND RECORD\nEND SURVEY\nEND VQZ\n';
  assert.equal(converter.readSurvey(bytes(head), { encoding: 'utf-8' }).title, 'caf\u00e9');
  assert.equal(converter.readSurvey(bytes(head), { encoding: 'latin1' }).title, 'caf\u00c3\u00a9');
  for (const [call, type, message] of [
    [() => converter.readSurvey('VQZ'), TypeError, /must be bytes/],
    [() => converter.readSurvey(input, { encodng: 'auto' }), TypeError, /unknown option 'encodng'/],
    [() => converter.readSurvey(input, { encoding: 'ebcdic' }), RangeError, /unsupported encoding/],
  ]) assert.throws(call, (error) => error instanceof type && message.test(error.message));
});

test('load refuses options it does not know', async () => {
  await assert.rejects(load({ wasmUrl: 'x.wasm' }), /unknown load option 'wasmUrl': the options are 'wasmBinary'/);
  await assert.rejects(load({ wasmBinary: 'x.wasm' }), TypeError);
  const wasmBinary = readFileSync(path.join(__dirname, '..', 'dist', 'vqz2xml_wasm.wasm'));
  assert.equal((await load({ wasmBinary })).version, converter.version);
});

test('big inputs grow the memory and still convert exactly', () => {
  // Many copies of one variable make an input of some megabytes, past the module's first memory.
  const head = 'VQZ\nVERSION 1.1\nSURVEY\nTITLE "t"\nRECORD A\n';
  const variable = (i) => `VARIABLE ${i}\nNAME "V${i}"\nLABEL "\xe9 label ${i}"\nTYPE single\nPOSITION ${i} TO ${i}\nVALUES\n1 "one"\n2 "two"\nEND VALUES\nEND VARIABLE\n`;
  const parts = [head];
  for (let i = 1; i <= 60000; ++i) parts.push(variable(i));
  parts.push('END RECORD\nEND SURVEY\nEND VQZ\n');
  const input = bytes(parts.join(''));
  const small = converter.convert(bytes(head + variable(1) + variable(2) + 'END RECORD\nEND SURVEY\nEND VQZ\n'));
  const result = converter.convert(input);
  assert.equal(result.complete, true, result.diagnostic && JSON.stringify(result.diagnostic));
  assert.ok(result.xml.length > input.length);
  // The big document starts as the small one does and ends as it does.
  const text = Buffer.from(result.xml).toString('latin1');
  const smallText = Buffer.from(small.xml).toString('latin1');
  const cut = smallText.indexOf('<variable ident="2"');
  assert.equal(text.slice(0, cut), smallText.slice(0, cut));
  assert.ok(text.endsWith(smallText.slice(smallText.lastIndexOf('</record>'))));
});
