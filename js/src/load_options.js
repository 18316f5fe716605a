// The options of load(), checked alike by the entry points for Node.js and for browsers.
'use strict';

// The options given, of the names `allowed` only: an unknown one is refused, not ignored.
function checkLoadOptions(options, allowed) {
  if (options === undefined || options === null) return {};
  if (typeof options !== 'object') throw new TypeError(`vqz2xml: load's options must be an object, not ${typeof options}`);
  const unknown = Object.keys(options).filter((name) => !allowed.includes(name));
  if (unknown.length > 0) {
    throw new TypeError(`vqz2xml: unknown load option${unknown.length > 1 ? 's' : ''} ${unknown.map((name) => `'${name}'`).join(', ')}` +
      `: the options are ${allowed.map((name) => `'${name}'`).join(', ')}`);
  }
  const { wasmBinary } = options;
  if (wasmBinary !== undefined && !(wasmBinary instanceof ArrayBuffer || ArrayBuffer.isView(wasmBinary))) {
    throw new TypeError('vqz2xml: wasmBinary must be the bytes of the module\'s .wasm file (an ArrayBuffer or Uint8Array)');
  }
  return options;
}

module.exports = { checkLoadOptions };
