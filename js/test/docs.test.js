// The documentation holds true: its JavaScript snippets run as written, and the build without emscripten says what to install.
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } = require('node:fs');
const { tmpdir } = require('node:os');
const path = require('node:path');
const { test } = require('node:test');

const jsDir = path.join(__dirname, '..');
const rootDir = path.join(jsDir, '..');

test('the documentation\'s snippets run as written', async (t) => {
  const folder = mkdtempSync(path.join(tmpdir(), 'vqz2xml-docs-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  mkdirSync(path.join(folder, 'node_modules'));
  symlinkSync(jsDir, path.join(folder, 'node_modules', 'vqz2xml'), 'dir');
  copyFileSync(path.join(rootDir, 'tests', 'golden', 'example_household.vqz'), path.join(folder, 'survey.vqz'));
  // The ```js blocks that use the package.
  const snippets = ['README.md', 'js/README.md'].flatMap((file) => [...readFileSync(path.join(rootDir, file), 'utf8')
    .matchAll(/^```js\n([^]*?)^```$/gm)].map((match) => [file, match[1]]).filter(([, code]) => code.includes("'vqz2xml'")));
  assert.ok(snippets.length >= 4, `only ${snippets.length} snippets found`);
  for (const [index, [file, code]] of snippets.entries()) {
    await t.test(`${file}, snippet ${index + 1}`, () => {
      // A snippet with import statements is an ES module, any other a CommonJS file.
      const name = path.join(folder, `snippet${index}.${/^import /m.test(code) ? 'mjs' : 'cjs'}`);
      writeFileSync(name, code);
      const run = spawnSync(process.execPath, [name], { cwd: folder, encoding: 'utf8' });
      assert.equal(run.status, 0, `${code}\n${run.stderr}`);
    });
  }
});

test('a build without emscripten says what to install', () => {
  const run = spawnSync(process.execPath, [path.join(jsDir, 'scripts', 'build.mjs')], { env: { PATH: '/nonexistent' }, encoding: 'utf8' });
  assert.equal(run.status, 1);
  assert.match(run.stderr, /emcmake is not installed; .*"sudo apt-get install emscripten cmake"/);
});
