// Running out of memory, in a module whose memory may grow to 32 MB only, built for this test.
'use strict';

const assert = require('node:assert/strict');
const { readFileSync } = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');
const { makeConverter } = require('../src/converter.js');

const modulePath = path.join(__dirname, '..', 'build-wasm', 'js', 'vqz2xml_wasm_small');
const golden = (name) => readFileSync(path.join(__dirname, '..', '..', 'tests', 'golden', name));

async function loadSmall() {
  const module = await require(`${modulePath}.js`)({ wasmBinary: readFileSync(`${modulePath}.wasm`) });
  return { module, converter: makeConverter(module) };
}

test('memory running out is told, and a converter that stopped midway is replaced', async () => {
  const { module, converter } = await loadSmall();
  const [input, expected] = [golden('example_household.vqz'), golden('example_household.xml')];
  // No room for the input itself: refused before anything starts, the converter stays usable.
  assert.throws(() => converter.convert(new Uint8Array(40 << 20)), /no memory for an input of 41943040 bytes/);
  assert.ok(Buffer.from(converter.convert(input).xml).equals(expected));
  // Room for the input but not for the conversion (blocks of 64 KB taken until none is left, one
  // given back): the module stops midway and is not used again.
  let last = 0;
  for (let block = module._vqzAllocate(65536); block !== 0; block = module._vqzAllocate(65536)) last = block;
  module._vqzRelease(last);
  assert.throws(() => converter.convert(input), /the conversion stopped, most likely for lack of memory; call load\(\)/);
  assert.throws(() => converter.readSurvey(input), /stopped during an earlier conversion; call load\(\)/);
  assert.ok(Buffer.from((await loadSmall()).converter.convert(input).xml).equals(expected));
});
