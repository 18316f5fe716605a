// Every golden case of tests/golden/ converted through the package, byte for byte against its expected XML.
'use strict';

const assert = require('node:assert/strict');
const { readdirSync, readFileSync } = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');
const { load } = require('..');

const goldenDir = path.join(__dirname, '..', '..', 'tests', 'golden');

// The encoding a case is read in, told by its name as the golden runner tells it.
function caseEncoding(name) {
  if (name.startsWith('enc_utf8_')) return 'utf-8';
  if (name.startsWith('enc_cp1252_')) return 'cp1252';
  return 'latin1';
}

// The first line where two documents differ, to point at in a failure.
function firstDifference(actual, expected) {
  const a = Buffer.from(actual).toString('latin1').split('\n');
  const e = Buffer.from(expected).toString('latin1').split('\n');
  for (let i = 0; i < Math.max(a.length, e.length); ++i) {
    if (a[i] !== e[i]) return `line ${i + 1}:\n  got      ${JSON.stringify(a[i])}\n  expected ${JSON.stringify(e[i])}`;
  }
  return 'none';
}

test('every golden case converts to its expected bytes', async (t) => {
  const converter = await load();
  const cases = readdirSync(goldenDir).filter((file) => file.endsWith('.vqz')).sort();
  assert.ok(cases.length > 20, `only ${cases.length} golden cases found in ${goldenDir}`);
  for (const file of cases) {
    await t.test(file, () => {
      const name = file.slice(0, -'.vqz'.length);
      const input = readFileSync(path.join(goldenDir, file));
      const expected = readFileSync(path.join(goldenDir, `${name}.xml`));
      const result = converter.convert(input, { encoding: caseEncoding(name) });
      assert.ok(Buffer.from(result.xml).equals(expected), `first difference at ${firstDifference(result.xml, expected)}`);
      // The error report ends a faulty document's XML; a complete one has none and no diagnostic.
      assert.equal(result.diagnostic === null, result.complete);
      assert.equal(result.complete, !expected.includes('*** Error:'));
    });
  }
});
