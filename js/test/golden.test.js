// Every golden case of tests/golden/ converted through the package, byte for byte against its expected XML.
'use strict';

const assert = require('node:assert/strict');
const { readdirSync, readFileSync } = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');
const { load } = require('..');

const goldenDir = path.join(__dirname, '..', '..', 'tests', 'golden');
// The encoding a case is read in, told by its name as the golden runner tells it.
const caseEncoding = (name) => (name.startsWith('enc_utf8_') ? 'utf-8' : name.startsWith('enc_cp1252_') ? 'cp1252' : 'latin1');

test('every golden case converts to its expected bytes', async (t) => {
  const converter = await load();
  const cases = readdirSync(goldenDir).filter((file) => file.endsWith('.vqz')).sort();
  assert.ok(cases.length > 20, `only ${cases.length} golden cases found in ${goldenDir}`);
  for (const file of cases) {
    await t.test(file, () => {
      const expected = readFileSync(path.join(goldenDir, file.replace(/\.vqz$/, '.xml')));
      const result = converter.convert(readFileSync(path.join(goldenDir, file)), { encoding: caseEncoding(file) });
      // The first differing line, to point at in a failure.
      const [got, wanted] = [result.xml, expected].map((xml) => Buffer.from(xml).toString('latin1').split('\n'));
      const line = got.findIndex((text, i) => text !== wanted[i]);
      assert.ok(Buffer.from(result.xml).equals(expected), `line ${line + 1}: ${JSON.stringify(got[line])}, expected ${JSON.stringify(wanted[line])}`);
      // The error report ends a faulty document's XML; a complete one has none and no diagnostic.
      assert.equal(result.diagnostic === null, result.complete);
      assert.equal(result.complete, !expected.includes('*** Error:'));
    });
  }
});
