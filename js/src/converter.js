// The converter over an instantiated WebAssembly module: argument checks, input in, XML and diagnostic out.
'use strict';

// Each encoding's number in the module, under every name accepted for it (compared in lower
// case, with "_" read as "-"). Auto lets the module choose one of the others from the bytes.
const encodingNumbers = new Map([
  ['latin1', 0],
  ['latin-1', 0],
  ['iso-8859-1', 0],
  ['iso8859-1', 0],
  ['l1', 0],
  ['cp1252', 1],
  ['windows-1252', 1],
  ['utf-8', 2],
  ['utf8', 2],
  ['auto', 3],
]);

// The name a result gives the encoding its input was read in, by the module's number.
const encodingNames = ['latin1', 'cp1252', 'utf-8'];

const optionNames = ['encoding'];

// The number of the encoding named in `options` (latin1 when none is named). An option the
// converter does not know is refused rather than ignored, for a misspelt one would otherwise
// convert in the default encoding without a word.
function encodingNumber(options) {
  if (options === undefined || options === null) return 0;
  if (typeof options !== 'object') {
    throw new TypeError(`vqz2xml: options must be an object such as { encoding: 'utf-8' }, not ${typeof options}`);
  }
  const unknown = Object.keys(options).filter((name) => !optionNames.includes(name));
  if (unknown.length > 0) {
    throw new TypeError(`vqz2xml: unknown option${unknown.length > 1 ? 's' : ''} ${unknown.map((name) => `'${name}'`).join(', ')}` +
      `: the options are ${optionNames.map((name) => `'${name}'`).join(', ')}`);
  }
  const name = options.encoding;
  if (name === undefined) return 0;
  if (typeof name !== 'string') {
    throw new TypeError(`vqz2xml: encoding must be a string, not ${typeof name}`);
  }
  const number = encodingNumbers.get(name.toLowerCase().replace(/_/g, '-'));
  if (number === undefined) {
    throw new RangeError(`vqz2xml: unsupported encoding '${name}': use 'latin1', 'cp1252', 'utf-8' or 'auto'`);
  }
  return number;
}

// The input's bytes as a Uint8Array over the same memory: any typed array, DataView,
// ArrayBuffer or SharedArrayBuffer will do, a string will not.
function inputBytes(input) {
  if (input instanceof Uint8Array) return input;
  if (ArrayBuffer.isView(input)) return new Uint8Array(input.buffer, input.byteOffset, input.byteLength);
  if (input instanceof ArrayBuffer || (typeof SharedArrayBuffer === 'function' && input instanceof SharedArrayBuffer)) {
    return new Uint8Array(input);
  }
  const kind = input === null ? 'null' : typeof input;
  throw new TypeError(`vqz2xml: the input must be bytes (a Uint8Array, Buffer or ArrayBuffer), not ${kind}` +
    (typeof input === 'string' ? ': read the file as bytes, for its encoding is the converter\'s to apply' : ''));
}

const latin1 = new TextDecoder('latin1'); // ASCII in practice: the expected texts are plain ASCII
const utf8 = new TextDecoder('utf-8');

// The words of the module's ResultView, in order.
const viewWords = 10;

// The XML as the module hands it over block by block, in one buffer sized for the usual
// document (twice its input) and grown when a document needs more.
class OutputCollector {
  constructor(expected) {
    this.buffer = new Uint8Array(expected);
    this.size = 0;
  }

  // Copies `count` bytes at `address` of `heap`; false when there is no memory for them.
  take(heap, address, count) {
    const needed = this.size + count;
    if (needed > this.buffer.length) {
      let bigger;
      try {
        bigger = new Uint8Array(Math.max(needed, Math.floor(this.buffer.length * 1.5)));
      } catch {
        return false;
      }
      bigger.set(this.buffer.subarray(0, this.size));
      this.buffer = bigger;
    }
    this.buffer.set(heap.subarray(address, address + count), this.size);
    this.size = needed;
    return true;
  }

  // The XML: a view of the buffer's first bytes, so that a big document is not copied again.
  // A small one is copied into a buffer of its own size, which costs next to nothing.
  bytes() {
    const smallest = 1 << 20;
    return this.size < smallest ? this.buffer.slice(0, this.size) : this.buffer.subarray(0, this.size);
  }
}

// The buffer first made for the XML of an input of `inputSize` bytes.
function expectedXmlSize(inputSize) {
  return Math.min(2 * inputSize + 4096, 0x7fffffff);
}

// The outcome the module left: whether the input was complete, its diagnostic and the encoding
// used; throws when the XML's receiver took no more.
function readOutcome(module, view) {
  const [status, line, column, expected, expectedSize, found, foundSize, encoding] =
    new Uint32Array(module.HEAPU8.buffer, view, viewWords);
  if (status === 2) throw new RangeError('vqz2xml: out of memory for the XML of this input');
  const outcome = { complete: status === 0, diagnostic: null, encoding: encodingNames[encoding] };
  if (status === 0) return outcome;
  const heap = module.HEAPU8;
  outcome.diagnostic = {
    line,
    column,
    expected: latin1.decode(heap.subarray(expected, expected + expectedSize)),
    found: heap.slice(found, found + foundSize),
  };
  return outcome;
}

// A function that checks the type of the callback given to receive the XML.
function checkReceiver(write) {
  if (typeof write !== 'function') {
    throw new TypeError(`vqz2xml: the XML's receiver must be a function taking each piece, not ${write === null ? 'null' : typeof write}`);
  }
}

// The converter's interface over an instantiated module (the object the module's factory gives).
function makeConverter(module) {
  let failure = null; // set once the module has stopped midway; its memory is then unreliable
  const versionAddress = module._vqzVersion();
  const versionEnd = module.HEAPU8.indexOf(0, versionAddress);
  const version = latin1.decode(module.HEAPU8.subarray(versionAddress, versionEnd));

  // Copies `bytes` into the module and calls `work(address, size)` on them, which gives a
  // result of the module's; `read(view)` reads that result before it is freed (or, `keep`, the
  // result itself is returned for the caller to free).
  function withInput(bytes, work, read, keep = false) {
    if (failure) {
      throw new Error('vqz2xml: this converter stopped during an earlier conversion; call load() for a new one',
        { cause: failure });
    }
    const address = module._vqzAllocate(bytes.length);
    if (address === 0) throw new RangeError(`vqz2xml: no memory for an input of ${bytes.length} bytes`);
    let converted;
    try {
      module.HEAPU8.set(bytes, address);
      converted = work(address, bytes.length);
    } catch (error) {
      // The module gave up midway, most likely for memory it could not get.
      failure = error;
      throw new Error('vqz2xml: the conversion stopped, most likely for lack of memory; call load() for a new converter',
        { cause: error });
    } finally {
      module.vqzTakeOutput = null;
      if (!failure) module._vqzRelease(address);
    }
    if (keep) return converted;
    try {
      return read(module._vqzView(converted));
    } finally {
      module._vqzFreeResult(converted);
    }
  }

  // Converts `bytes`, handing each block of XML to `take(heap, address, count)`, which answers
  // false when it can take no more; the outcome as readOutcome tells it.
  function run(bytes, encoding, take) {
    return withInput(bytes, (address, size) => {
      module.vqzTakeOutput = (at, count) => (take(module.HEAPU8, at, count) ? 1 : 0);
      return module._vqzConvert(address, size, encoding);
    }, (view) => readOutcome(module, view));
  }

  // The survey the input describes, as plain objects: everything recognised before the fault
  // of a faulty input.
  function readSurvey(input, options) {
    const bytes = inputBytes(input);
    const encoding = encodingNumber(options);
    return withInput(bytes, (address, size) => module._vqzReadSurvey(address, size, encoding), (view) => {
      const { diagnostic } = readOutcome(module, view);
      const [json, jsonSize] = new Uint32Array(module.HEAPU8.buffer, view + 8 * 4, 2);
      const survey = JSON.parse(utf8.decode(module.HEAPU8.subarray(json, json + jsonSize)));
      // The found text as convert gives it: the input's raw bytes, for the JSON holds it decoded.
      if (diagnostic) survey.diagnostic.found = diagnostic.found;
      return survey;
    });
  }

  // The records of `data` by the survey of `metadata`: per column its name, kind and label, and
  // its values: a Float64Array (NaN for a missing value) or, for a text column, strings (null
  // for a missing one); the data errors with their line and column, the warnings and the CSV.
  function readData(metadata, data, options) {
    const bytes = inputBytes(metadata);
    const records = inputBytes(data);
    const encoding = encodingNumber(options);
    const dataAddress = module._vqzAllocate(records.length);
    if (dataAddress === 0) throw new RangeError(`vqz2xml: no memory for data of ${records.length} bytes`);
    try {
      module.HEAPU8.set(records, dataAddress);
      const read = withInput(bytes, (address, size) => module._vqzReadData(address, size, dataAddress, records.length, encoding),
        () => 0, true);
      return readColumns(read);
    } finally {
      if (!failure) module._vqzRelease(dataAddress);
    }
  }

  // The module's DataRead at `read` as JavaScript values, then freed.
  function readColumns(read) {
    try {
      const [status, json, jsonSize, numbers, count, csv, csvSize] =
        new Uint32Array(module.HEAPU8.buffer, module._vqzDataView(read), 7);
      const header = JSON.parse(utf8.decode(module.HEAPU8.subarray(json, json + jsonSize)));
      if (status !== 0) {
        const problem = typeof header.problem === 'string' ? header.problem
          : `the survey is faulty at line ${header.problem.diagnostic.line}, column ${header.problem.diagnostic.column}`;
        throw new Error(`vqz2xml: ${problem}`);
      }
      let slot = 0;
      const columns = header.columns.map(({ name, kind, label, texts }) => {
        if (kind === 'text') return { name, kind, label, values: texts };
        const begin = numbers + 8 * count * slot++;
        return { name, kind, label, values: new Float64Array(module.HEAPU8.buffer, begin, count).slice() };
      });
      return {
        records: count,
        columns,
        errors: header.errors,
        warnings: header.warnings,
        csv: utf8.decode(module.HEAPU8.subarray(csv, csv + csvSize)),
      };
    } finally {
      module._vqzFreeData(read);
    }
  }

  function convert(input, options) {
    const bytes = inputBytes(input);
    const encoding = encodingNumber(options);
    let output;
    try {
      output = new OutputCollector(expectedXmlSize(bytes.length));
    } catch {
      output = new OutputCollector(0); // grown block by block while memory lasts
    }
    const { complete, diagnostic, encoding: used } = run(bytes, encoding, (heap, at, count) => output.take(heap, at, count));
    return { complete, xml: output.bytes(), diagnostic, encoding: used };
  }

  // Converts and hands the XML to `write` piece by piece as it is made, each piece a Uint8Array
  // of its own, so that the whole document is never held in memory at once. An error `write`
  // throws ends the conversion's output and is thrown again once the module has finished.
  function convertTo(input, write, options) {
    const bytes = inputBytes(input);
    checkReceiver(write);
    const encoding = encodingNumber(options);
    let refused = null; // { error } once `write` has thrown
    const take = (heap, at, count) => {
      if (refused) return false;
      try {
        write(heap.slice(at, at + count));
        return true;
      } catch (error) {
        refused = { error };
        return false;
      }
    };
    let outcome;
    try {
      outcome = run(bytes, encoding, take);
    } catch (error) {
      throw refused ? refused.error : error; // the stream the refusal broke is told as lack of memory
    }
    if (refused) throw refused.error;
    return outcome;
  }

  return Object.freeze({ version, convert, convertTo, readSurvey, readData });
}

module.exports = { makeConverter };
