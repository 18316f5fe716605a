// Data files read by the module: typed columns, missing values, data errors and the program's CSV.
'use strict';

const assert = require('node:assert/strict');
const { readFileSync } = require('node:fs');
const path = require('node:path');
const { before, test } = require('node:test');
const { load } = require('..');

const examples = path.join(__dirname, '..', '..', 'examples');
const household = ['household.vqz', 'household.dat'].map((name) => readFileSync(path.join(examples, name)));

let read;
before(async () => {
  read = (await load()).readData(...household);
});

test('columns are typed by kind, a missing value is NaN, a data error tells its line and column', () => {
  const column = (name) => read.columns.find((c) => c.name === name);
  assert.equal(read.records, 6);
  assert.deepEqual(['HHID', 'REGION', 'HHSIZE', 'AMENITY_1'].map((name) => column(name).kind), ['text', 'code', 'number', 'boolean']);
  assert.ok(column('HHSIZE').values instanceof Float64Array && column('HHSIZE').values.length === 6);
  assert.equal(column('RESPNAME').values[0], 'Renée');
  assert.ok(Number.isNaN(column('CHILDAGE_3').values[0]));
  assert.ok(Number.isNaN(column('LANG').values[3]), 'the field in error is missing');
  assert.deepEqual(read.errors.map(({ line, column: at, name }) => [line, at, name]), [[4, 57, 'LANG']]);
  assert.match(read.errors[0].message, /^data:4:57: error: LANG \(single\): expected a code, found "x"$/);
});

test('the CSV is the program\'s, byte for byte', () => {
  assert.equal(read.csv, readFileSync(path.join(__dirname, 'data', 'household.csv'), 'utf8'));
});
