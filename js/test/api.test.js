// The package's interface: entry points, input kinds, encodings, diagnostics, pieces, surveys and argument errors.
'use strict';

const assert = require('node:assert/strict');
const { readFileSync } = require('node:fs');
const path = require('node:path');
const { before, test } = require('node:test');
const { load } = require('..');

const rootDir = path.join(__dirname, '..', '..');
const golden = (name) => readFileSync(path.join(rootDir, 'tests', 'golden', name));
const bytes = (text) => Buffer.from(text, 'latin1');
const survey = (title) => bytes(`VQZ\nVERSION 1.1\nSURVEY\nTITLE "${title}"\nRECORD A\nEND RECORD\nEND SURVEY\nEND VQZ\n`);

let converter;
before(async () => {
  converter = await load();
});

test('both entries load converters of the project\'s version that share nothing and leave the process\'s handlers alone', async () => {
  const projectVersion = /project\(\s*vqz2xml\s+VERSION\s+([0-9.]+)/.exec(readFileSync(path.join(rootDir, 'CMakeLists.txt'), 'utf8'))[1];
  assert.deepEqual([converter.version, require('../package.json').version], [projectVersion, projectVersion]);
  const handlers = () => ['uncaughtException', 'unhandledRejection', 'exit'].map((event) => process.listenerCount(event));
  const [before, entry] = [handlers(), await import('../index.mjs')];
  const [other, first] = [await entry.load(), converter.convert(golden('head_example.vqz'))];
  assert.deepEqual([entry.load, handlers()], [load, before]);
  other.convert(golden('head_not_vqz.vqz'));
  assert.deepEqual(converter.convert(golden('head_example.vqz')), first);
});

test('any view of the bytes converts alike', () => {
  const input = golden('head_example.vqz');
  // A view that starts and ends inside a larger buffer must give exactly its own bytes.
  const padded = new Uint8Array(input.length + 7).fill(0x22);
  padded.set(input, 3);
  const shared = new SharedArrayBuffer(input.length);
  new Uint8Array(shared).set(input);
  const forms = { Buffer: input, 'Uint8Array inside a larger buffer': padded.subarray(3, 3 + input.length),
    ArrayBuffer: new Uint8Array(input).buffer, DataView: new DataView(padded.buffer, 3, input.length),
    Int8Array: new Int8Array(new Uint8Array(input).buffer), SharedArrayBuffer: shared };
  for (const [form, value] of Object.entries(forms)) {
    assert.ok(Buffer.from(converter.convert(value).xml).equals(golden('head_example.xml')), form);
  }
});

test('every spelling of an encoding reads its way, and a result names the encoding auto chose', () => {
  const input = survey('\x93caf\xc3\xa9\x94');
  const as = (encoding) => converter.convert(input, { encoding }).xml;
  assert.notDeepEqual(as('latin1'), as('cp1252'));
  assert.notDeepEqual(as('cp1252'), as('utf-8'));
  const spellings = [['latin1', 'LATIN1', 'Latin_1', 'iso-8859-1', 'ISO8859-1', 'l1'], ['cp1252', 'CP1252', 'Windows_1252'], ['utf-8', 'UTF-8', 'utf8']];
  for (const [name, ...others] of spellings) for (const encoding of others) assert.deepEqual(as(encoding), as(name), encoding);
  const cases = [
    ['UTF-8 sequences', survey('caf\xc3\xa9'), 'auto', 'utf-8'],
    ['a byte of 0x80-0x9F', survey('\x93quoted\x94'), 'AUTO', 'cp1252'],
    ['other high bytes', survey('caf\xe9'), 'auto', 'latin1'],
    ['a faulty input', golden('head_not_vqz.vqz'), 'auto', 'latin1'],
    ['a named encoding', survey('caf\xc3\xa9'), 'Windows_1252', 'cp1252'],
    ['no encoding named', survey('\x93'), undefined, 'latin1'],
  ];
  for (const [what, text, encoding, used] of cases) {
    const result = converter.convert(text, { encoding });
    assert.equal(result.encoding, used, what);
    assert.deepEqual(result, converter.convert(text, { encoding: used }), what);
  }
});

test('a faulty input tells where it went wrong, its found text as the raw bytes', () => {
  const cases = [
    { input: bytes(''), line: 1, column: 1, expected: "'VQZ'", found: '' },
    { input: bytes('VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "\xe9\\ here\r\nmore'), line: 4, column: 3,
      expected: "'Title'", found: 'BOGUS "\xe9\\ here' },
    { input: bytes('VQZ\nVERSION 1.1\nSURVEY\n  \xc3\xa9t\xe9 x\n'), encoding: 'utf-8', line: 4, column: 3,
      expected: "'Title'", found: '\xc3\xa9t\xe9 x' },
  ];
  for (const c of cases) {
    const { complete, diagnostic } = converter.convert(c.input, { encoding: c.encoding });
    assert.equal(complete, false);
    assert.ok(diagnostic.found instanceof Uint8Array);
    assert.deepEqual({ ...diagnostic, found: Buffer.from(diagnostic.found).toString('latin1') },
      { line: c.line, column: c.column, expected: c.expected, found: c.found });
  }
});

test('bad arguments are refused with a clear error, and leave the converter as it was', async () => {
  const input = golden('head_example.vqz');
  const cases = [
    [() => converter.convert('VQZ VERSION 1.1'), TypeError, /must be bytes.*not string: read the file as bytes/],
    [() => converter.convert([86, 81, 90]), TypeError, /must be bytes.*not object/],
    [() => converter.convert(input, 'utf-8'), TypeError, /options must be an object/],
    [() => converter.convert(input, { encoding: 8 }), TypeError, /encoding must be a string/],
    [() => converter.convert(input, { encoding: 'utf-16' }), RangeError, /unsupported encoding 'utf-16': use 'latin1', 'cp1252', 'utf-8' or 'auto'/],
    [() => converter.convert(input, { encodng: 'utf-8' }), TypeError, /unknown option 'encodng': the options are 'encoding'/],
    [() => converter.convert(input, { encoding: 'utf-8', strict: true, size: 1 }), TypeError, /unknown options 'strict', 'size'/],
    [() => converter.convertTo(input, null), TypeError, /receiver must be a function.*not null/],
    [() => converter.convertTo(input, () => {}, { encodng: 'utf-8' }), TypeError, /unknown option 'encodng'/],
    [() => converter.readSurvey('VQZ'), TypeError, /must be bytes/],
    [() => converter.readSurvey(input, { encoding: 'ebcdic' }), RangeError, /unsupported encoding/],
  ];
  for (const [call, type, message] of cases) assert.throws(call, (error) => error instanceof type && message.test(error.message));
  await assert.rejects(load({ wasmUrl: 'x.wasm' }), /unknown load option 'wasmUrl': the options are 'wasmBinary'/);
  await assert.rejects(load({ wasmBinary: 'x.wasm' }), TypeError);
  assert.ok(Buffer.from(converter.convert(input).xml).equals(golden('head_example.xml')));
});

test('convertTo hands over the same XML in pieces, and a receiver\'s error ends it', () => {
  for (const name of ['example_household.vqz', 'head_misspelt_survey.vqz']) {
    const pieces = [];
    const outcome = converter.convertTo(golden(name), (piece) => pieces.push(piece), { encoding: 'auto' });
    const { xml, ...rest } = converter.convert(golden(name), { encoding: 'auto' });
    assert.deepEqual([outcome, Buffer.concat(pieces)], [rest, Buffer.from(xml)], name);
  }
  const full = new Error('disk full');
  assert.throws(() => converter.convertTo(golden('example_household.vqz'), () => { throw full; }), (error) => error === full);
  assert.ok(Buffer.from(converter.convert(golden('head_example.vqz')).xml).equals(golden('head_example.xml')));
});

test('readSurvey gives plain objects of exactly the model\'s names, absent values null', () => {
  const read = converter.readSurvey(golden('example_household.vqz'), { encoding: 'auto' });
  assert.deepEqual(Object.keys(read), ['version', 'standard_names', 'date', 'time', 'origin', 'user', 'title', 'record',
    'variables', 'notes', 'complete', 'encoding', 'diagnostic']);
  assert.deepEqual(Object.keys(read.variables[0]), ['ident', 'name', 'label', 'type', 'start', 'finish', 'width', 'spread',
    'size', 'range', 'values']);
  assert.deepEqual(Object.keys(read.variables.find((variable) => variable.values.length > 0).values[0]), ['code', 'number', 'label', 'special']);
  assert.deepEqual([read.complete, read.encoding, read.diagnostic], [true, 'latin1', null]);
  // A faulty input: what came before the fault, and the diagnostic as convert gives it.
  const faulty = converter.readSurvey(golden('head_misspelt_survey.vqz'));
  assert.deepEqual([faulty.complete, faulty.title, faulty.diagnostic], [false, null, converter.convert(golden('head_misspelt_survey.vqz')).diagnostic]);
  assert.equal(converter.readSurvey(survey('caf\xc3\xa9'), { encoding: 'utf-8' }).title, 'caf\u00e9');
  assert.equal(converter.readSurvey(survey('caf\xc3\xa9'), { encoding: 'latin1' }).title, 'caf\u00c3\u00a9');
});

test('big inputs grow the memory and still convert and read exactly', () => {
  // Many copies of one variable make an input of some megabytes, past the module's first memory.
  const variable = (i) => `VARIABLE ${i}\nNAME "V${i}"\nLABEL "\xe9 ${i}"\nTYPE single\nPOSITION ${i}\nVALUES\n1 "one"\nEND VALUES\nEND VARIABLE\n`;
  const input = bytes(`VQZ\nVERSION 1.1\nSURVEY\nTITLE "t"\nRECORD A\n${Array.from({ length: 60000 }, (_, i) => variable(i + 1)).join('')}END RECORD\nEND SURVEY\nEND VQZ\n`);
  const { complete, xml } = converter.convert(input);
  const pieces = [];
  converter.convertTo(input, (piece) => pieces.push(piece));
  assert.deepEqual([complete, Buffer.from(xml).equals(Buffer.concat(pieces))], [true, true]);
  assert.match(Buffer.from(xml.subarray(-2000)).toString('latin1'), /<variable ident="60000"[^]*<\/record>/);
  const { variables } = converter.readSurvey(input);
  assert.deepEqual([variables.length, variables[59999].label, variables[59999].start], [60000, '\u00e9 60000', 60000]);
});
