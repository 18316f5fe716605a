// The package's CommonJS entry point for Node.js: load() instantiates the WebAssembly converter.
'use strict';

const { readFile } = require('node:fs/promises');
const path = require('node:path');
const { makeConverter } = require('./src/converter.js');
const { checkLoadOptions } = require('./src/load_options.js');

const distDir = path.join(__dirname, 'dist');

// A converter of its own: each one has its own WebAssembly memory, which grows with the largest
// conversion it has made and is given back when the converter is no longer referenced.
async function load(options) {
  let { wasmBinary } = checkLoadOptions(options, ['wasmBinary']);
  if (!wasmBinary) {
    try {
      wasmBinary = await readFile(path.join(distDir, 'vqz2xml_wasm.wasm'));
    } catch (error) {
      throw new Error(`vqz2xml: the WebAssembly module is missing from ${distDir} (in a checkout, "npm run build" makes it)`,
        { cause: error });
    }
  }
  const createModule = require(path.join(distDir, 'vqz2xml_wasm.js'));
  return makeConverter(await createModule({ wasmBinary }));
}

module.exports = { load };
