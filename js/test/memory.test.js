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
  const createModule = require(`${modulePath}.js`);
  const module = await createModule({ wasmBinary: readFileSync(`${modulePath}.wasm`) });
  return { module, converter: makeConverter(module) };
}

// Takes the module's memory in blocks of 64 KB until none is left, then gives one back: room
// for a small input, none for the conversion's own memory.
function fillMemory(module) {
  let last = 0;
  for (let block = module._vqzAllocate(65536); block !== 0; block = module._vqzAllocate(65536)) last = block;
  module._vqzRelease(last);
}

test('memory running out is told, and a converter that stopped midway is replaced', async () => {
  const { module, converter } = await loadSmall();
  const input = golden('example_household.vqz');
  const expected = golden('example_household.xml');

  // No room for the input itself: refused before anything starts, the converter stays usable.
  assert.throws(() => converter.convert(new Uint8Array(40 << 20)), (error) => error instanceof RangeError &&
    /no memory for an input of 41943040 bytes/.test(error.message));
  assert.ok(Buffer.from(converter.convert(input).xml).equals(expected));

  // Room for the input but not for the conversion: the module stops midway and is not used again.
  fillMemory(module);
  assert.throws(() => converter.convert(input), /the conversion stopped, most likely for lack of memory; call load\(\)/);
  assert.throws(() => converter.convert(input), /stopped during an earlier conversion; call load\(\)/);

  const fresh = (await loadSmall()).converter;
  assert.ok(Buffer.from(fresh.convert(input).xml).equals(expected));
});
