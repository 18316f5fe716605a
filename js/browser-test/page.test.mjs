// The built web page in headless Chromium: statuses, the diagnostic, downloads and the zip against the golden files.
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { unzipSync } from 'fflate';
import { linkedBytes, openPage, uploadFiles } from './browser.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const goldenDir = join(here, '..', '..', 'tests', 'golden');
const artifactsDir = join(here, '..', 'test-artifacts');
const golden = (name) => join(goldenDir, name);

let session;
before(async () => {
  session = await openPage();
});
after(async () => {
  await session?.close();
});

const result = (name) => `[data-file="${name}"]`;

// Whether the element `selector` names takes room on the page: the hidden attribute must win
// over the stylesheet's display rules.
const shown = (page, selector) => page.$eval(selector, (e) => getComputedStyle(e).display !== 'none');

test('the zip is offered for two documents or more only', async () => {
  const { page } = session;
  await uploadFiles(page, [golden('example_household.vqz')]);
  assert.equal(await shown(page, '#zip'), false);
  await page.click('#clear');
});

test('a file that is no survey at all is told so, its found text shown alike in the message and the XML', async () => {
  const { page } = session;
  const folder = mkdtempSync(join(tmpdir(), 'vqz2xml-page-'));
  const files = {
    'empty.vqz': Buffer.alloc(0),
    'picture.png': Buffer.from('89504e470d0a1a0a0000000d49484452', 'hex'),
    'notes.txt': Buffer.from('Shopping list\nmilk\n'),
    'noise.bin': Buffer.from('f3e9809fa0ff0110c3', 'hex'),
  };
  for (const [name, bytes] of Object.entries(files)) writeFileSync(join(folder, name), bytes);
  await uploadFiles(page, Object.keys(files).map((name) => join(folder, name)));
  for (const name of Object.keys(files)) {
    const { message, xml } = await page.$eval(result(name), (e) => ({ message: e.querySelector('.diagnostic').textContent,
      xml: e.querySelector('details.xml code').textContent }));
    assert.match(message, /^This is not a classic survey file\. Such a file begins with the word VQZ; this one (is empty|begins with “.+”)\.$/, name);
    const found = /“(.+)”/.exec(message)?.[1];
    if (found) assert.ok(xml.includes(found), `${name}: ${JSON.stringify(found)} in ${JSON.stringify(xml)}`);
  }
  await page.click('#clear');
});

test('a valid and a faulty file: statuses, diagnostic, downloads, zip', async () => {
  const { page } = session;
  await uploadFiles(page, [golden('example_household.vqz'), golden('head_misspelt_survey.vqz')]);
  assert.equal(await shown(page, '#zip'), true);
  assert.equal(await page.$eval(result('example_household.vqz'), (e) => e.dataset.status), 'converted');
  assert.equal(await page.$eval(result('head_misspelt_survey.vqz'), (e) => e.dataset.status), 'faulty');

  const message = await page.$eval(`${result('head_misspelt_survey.vqz')} .diagnostic .message`, (e) => e.textContent);
  assert.equal(message, "Line 4, column 3: expected 'Survey', found “SURVY”");
  const source = await page.$eval(`${result('head_misspelt_survey.vqz')} .source`, (e) => e.textContent);
  assert.equal(source, '3 │ STANDARD NAMES\n4 │   SURVY\n  │   ^');
  assert.equal(await page.$eval(`${result('head_misspelt_survey.vqz')} .source mark`, (e) => e.textContent), 'S');

  for (const name of ['example_household', 'head_misspelt_survey']) {
    const link = `${result(`${name}.vqz`)} a[download="${name}.xml"]`;
    assert.ok((await linkedBytes(page, link)).equals(readFileSync(golden(`${name}.xml`))), name);
  }

  mkdirSync(artifactsDir, { recursive: true });
  await page.screenshot({ path: join(artifactsDir, 'web-page.png'), fullPage: true });

  await page.click('#zip');
  await page.waitForSelector('#zip-link', { timeout: 60000 });
  const entries = unzipSync(new Uint8Array(await linkedBytes(page, '#zip-link')));
  assert.deepEqual(Object.keys(entries).sort(), ['example_household.xml', 'head_misspelt_survey.xml']);
  for (const [name, bytes] of Object.entries(entries)) {
    assert.ok(Buffer.from(bytes).equals(readFileSync(golden(name))), name);
  }
});

test('a new encoding converts every file again', async () => {
  const { page } = session;
  await page.click('#clear');
  await uploadFiles(page, [golden('enc_utf8_texts.vqz')]);
  const link = `${result('enc_utf8_texts.vqz')} a[download="enc_utf8_texts.xml"]`;
  const asLatin1 = await linkedBytes(page, link);
  await page.select('#encoding', 'utf-8');
  await page.waitForSelector(`${result('enc_utf8_texts.vqz')}:is([data-status=converted], [data-status=faulty]) ${'a[download]'}`,
    { timeout: 60000 });
  const asUtf8 = await linkedBytes(page, link);
  assert.ok(asUtf8.equals(readFileSync(golden('enc_utf8_texts.xml'))));
  assert.ok(!asLatin1.equals(asUtf8));
});

test('a big faulty file shows the beginning and the end of its XML, the error report', async () => {
  const { page } = session;
  await page.click('#clear');
  const variables = [];
  for (let i = 1; i <= 1500; ++i) variables.push(`VARIABLE ${i}\nNAME "V${i}"\nLABEL "l"\nTYPE single\nPOSITION ${i}\nEND VARIABLE\n`);
  const path = join(mkdtempSync(join(tmpdir(), 'vqz2xml-page-')), 'big_faulty.vqz');
  writeFileSync(path, `VQZ\nVERSION 1.1\nSURVEY\nTITLE "t"\nRECORD A\n${variables.join('')}VARIABLE 1501\n\tBOGUS\n`);
  await uploadFiles(page, [path]);
  const shown = await page.$eval(`${result('big_faulty.vqz')} details.xml`, (details) =>
    ({ summary: details.querySelector('summary').textContent, text: details.querySelector('code').textContent }));
  assert.match(shown.summary, /^XML \(the first 64\.0 kB and the last 4\.0 kB of \d+\.\d kB\)$/);
  assert.ok(shown.text.startsWith('<?xml version="1.0"?>\r\n'));
  assert.match(shown.text, /\n…\n[^]*\*\*\* Error: at corresponding point in source file:[^]*\tBOGUS\s*$/);
  const message = await page.$eval(`${result('big_faulty.vqz')} .diagnostic .message`, (e) => e.textContent);
  assert.equal(message, `Line ${5 + 6 * 1500 + 2}, column 2: expected NAME "var_name", found “BOGUS”`);
});

test('the controls are labelled and reached by the keyboard in order', async () => {
  const { page } = session;
  const labels = await page.$$eval('input, select', (controls) => controls.map((c) => c.labels[0]?.textContent.trim()));
  assert.deepEqual(labels, ['Choose .vqz files, or drop them here', 'Text encoding of the files']);
  await page.click('h1'); // Tab goes on from here, the start of the page
  const reached = [];
  for (let i = 0; i < 2; ++i) {
    await page.keyboard.press('Tab');
    reached.push(await page.evaluate(() => document.activeElement.id));
  }
  assert.deepEqual(reached, ['files', 'encoding']);
});

test('a survey\'s variables: a table, code lists opened by the keyboard, a CSV codebook', async () => {
  const { page } = session;
  await page.click('#clear');
  await uploadFiles(page, [golden('example_household.vqz')]);
  const table = `${result('example_household.vqz')} table.variables`;
  const rows = await page.$$eval(`${table} > tbody > tr:not(.code-row)`, (trs) => trs.map((tr) => [...tr.cells].map((cell) => cell.textContent)));
  assert.equal(rows.length, 13);
  assert.deepEqual(rows[0], ['1', 'HHID', 'Household identifier', 'character', '1–8', 'none']);
  assert.deepEqual(rows[1], ['2', 'REGION', 'Region of residence', 'single', '9–10', '5 codes']);

  const toggle = `${table} button.codes-toggle`;
  await page.focus(toggle);
  await page.keyboard.press('Enter');
  const opened = await page.$eval(toggle, (button) => {
    const list = document.getElementById(button.getAttribute('aria-controls'));
    return { expanded: button.getAttribute('aria-expanded'), hidden: list.hidden,
      codes: [...list.querySelectorAll('table.codes > tbody > tr')].map((tr) => tr.textContent) };
  });
  assert.deepEqual(opened, { expanded: 'true', hidden: false,
    codes: ['1North', '2South', '3East', '4West', '10Islands & coast'] });
  await page.keyboard.press('Space');
  assert.equal(await page.$eval(toggle, (button) => button.getAttribute('aria-expanded')), 'false');

  const csv = (await linkedBytes(page, `${result('example_household.vqz')} a[download="example_household-codebook.csv"]`)).toString('utf8');
  const lines = csv.split('\r\n');
  assert.equal(lines[0], '\ufeffident,name,label,type,start,finish,width,code,code_label,special');
  assert.ok(lines.includes('2,REGION,Region of residence,single,9,10,2,10,Islands & coast,'), csv);
  assert.ok(lines.includes('1,HHID,Household identifier,character,1,8,8,,,'), csv);
});

test('twenty files: an overview with the faulty first, linking to each result, and a page of reasonable height', async () => {
  const { page } = session;
  await page.click('#clear');
  const folder = mkdtempSync(join(tmpdir(), 'vqz2xml-page-'));
  const paths = [];
  for (let i = 1; i <= 19; ++i) {
    paths.push(join(folder, `wave_${i}.vqz`));
    writeFileSync(paths.at(-1), readFileSync(golden('example_household.vqz')));
  }
  paths.splice(7, 0, golden('head_misspelt_survey.vqz'));
  await uploadFiles(page, paths);
  const overview = await page.$$eval('#overview li', (items) => items.map((li) => {
    const link = li.querySelector('a');
    return { text: li.textContent, target: document.querySelector(link.getAttribute('href'))?.dataset.file };
  }));
  assert.equal(overview.length, 20);
  assert.deepEqual(overview[0], { text: "head_misspelt_survey.vqz faulty: line 4, expected 'Survey'", target: 'head_misspelt_survey.vqz' });
  assert.deepEqual(overview[1], { text: 'wave_1.vqz converted: 13 variables', target: 'wave_1.vqz' });
  assert.deepEqual(await page.$$eval('details.xml[open], details.variables[open]', (open) => open.length), 0);
  const height = await page.evaluate(() => document.documentElement.scrollHeight);
  assert.ok(height < 6000, `the page is ${height} px tall`);
  await page.click('#clear');
});

test('on a phone the controls keep their margins, and screen readers find the status and the previews by name', async () => {
  const phone = await openPage({ width: 390, height: 800 });
  try {
    const { page } = phone;
    const margins = await page.$$eval('.controls > *', (boxes) => boxes.map((box) => {
      const { left, right } = box.getBoundingClientRect();
      return [Math.round(left), Math.round(document.documentElement.clientWidth - right)];
    }));
    for (const [left, right] of margins) assert.equal(right, left);
    await uploadFiles(page, [golden('head_misspelt_survey.vqz')]);
    const named = [];
    const walk = (node) => {
      if (node.name) named.push(`${node.role}: ${node.name}`);
      for (const child of node.children ?? []) walk(child);
    };
    walk(await page.accessibility.snapshot());
    for (const wanted of ['status: Conversion status', 'region: XML of head_misspelt_survey.vqz',
      'region: Line 4 of the input, column 3 marked']) {
      assert.ok(named.includes(wanted), `${wanted} among ${JSON.stringify(named)}`);
    }
    assert.deepEqual(phone.problems, []);
  } finally {
    await phone.close();
  }
});

test('nothing was fetched from elsewhere, nothing went wrong, and the page renders in standards mode', async () => {
  assert.deepEqual(session.foreign, []);
  assert.deepEqual(session.problems, []);
  assert.equal(await session.page.evaluate(() => document.compatMode), 'CSS1Compat');
});
