// The page's worker: converts one file at a time with the WebAssembly module, and packs outputs into a zip.
import { zipSync } from 'fflate';
import { load } from '../js/index.browser.js';
import { sourceExcerpt } from './source_line.js';

// A converter that converted an input bigger than this is dropped afterwards, for its memory
// grew to some times the input: a big file's memory is given back, and the next conversion
// instantiates a fresh module.
const largestKeptInput = 32 * 1000 * 1000;

let wasmBinary = null;
let converter = null;

async function currentConverter() {
  if (converter) return converter;
  if (!wasmBinary) {
    const response = await fetch('vqz2xml_wasm_web.wasm');
    if (!response.ok) throw new Error(`the converter's module could not be loaded (${response.status})`);
    wasmBinary = await response.arrayBuffer();
  }
  converter = await load({ wasmBinary });
  return converter;
}

// The variables of an input bigger than this are not read: their objects would take several
// times its memory, more than a table on the page can use.
const largestSurveyRead = 50 * 1000 * 1000;

// The records shown on the page; the CSV holds them all.
const recordsShown = 20;

// The data file's first records as texts for a table, its data errors and its CSV.
function readRecords(active, bytes, dataBytes, encoding) {
  const read = active.readData(bytes, dataBytes, { encoding });
  const shown = Math.min(read.records, recordsShown);
  const rows = [];
  for (let row = 0; row < shown; row++) {
    rows.push(read.columns.map(({ values }) => {
      const value = values[row];
      return value === null || Number.isNaN(value) ? '' : String(value);
    }));
  }
  return { names: read.columns.map(({ name }) => name), rows, total: read.records,
    errors: read.errors.map(({ message }) => message), csv: read.csv };
}

async function convertFile({ id, file, data, encoding }) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const active = await currentConverter();
  const started = performance.now();
  const result = active.convert(bytes, { encoding });
  const milliseconds = performance.now() - started;
  let survey = null;
  let surveySkipped = null;
  if (bytes.length > largestSurveyRead) surveySkipped = 'The variables of a file this big are not listed here.';
  else if (active.readSurvey) survey = active.readSurvey(bytes, { encoding: result.encoding });
  let records = null;
  if (data && result.complete && active.readData) {
    try {
      records = readRecords(active, bytes, new Uint8Array(await data.arrayBuffer()), result.encoding);
    } catch (error) {
      records = { problem: String(error && error.message || error) };
    }
  }
  if (bytes.length > largestKeptInput) converter = null;
  let diagnostic = null;
  if (result.diagnostic) {
    const { line, column } = result.diagnostic;
    diagnostic = { ...result.diagnostic, excerpt: sourceExcerpt(bytes, line, column) };
  }
  const xml = result.xml;
  postMessage({ type: 'converted', id, complete: result.complete, xml, diagnostic, encoding: result.encoding,
    survey, surveySkipped, records, milliseconds, inputSize: bytes.length }, [xml.buffer]);
}

function zipFiles({ id, files }) {
  const entries = {};
  for (const { name, bytes } of files) entries[name] = [new Uint8Array(bytes), { level: 6 }];
  const zip = zipSync(entries);
  postMessage({ type: 'zipped', id, zip }, [zip.buffer]);
}

// Messages are handled one after another, so that files convert in the order they came.
let queue = Promise.resolve();

self.onmessage = (event) => {
  const message = event.data;
  queue = queue.then(async () => {
    try {
      if (message.type === 'convert') await convertFile(message);
      else if (message.type === 'zip') zipFiles(message);
      else if (message.type === 'version') postMessage({ type: 'version', version: (await currentConverter()).version });
    } catch (error) {
      if (message.type === 'convert') converter = null; // a fresh module for the next file
      postMessage({ type: 'failed', id: message.id, request: message.type, message: String(error && error.message || error) });
    }
  });
};
