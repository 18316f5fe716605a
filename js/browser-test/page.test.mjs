// The built web page in headless Chromium: statuses, diagnostics, surveys, downloads and the zip against the golden files.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { unzipSync } from 'fflate';
import { linkedBytes, openPage, uploadFiles } from '../scripts/browser.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const golden = (name) => join(here, '..', '..', 'tests', 'golden', name);
const result = (name) => `[data-file="${name}"]`;
const text = (page, selector) => page.$eval(selector, (e) => e.textContent);
// Files of the given names and bytes in a fresh folder.
function files(contents) {
  const folder = mkdtempSync(join(tmpdir(), 'vqz2xml-page-'));
  return Object.entries(contents).map(([name, bytes]) => (writeFileSync(join(folder, name), bytes), join(folder, name)));
}

let session;
before(async () => {
  session = await openPage();
});
after(async () => {
  await session?.close();
});

test('a valid and a faulty file: diagnostic, variables with code lists and codebook, downloads, a zip for two', async () => {
  const { page } = session;
  await uploadFiles(page, [golden('example_household.vqz')]);
  // The hidden attribute must win over the stylesheet's display rule for buttons.
  assert.equal(await page.$eval('#zip', (e) => getComputedStyle(e).display), 'none');
  await uploadFiles(page, [golden('head_misspelt_survey.vqz')]);
  const faulty = result('head_misspelt_survey.vqz');
  assert.equal(await text(page, `${faulty} .diagnostic .message`), "Line 4, column 3: expected 'Survey', found “SURVY”");
  assert.equal(await text(page, `${faulty} .source`), '3 │ STANDARD NAMES\n4 │   SURVY\n  │   ^');

  const table = `${result('example_household.vqz')} table.variables`;
  const rows = await page.$$eval(`${table} > tbody > tr:not(.code-row)`, (trs) => trs.map((tr) => [...tr.cells].map((cell) => cell.textContent)));
  assert.equal(rows.length, 13);
  assert.deepEqual(rows.slice(0, 2), [['1', 'HHID', 'Household identifier', 'character', '1–8', 'none'],
    ['2', 'REGION', 'Region of residence', 'single', '9–10', '5 codes']]);
  const toggle = `${table} button.codes-toggle`;
  const codeList = () => page.$eval(toggle, (button) => {
    const list = document.getElementById(button.getAttribute('aria-controls'));
    return [button.getAttribute('aria-expanded'), list.hidden, [...list.querySelectorAll('table.codes > tbody > tr')].map((tr) => tr.textContent)];
  });
  await page.focus(toggle);
  await page.keyboard.press('Enter');
  assert.deepEqual(await codeList(), ['true', false, ['1North', '2South', '3East', '4West', '10Islands & coast']]);
  await page.keyboard.press('Space');
  assert.deepEqual((await codeList()).slice(0, 2), ['false', true]);
  const csv = (await linkedBytes(page, 'a[download="example_household-codebook.csv"]')).toString('utf8').split('\r\n');
  assert.deepEqual(csv.slice(0, 3), ['\ufeffident,name,label,type,start,finish,width,code,code_label,special',
    '1,HHID,Household identifier,character,1,8,8,,,', '2,REGION,Region of residence,single,9,10,2,1,North,']);

  for (const name of ['example_household', 'head_misspelt_survey']) {
    assert.ok((await linkedBytes(page, `a[download="${name}.xml"]`)).equals(readFileSync(golden(`${name}.xml`))), name);
  }
  await page.click('#zip');
  await page.waitForSelector('#zip-link', { timeout: 60000 });
  const entries = unzipSync(new Uint8Array(await linkedBytes(page, '#zip-link')));
  assert.deepEqual(Object.keys(entries).sort(), ['example_household.xml', 'head_misspelt_survey.xml']);
  for (const [name, bytes] of Object.entries(entries)) assert.ok(Buffer.from(bytes).equals(readFileSync(golden(name))), name);
});

test('a file that is no survey at all is told so, its found text shown alike in the message and the XML', async () => {
  const { page } = session;
  await page.click('#clear');
  const hex = (digits) => Buffer.from(digits, 'hex');
  const contents = { 'empty.vqz': '', 'picture.png': hex('89504e470d0a1a0a0000000d49484452'), 'notes.txt': 'Shopping\nmilk\n', 'noise.bin': hex('f3e9809fa0ff0110c3') };
  await uploadFiles(page, files(contents));
  for (const name of Object.keys(contents)) {
    const message = await text(page, `${result(name)} .diagnostic`);
    assert.match(message, /^This is not a classic survey file\. Such a file begins with the word VQZ; this one (is empty|begins with “.+”)\.$/, name);
    const found = /“(.+)”/.exec(message)?.[1] ?? '';
    assert.ok((await text(page, `${result(name)} details.xml code`)).includes(found), `${name}: ${JSON.stringify(found)}`);
  }
});

test('a new encoding converts every file again', async () => {
  const { page } = session;
  await page.click('#clear');
  await uploadFiles(page, [golden('enc_utf8_texts.vqz')]);
  const [link, chosen] = ['a[download="enc_utf8_texts.xml"]', await linkedBytes(page, 'a[download="enc_utf8_texts.xml"]')];
  await page.select('#encoding', 'utf-8');
  await page.waitForSelector(`${result('enc_utf8_texts.vqz')}:not([data-status=converting]) ${link}`, { timeout: 60000 });
  const asUtf8 = await linkedBytes(page, link);
  assert.deepEqual([asUtf8.equals(readFileSync(golden('enc_utf8_texts.xml'))), chosen.equals(asUtf8)], [true, false]);
});

test('a big faulty file shows the beginning and the end of its XML, the error report', async () => {
  const { page } = session;
  await page.click('#clear');
  const variables = Array.from({ length: 1500 }, (_, i) => `VARIABLE ${i}\nNAME "V${i}"\nLABEL "l"\nTYPE single\nPOSITION ${i + 1}\nEND VARIABLE\n`);
  await uploadFiles(page, files({ 'big_faulty.vqz': `VQZ\nVERSION 1.1\nSURVEY\nTITLE "t"\nRECORD A\n${variables.join('')}VARIABLE 1501\n\tBOGUS\n` }));
  assert.match(await text(page, 'details.xml summary'), /^XML \(the first 64\.0 kB and the last 4\.0 kB of \d+\.\d kB\)$/);
  assert.match(await text(page, 'details.xml code'), /^<\?xml version="1.0"\?>\r\n[^]*\n…\n[^]*\*\*\* Error: at corresponding point in source file:[^]*\tBOGUS\s*$/);
  assert.equal(await text(page, '.diagnostic .message'), `Line ${5 + 6 * 1500 + 2}, column 2: expected NAME "var_name", found “BOGUS”`);
});

test('twenty files: an overview with the faulty first, linking to each result, on a page of reasonable height', async () => {
  const { page } = session;
  await page.click('#clear');
  const waves = Object.fromEntries(Array.from({ length: 19 }, (_, i) => [`wave_${i + 1}.vqz`, readFileSync(golden('example_household.vqz'))]));
  const paths = files(waves);
  paths.splice(7, 0, golden('head_misspelt_survey.vqz'));
  await uploadFiles(page, paths);
  const overview = await page.$$eval('#overview li', (items) => items.map((li) =>
    [li.textContent, document.querySelector(li.querySelector('a').getAttribute('href'))?.dataset.file]));
  assert.deepEqual([overview.length, ...overview.slice(0, 2)], [20, ["head_misspelt_survey.vqz faulty: line 4, expected 'Survey'",
    'head_misspelt_survey.vqz'], ['wave_1.vqz converted: 13 variables', 'wave_1.vqz']]);
  const [open, height] = await page.evaluate(() => [document.querySelectorAll('details[open]').length, document.documentElement.scrollHeight]);
  assert.ok(open === 0 && height < 6000, `${open} disclosures open, the page ${height} px tall`);
});

test('on a phone: controls within their margins, in Tab order, and a status and previews that screen readers name', async () => {
  const phone = await openPage({ width: 390, height: 800 });
  try {
    const { page } = phone;
    const boxes = await page.$$eval('.controls > *', (all) => all.map((box) => box.getBoundingClientRect())
      .map(({ left, right }) => Math.round(left) - Math.round(document.documentElement.clientWidth - right)));
    assert.deepEqual(boxes, [0, 0]); // the margin on the left less the one on the right
    await page.click('h1'); // Tab goes on from here, the start of the page
    const reached = [];
    for (let i = 0; i < 2; ++i) reached.push(await page.keyboard.press('Tab').then(() => page.evaluate(() => document.activeElement.id)));
    assert.deepEqual(reached, ['files', 'encoding']);
    await uploadFiles(page, [golden('head_misspelt_survey.vqz')]);
    const named = [];
    const walk = (node) => [node.name && named.push(`${node.role}: ${node.name}`), ...(node.children ?? []).map(walk)];
    walk(await page.accessibility.snapshot());
    const wanted = ['status: Conversion status', 'region: XML of head_misspelt_survey.vqz', 'region: Line 4 of the input, column 3 marked',
      'combobox: Text encoding of the files'];
    assert.deepEqual(wanted.filter((name) => !named.includes(name)), [], JSON.stringify(named));
    assert.deepEqual(phone.problems, []);
  } finally {
    await phone.close();
  }
});

test('nothing was fetched from elsewhere, nothing went wrong, and the page renders in standards mode', async () => {
  assert.deepEqual([session.foreign, session.problems], [[], []]);
  assert.equal(await session.page.evaluate(() => document.compatMode), 'CSS1Compat');
});

test('a survey given with its data file shows the first records and offers them as CSV', async () => {
  const { page } = session;
  await page.$eval('#clear', (button) => button.click()); // hidden when the page is empty
  await page.select('#encoding', 'latin1'); // the program's default, which made the expected CSV
  const examples = join(here, '..', '..', 'examples');
  await (await page.$('input[type=file]')).uploadFile(join(examples, 'household.vqz'), join(examples, 'household.dat'));
  const records = `${result('household.vqz')} details.records`;
  await page.waitForSelector(`${records} tbody tr`, { timeout: 120000 });
  assert.equal(await page.$(result('household.dat')), null, 'the data file is no entry of its own');
  const rows = await page.$$eval(`${records} tbody tr`, (trs) => trs.map((tr) => [...tr.cells].map((cell) => cell.textContent)));
  assert.deepEqual([rows.length, rows[0].slice(0, 3)], [6, ['H0000001', '1', '4']]);
  const csv = await linkedBytes(page, 'a[download="household.csv"]');
  assert.equal(csv.toString('latin1'), readFileSync(join(here, '..', 'test', 'data', 'household.csv'), 'latin1'));
});
