// The page's logic: files in, one conversion each in the worker, results with downloads out.
import { outputName, zipNames } from './names.js';
import { decoderFor, splitAtMark } from './source_line.js';

// The XML shown on the page: its beginning (and a faulty one's end), for a big document would
// slow the page down.
const previewBytes = 64 * 1024;
const tailBytes = 4 * 1024;

const fileInput = document.getElementById('files');
const encodingSelect = document.getElementById('encoding');
const dropZone = document.getElementById('drop-zone');
const resultsSection = document.getElementById('results');
const resultList = document.getElementById('result-list');
const summary = document.getElementById('summary');
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

const entries = []; // one per file given, in order: { file, element, id, status, blob, url }
let nextId = 1;
let zipUrl = null;

function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / (1024 * 1024)).toFixed(1)} MB`;
}

function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (name === 'text') node.textContent = value;
    else node.setAttribute(name, value);
  }
  node.append(...children);
  return node;
}

function forgetUrl(entry) {
  if (entry.url) URL.revokeObjectURL(entry.url);
  entry.url = null;
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
  entry.id = nextId++;
  entry.status = 'converting';
  entry.encoding = encodingSelect.value;
  const { element: article } = entry;
  article.dataset.status = 'converting';
  article.setAttribute('aria-busy', 'true');
  article.replaceChildren(resultHead(entry.file.name, 'Converting…'));
  worker.postMessage({ type: 'convert', id: entry.id, file: entry.file, encoding: entry.encoding });
}

function resultHead(name, statusText) {
  return element('div', { class: 'result-head' },
    element('h3', { text: name }),
    element('span', { class: 'badge', text: statusText }));
}

function addFiles(files) {
  if (!worker) return;
  forgetZip();
  for (const file of files) {
    const entry = { file, element: element('article', { class: 'result', 'data-file': file.name }) };
    entries.push(entry);
    resultList.append(entry.element);
    convertEntry(entry);
  }
  resultsSection.hidden = entries.length === 0;
  updateSummary();
}

function updateSummary() {
  const count = (status) => entries.filter((entry) => entry.status === status).length;
  const counts = ['converted', 'faulty', 'failed', 'converting']
    .filter((status) => count(status) > 0)
    .map((status) => `${count(status)} ${status}`);
  summary.textContent = `${entries.length} ${entries.length === 1 ? 'file' : 'files'}: ${counts.join(', ')}`;
  zipButton.hidden = count('converting') > 0 || entries.filter((entry) => entry.blob).length < 2;
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
  const source = element('pre', { class: 'source', tabindex: '0',
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

function showResult(entry, message) {
  const { complete, xml, diagnostic, milliseconds, inputSize } = message;
  entry.status = complete ? 'converted' : 'faulty';
  entry.blob = new Blob([xml], { type: 'application/xml' });
  entry.url = URL.createObjectURL(entry.blob);
  const name = outputName(entry.file.name);
  const article = entry.element;
  article.dataset.status = entry.status;
  article.dataset.milliseconds = milliseconds.toFixed(1); // the conversion alone, for the benchmark
  article.removeAttribute('aria-busy');

  const children = [
    resultHead(entry.file.name, complete ? 'Converted' : 'Faulty'),
    element('p', { class: 'meta', text: `${formatSize(inputSize)} read, ${formatSize(xml.length)} of XML written` +
      ` in ${milliseconds < 10 ? milliseconds.toFixed(1) : Math.round(milliseconds)} ms` +
      (complete ? '' : '; the XML ends with the error report') }),
  ];
  if (diagnostic) children.push(diagnosticView(diagnostic, message.encoding));
  children.push(element('p', { class: 'download' },
    element('a', { href: entry.url, download: name, class: 'button' }, `Download ${name}`)));
  // A faulty document's error report stands at its end: a big one shows its end as well.
  const decoder = new TextDecoder('utf-8');
  let shown = formatSize(xml.length);
  let preview = decoder.decode(xml.subarray(0, previewBytes));
  if (xml.length > previewBytes && complete) {
    shown = `the first ${formatSize(previewBytes)} of ${formatSize(xml.length)}`;
  } else if (xml.length > previewBytes) {
    const tailStart = Math.max(previewBytes, xml.length - tailBytes);
    shown = `the first ${formatSize(previewBytes)} and the last ${formatSize(xml.length - tailStart)} of ${formatSize(xml.length)}`;
    preview += '\n…\n' + decoder.decode(xml.subarray(tailStart));
  }
  children.push(element('details', { class: 'xml', open: '' },
    element('summary', { text: `XML (${shown})` }),
    element('pre', { tabindex: '0', 'aria-label': `XML of ${entry.file.name}` }, element('code', { text: preview }))));
  article.replaceChildren(...children);
}

function showFailure(entry, text) {
  entry.status = 'failed';
  entry.element.dataset.status = 'failed';
  entry.element.removeAttribute('aria-busy');
  entry.element.replaceChildren(resultHead(entry.file.name, 'Not converted'),
    element('p', { class: 'meta', role: 'alert', text: `The file could not be converted: ${text}` }));
}

async function makeZip() {
  zipButton.disabled = true;
  zipButton.textContent = 'Packing…';
  const done = entries.filter((entry) => entry.blob);
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
  const entry = entries.find((candidate) => candidate.id === message.id);
  if (!entry) return; // converted again meanwhile, or cleared
  if (message.type === 'converted') showResult(entry, { ...message, encoding: entry.encoding });
  else showFailure(entry, message.message);
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
  updateSummary();
});

clearButton.addEventListener('click', () => {
  for (const entry of entries) forgetUrl(entry);
  entries.length = 0;
  forgetZip();
  resultList.replaceChildren();
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
