// The package's entry point for browsers and their bundlers: no Node.js module is used, and the
// WebAssembly module is fetched from beside the page's script or given as bytes.
'use strict';

const createModule = require('./dist/vqz2xml_wasm_web.js');
const { makeConverter } = require('./src/converter.js');
const { checkLoadOptions } = require('./src/load_options.js');

// The module's file is fetched from `wasmUrl`, by default "vqz2xml_wasm_web.wasm" beside the
// classic script or worker that holds this code (a bundler's output), or beside the page for a
// module script: copy it there from the package's dist/.
async function load(options) {
  const { wasmBinary, wasmUrl } = checkLoadOptions(options, ['wasmBinary', 'wasmUrl']);
  const moduleOptions = {};
  if (wasmBinary) moduleOptions.wasmBinary = wasmBinary;
  else if (wasmUrl !== undefined) moduleOptions.locateFile = () => String(wasmUrl);
  return makeConverter(await createModule(moduleOptions));
}

module.exports = { load };
