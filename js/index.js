// The package's CommonJS entry point: load() instantiates the WebAssembly converter in Node.js.
'use strict';

const { readFile } = require('node:fs/promises');
const path = require('node:path');
const { makeConverter } = require('./src/converter.js');

const distDir = path.join(__dirname, 'dist');

// A converter of its own: each one has its own WebAssembly memory, which grows with the largest
// conversion it has made and is given back when the converter is no longer referenced.
async function load() {
  const createModule = require(path.join(distDir, 'vqz2xml_wasm.js'));
  const wasmBinary = await readFile(path.join(distDir, 'vqz2xml_wasm.wasm'));
  return makeConverter(await createModule({ wasmBinary }));
}

module.exports = { load };
