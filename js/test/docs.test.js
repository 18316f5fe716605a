// Every JavaScript snippet in README.md and js/README.md runs as written, beside a survey.vqz, with the package installed.
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } = require('node:fs');
const { tmpdir } = require('node:os');
const path = require('node:path');
const { test } = require('node:test');

const jsDir = path.join(__dirname, '..');
const rootDir = path.join(jsDir, '..');

// The ```js blocks of a Markdown file that use the package.
function snippets(file) {
  const text = readFileSync(path.join(rootDir, file), 'utf8');
  return [...text.matchAll(/^```js\n([^]*?)^```$/gm)].map((match) => match[1]).filter((code) => code.includes("'vqz2xml'"));
}

test('the documentation\'s snippets run as written', async (t) => {
  const folder = mkdtempSync(path.join(tmpdir(), 'vqz2xml-docs-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  mkdirSync(path.join(folder, 'node_modules'));
  symlinkSync(jsDir, path.join(folder, 'node_modules', 'vqz2xml'), 'dir');
  copyFileSync(path.join(rootDir, 'tests', 'golden', 'example_household.vqz'), path.join(folder, 'survey.vqz'));
  const found = [...snippets('README.md').map((code) => ['README.md', code]), ...snippets('js/README.md').map((code) => ['js/README.md', code])];
  assert.ok(found.length >= 2, `only ${found.length} snippets found`);
  for (const [index, [file, code]] of found.entries()) {
    await t.test(`${file}, snippet ${index + 1}`, () => {
      // A snippet with import statements is an ES module, any other a CommonJS file.
      const name = path.join(folder, `snippet${index}.${/^import /m.test(code) ? 'mjs' : 'cjs'}`);
      writeFileSync(name, code);
      const run = spawnSync(process.execPath, [name], { cwd: folder, encoding: 'utf8' });
      assert.equal(run.status, 0, `${code}\n${run.stderr}`);
    });
  }
});
