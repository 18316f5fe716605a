// The page's logic: files in, one conversion each in the worker, results with downloads and each survey's variables out.
import { codebookCsv } from './codebook.js';
import { element } from './dom.js';
import { encodingLabels, formatSize, isNotSurveyFile } from './format.js';
import { outputName, zipNames } from './names.js';
import { decoderFor, splitAtMark } from './source_line.js';
import { variableTable } from './variable_table.js';

// The XML shown on the page: its beginning (and a faulty one's end), for a big document would
// slow the page down.
const previewBytes = 64000;
const tailBytes = 4000;

// Up to this many files, each one's variables are shown open; more would make a long page.
const openVariablesUpTo = 3;

const fileInput = document.getElementById('files');
const encodingSelect = document.getElementById('encoding');
const dropZone = document.getElementById('drop-zone');
const resultsSection = document.getElementById('results');
const resultList = document.getElementById('result-list');
const summary = document.getElementById('summary');
const overview = document.getElementById('overview');
const zipButton = document.getElementById('zip');
const clearButton = document.getElementById('clear');
const problem = document.getElementById('problem');

// Tells what keeps the page from converting, in place of a silent failure.
function showProblem(text) {
  problem.textContent = text;
  problem.hidden = false;
  fileInput.disabled = true;
}

// A page opened from a file (file://) may not start workers: it must come from a web server.
let worker;
try {
  worker = new Worker('worker.js');
} catch (error) {
  worker = null;
  showProblem(`The converter cannot start here (${error.message}). Open the page from a web server, ` +
    'such as the one "npm run serve" starts.');
}

// One per file given, in order: { file, element, key, id, status, blob, url, codebookUrl, note }
const entries = [];
let nextId = 1;
let nextKey = 1;
let zipUrl = null;

// How many entries have each status, kept as statuses change, so that each result updates the
// summary in constant time however many files there are.
const counts = { converting: 0, converted: 0, faulty: 0, failed: 0 };
const byId = new Map(); // the entry of each conversion under way, by its id

function setStatus(entry, status) {
  if (entry.status) counts[entry.status] -= 1;
  counts[status] += 1;
  entry.status = status;
  entry.element.dataset.status = status;
}

function forgetUrl(entry) {
  for (const url of [entry.url, entry.codebookUrl]) if (url) URL.revokeObjectURL(url);
  entry.url = null;
  entry.codebookUrl = null;
  entry.blob = null;
}

function forgetZip() {
  if (zipUrl) URL.revokeObjectURL(zipUrl);
  zipUrl = null;
  document.getElementById('zip-link')?.remove();
}

// Starts converting `entry` with the encoding now chosen; its element shows it as under way.
function convertEntry(entry) {
  forgetUrl(entry);
  byId.delete(entry.id);
  entry.id = nextId++;
  byId.set(entry.id, entry);
  setStatus(entry, 'converting');
  entry.note = '';
  const { element: article } = entry;
  article.setAttribute('aria-busy', 'true');
  article.replaceChildren(resultHead(entry, 'Converting…'));
  worker.postMessage({ type: 'convert', id: entry.id, file: entry.file, data: entry.data, encoding: encodingSelect.value });
}

function resultHead(entry, statusText) {
  return element('div', { class: 'result-head' },
    element('h3', { id: `result-${entry.key}-name`, text: entry.file.name }),
    element('span', { class: 'badge', text: statusText }));
}

// A .dat dropped with the .vqz of the same name is that survey's data: it is read with it, not
// converted on its own.
const stem = (name) => name.replace(/\.[^.]*$/, '').toLowerCase();
const isData = (file) => /\.dat$/i.test(file.name);

function addFiles(dropped) {
  if (!worker) return;
  forgetZip();
  const data = new Map(dropped.filter(isData).map((file) => [stem(file.name), file]));
  const surveys = new Set(dropped.filter((file) => !isData(file)).map((file) => stem(file.name)));
  const files = dropped.filter((file) => !isData(file) || !surveys.has(stem(file.name)));
  for (const file of files) {
    const key = nextKey++;
    const entry = { file, data: isData(file) ? undefined : data.get(stem(file.name)), key, element: element('article', { class: 'result', id: `result-${key}`, 'data-file': file.name,
      'aria-labelledby': `result-${key}-name` }) };
    entry.overviewItem = overviewItem(entry);
    entries.push(entry);
    resultList.append(entry.element);
    overview.append(entry.overviewItem);
    convertEntry(entry);
    updateOverview(entry);
  }
  resultsSection.hidden = entries.length === 0;
  updateSummary();
}

// The overview lists faulty files first, for they need looking at, then the others in the order
// given; `faultyListed` counts the faulty items at its head.
const statusWords = { converted: 'converted', faulty: 'faulty', failed: 'not converted', converting: 'converting' };
let faultyListed = 0;

function overviewItem(entry) {
  return element('li', {},
    element('a', { href: `#result-${entry.key}`, text: entry.file.name }),
    element('span', { class: 'overview-status' }));
}

// Shows the entry's status in its overview item, a faulty one moved up among the faulty.
function updateOverview(entry) {
  const item = entry.overviewItem;
  item.dataset.status = entry.status;
  item.lastChild.textContent = ` ${statusWords[entry.status]}${entry.note ? `: ${entry.note}` : ''}`;
  if ((entry.status === 'faulty' || entry.status === 'failed') && !entry.listedFaulty) {
    overview.insertBefore(item, overview.children[faultyListed] ?? null);
    entry.listedFaulty = true;
    faultyListed += 1;
  }
}

// Lists every entry afresh, in the order given: when all convert again.
function resetOverview() {
  faultyListed = 0;
  for (const entry of entries) entry.listedFaulty = false;
  overview.replaceChildren(...entries.map((entry) => entry.overviewItem));
}

function updateSummary() {
  const shown = ['converted', 'faulty', 'failed', 'converting'].filter((status) => counts[status] > 0)
    .map((status) => `${counts[status]} ${statusWords[status]}`);
  summary.textContent = `${entries.length} ${entries.length === 1 ? 'file' : 'files'}: ${shown.join(', ')}`;
  // A zip is worth offering for two documents or more, once none is still being made.
  zipButton.hidden = counts.converting > 0 || entries.length - counts.failed < 2;
}

function diagnosticView(diagnostic, encoding) {
  const decode = decoderFor(encoding);
  const { line, column, expected, found, excerpt } = diagnostic;
  const foundText = found.length === 0 ? element('span', { text: 'the end of the input' })
    : element('code', { text: `“${decode(found)}”` });
  const message = element('p', { class: 'message' },
    element('strong', { text: `Line ${line}, column ${column}:` }), ' expected ',
    element('code', { text: expected }), ', found ', foundText);

  const width = String(line).length;
  const gutter = (number) => element('span', { class: 'line-number', 'aria-hidden': 'true',
    text: String(number).padStart(width) + ' │ ' });
  const source = element('pre', { class: 'source', tabindex: '0', role: 'region',
    'aria-label': `Line ${line} of the input, column ${column} marked` });
  if (excerpt.previous) {
    source.append(element('span', { class: 'context' }, gutter(line - 1), decode(excerpt.previous)), '\n');
  }
  const { before, marked, after } = splitAtMark(excerpt, encoding);
  const lead = excerpt.cutBefore ? '…' : '';
  const tail = excerpt.cutAfter ? '…' : '';
  source.append(gutter(line), lead + before, element('mark', { text: marked || ' ' }), after + tail, '\n');
  // The caret lines up under the mark: tabs are kept, every other character becomes a space.
  const padding = (lead + before).replace(/[^\t]/g, ' ');
  source.append(element('span', { class: 'line-number', 'aria-hidden': 'true', text: ' '.repeat(width) + ' │ ' }),
    element('span', { class: 'caret', 'aria-hidden': 'true', text: padding + '^' }));
  return element('div', { class: 'diagnostic' }, message, source);
}

// What a file that is no classic survey file at all is told, in place of a diagnostic.
function notSurveyView(found, decode) {
  const begins = found.length === 0 ? 'this one is empty' : element('span', {}, 'this one begins with ',
    element('code', { text: `“${decode(found)}”` }));
  return element('div', { class: 'diagnostic not-survey' }, element('p', { class: 'message' },
    element('strong', { text: 'This is not a classic survey file.' }), ' Such a file begins with the word ',
    element('code', { text: 'VQZ' }), '; ', begins, '.'));
}

// The XML's beginning, and a faulty document's end, where the error report stands. The XML is
// ASCII but for the report's copy of the input, decoded as the diagnostic is.
function xmlView(entry, xml, complete, decode) {
  let shown = formatSize(xml.length);
  let preview = decode(xml.subarray(0, previewBytes));
  if (xml.length > previewBytes && complete) {
    shown = `the first ${formatSize(previewBytes)} of ${formatSize(xml.length)}`;
  } else if (xml.length > previewBytes) {
    const tailStart = Math.max(previewBytes, xml.length - tailBytes);
    shown = `the first ${formatSize(previewBytes)} and the last ${formatSize(xml.length - tailStart)} of ${formatSize(xml.length)}`;
    preview += '\n…\n' + decode(xml.subarray(tailStart));
  }
  return element('details', { class: 'xml', open: entries.length === 1 },
    element('summary', { text: `XML (${shown})` }),
    element('pre', { tabindex: '0', role: 'region', 'aria-label': `XML of ${entry.file.name}` }, element('code', { text: preview })));
}

function surveyView(entry, survey) {
  const count = survey.variables.length;
  if (count === 0) return element('p', { class: 'meta', text: 'No variables were read.' });
  return element('details', { class: 'variables', open: entries.length <= openVariablesUpTo },
    element('summary', { text: `Variables (${count})` }),
    variableTable(survey, entry.file.name, `result-${entry.key}`));
}

function recordsView(entry, records) {
  if (records.problem) return element('p', { class: 'meta', role: 'alert', text: `The data could not be read: ${records.problem}` });
  entry.csvUrl = URL.createObjectURL(new Blob([records.csv], { type: 'text/csv' }));
  const csvName = entry.data.name.replace(/\.[^.]*$/, '') + '.csv';
  const head = element('tr', {}, ...records.names.map((name) => element('th', { scope: 'col', text: name })));
  const body = records.rows.map((row) => element('tr', {}, ...row.map((value) => element('td', { text: value }))));
  return element('details', { class: 'records', open: true },
    element('summary', { text: `Records (${records.rows.length} of ${records.total} shown)` }),
    ...records.errors.slice(0, 5).map((text) => element('p', { class: 'meta', text })),
    element('div', { class: 'table-scroll' }, element('table', {}, element('thead', {}, head), element('tbody', {}, ...body))),
    element('p', { class: 'download' }, element('a', { href: entry.csvUrl, download: csvName, class: 'button secondary' },
      `Download ${csvName}`)));
}

function showResult(entry, message) {
  const { complete, xml, diagnostic, milliseconds, inputSize, encoding, survey } = message;
  const decode = decoderFor(encoding);
  setStatus(entry, complete ? 'converted' : 'faulty');
  entry.blob = new Blob([xml], { type: 'application/xml' });
  entry.url = URL.createObjectURL(entry.blob);
  const notSurvey = isNotSurveyFile(diagnostic);
  if (notSurvey) entry.note = 'not a classic survey file';
  else if (diagnostic) entry.note = `line ${diagnostic.line}, expected ${diagnostic.expected}`;
  else if (survey) entry.note = `${survey.variables.length} ${survey.variables.length === 1 ? 'variable' : 'variables'}`;
  const name = outputName(entry.file.name);
  const article = entry.element;
  article.dataset.milliseconds = milliseconds.toFixed(1); // the conversion alone, for the benchmark
  article.removeAttribute('aria-busy');

  const children = [
    resultHead(entry, complete ? 'Converted' : 'Faulty'),
    element('p', { class: 'meta', text: `${formatSize(inputSize)} read as ${encodingLabels[encoding]}, ` +
      `${formatSize(xml.length)} of XML written in ${milliseconds < 10 ? milliseconds.toFixed(1) : Math.round(milliseconds)} ms` +
      (complete ? '' : '; the XML ends with the error report') }),
  ];
  if (notSurvey) children.push(notSurveyView(diagnostic.found, decode));
  else if (diagnostic) children.push(diagnosticView(diagnostic, encoding));
  const downloads = element('p', { class: 'download' },
    element('a', { href: entry.url, download: name, class: 'button' }, `Download ${name}`));
  if (survey && survey.variables.length > 0) {
    entry.codebookUrl = URL.createObjectURL(new Blob([codebookCsv(survey)], { type: 'text/csv' }));
    const codebookName = name.replace(/\.xml$/, '') + '-codebook.csv';
    downloads.append(' ', element('a', { href: entry.codebookUrl, download: codebookName, class: 'button secondary' },
      'Download the codebook (.csv)'));
  }
  children.push(downloads);
  if (survey && !notSurvey) children.push(surveyView(entry, survey));
  else if (message.surveySkipped) children.push(element('p', { class: 'meta', text: message.surveySkipped }));
  if (message.records) children.push(recordsView(entry, message.records));
  children.push(xmlView(entry, xml, complete, decode));
  article.replaceChildren(...children);
}

function showFailure(entry, text) {
  setStatus(entry, 'failed');
  entry.note = text;
  entry.element.removeAttribute('aria-busy');
  entry.element.replaceChildren(resultHead(entry, 'Not converted'),
    element('p', { class: 'meta', role: 'alert', text: `The file could not be converted: ${text}` }));
}

async function makeZip() {
  const done = entries.filter((entry) => entry.blob);
  if (done.length < 2) return;
  zipButton.disabled = true;
  zipButton.textContent = 'Packing…';
  const names = zipNames(done.map((entry) => outputName(entry.file.name)));
  const files = await Promise.all(done.map(async (entry, i) => ({ name: names[i], bytes: await entry.blob.arrayBuffer() })));
  worker.postMessage({ type: 'zip', id: 0, files }, files.map((file) => file.bytes));
}

function showZip(zip) {
  forgetZip();
  zipButton.disabled = false;
  zipButton.textContent = 'Download all as .zip';
  zipUrl = URL.createObjectURL(new Blob([zip], { type: 'application/zip' }));
  const link = element('a', { id: 'zip-link', href: zipUrl, download: 'vqz2xml-output.zip', class: 'button' },
    'Save the .zip again');
  zipButton.after(link);
  link.click();
}

if (worker) worker.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'version') {
    document.getElementById('version').textContent = message.version;
    return;
  }
  if (message.type === 'failed' && message.request === 'version') {
    showProblem(`The converter could not start: ${message.message}.`);
    return;
  }
  if (message.type === 'zipped' || (message.type === 'failed' && message.request === 'zip')) {
    if (message.zip) showZip(message.zip);
    else {
      zipButton.disabled = false;
      zipButton.textContent = 'Download all as .zip';
      summary.textContent = `The zip could not be made: ${message.message}`;
    }
    return;
  }
  const entry = byId.get(message.id);
  if (!entry) return; // converted again meanwhile, or cleared
  byId.delete(message.id);
  if (message.type === 'converted') showResult(entry, message);
  else showFailure(entry, message.message);
  updateOverview(entry);
  updateSummary();
};

if (worker) worker.onerror = (event) => {
  showProblem(`The converter could not start: ${event.message || 'its files could not be loaded'}.`);
};

fileInput.addEventListener('change', () => {
  addFiles([...fileInput.files]);
  fileInput.value = ''; // the same file chosen again converts again
});

encodingSelect.addEventListener('change', () => {
  forgetZip();
  for (const entry of entries) convertEntry(entry);
  resetOverview();
  for (const entry of entries) updateOverview(entry);
  updateSummary();
});

clearButton.addEventListener('click', () => {
  for (const entry of entries) forgetUrl(entry);
  entries.length = 0;
  byId.clear();
  for (const status of Object.keys(counts)) counts[status] = 0;
  forgetZip();
  resultList.replaceChildren();
  resetOverview();
  resultsSection.hidden = true;
  fileInput.focus();
});

zipButton.addEventListener('click', makeZip);

// Files may be dropped anywhere on the page; the drop zone shows where.
for (const type of ['dragenter', 'dragover']) {
  window.addEventListener(type, (event) => {
    event.preventDefault();
    dropZone.classList.add('dragging');
  });
}
window.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null) dropZone.classList.remove('dragging');
});
window.addEventListener('drop', (event) => {
  event.preventDefault();
  dropZone.classList.remove('dragging');
  if (event.dataTransfer?.files.length) addFiles([...event.dataTransfer.files]);
});

worker?.postMessage({ type: 'version' });
