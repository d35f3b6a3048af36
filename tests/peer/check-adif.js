// SPDX-License-Identifier: MIT
// Reads a converted log with an independent ADIF parser and checks every record against the table it came from.
'use strict';

const fs = require('fs');
const { AdifParser } = require('adif-parser-ts');

const [tablePath, adifPath] = process.argv.slice(2);
if (!tablePath || !adifPath) {
  console.error('usage: node check-adif.js TABLE.DBF FILE.adi');
  process.exit(2);
}

// A dBase III reader of its own: the fields by name (any letter case) and the live records.
function readTable(path) {
  const bytes = fs.readFileSync(path);
  const count = bytes.readUInt32LE(4);
  const headerSize = bytes.readUInt16LE(8);
  const recordSize = bytes.readUInt16LE(10);
  const fields = {};
  let offset = 1;
  for (let at = 32; at + 32 <= headerSize && bytes[at] !== 0x0d; at += 32) {
    const nameEnd = bytes.indexOf(0, at);
    const name = bytes.toString('latin1', at, Math.min(nameEnd < 0 ? at + 11 : nameEnd, at + 11));
    const field = { type: String.fromCharCode(bytes[at + 11]), offset, length: bytes[at + 16] };
    fields[name.toLowerCase()] ??= field;
    offset += field.length;
  }
  const records = [];
  for (let i = 0; i < count; i++) {
    const start = headerSize + i * recordSize;
    if (bytes[start] !== 0x20) continue;
    const text = (name) => {
      const f = fields[name.toLowerCase()];
      return bytes.toString('latin1', start + f.offset, start + f.offset + f.length).trim();
    };
    records.push({ text, type: (name) => fields[name.toLowerCase()].type });
  }
  return records;
}

const months = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
// ADIF band table, MHz, edges inclusive.
const bands = [
  [0.1357, 0.1378, '2190M'], [0.472, 0.479, '630M'], [0.501, 0.504, '560M'], [1.8, 2, '160M'],
  [3.5, 4, '80M'], [5.06, 5.45, '60M'], [7, 7.3, '40M'], [10.1, 10.15, '30M'], [14, 14.35, '20M'],
  [18.068, 18.168, '17M'], [21, 21.45, '15M'], [24.89, 24.99, '12M'], [28, 29.7, '10M'], [40, 45, '8M'],
  [50, 54, '6M'], [54.000001, 69.9, '5M'], [70, 71, '4M'], [144, 148, '2M'], [222, 225, '1.25M'],
  [420, 450, '70CM'], [902, 928, '33CM'], [1240, 1300, '23CM'], [2300, 2450, '13CM'], [3300, 3500, '9CM'],
  [5650, 5925, '6CM'], [10000, 10500, '3CM'], [24000, 24250, '1.25CM'], [47000, 47200, '6MM'],
  [75500, 81000, '4MM'], [119980, 123000, '2.5MM'], [134000, 149000, '2MM'], [241000, 250000, '1MM'],
  [300000, 7500000, 'SUBMM'],
];

function expected(record) {
  const date = record.text('Date');
  const time = record.text('Time');
  const freq = record.text('freq');
  const mhz = Number(freq.replace(',', '.'));
  const band = freq !== '' && Number.isFinite(mhz) ? bands.find(([lo, hi]) => mhz >= lo && mhz <= hi) : undefined;
  const month = date.substring(3, 6);
  const fields = {
    qso_date: record.type('Date') === 'D'
      ? date
      : date.substring(7, 11) + (months.includes(month) ? String(months.indexOf(month) + 1).padStart(2, '0') : month) +
        date.substring(0, 2),
    time_on: time.substring(0, 2) + time.substring(3, 5),
    call: record.text('call'),
    // Outside every band the text is written: a numeric field's as its value's shortest form.
    band: band ? band[2] : record.type('freq') === 'N' && freq !== '' ? String(mhz) : freq,
    mode: record.text('mode'),
    rst_sent: record.text('sent'),
    rst_rcvd: record.text('rcvd'),
  };
  const state = record.text('state');
  if (state !== '') fields.state = state;
  const iota = record.text('iota');
  if (iota !== '') fields.iota = iota.substring(0, 2) + '-' + iota.substring(2, 5);
  const qsl = record.text('qsl');
  if (['B', 'M', 'D', 'X'].includes(qsl)) fields.qsl_sent = 'Y';
  if (qsl === 'X') fields.qsl_rcvd = 'Y';
  return fields;
}

// The file's bytes are single-byte ANSI text: latin1 keeps one character per byte, so the
// parser's lengths count bytes as the ADIF lengths do.
const parsed = AdifParser.parseAdi(fs.readFileSync(adifPath, 'latin1'));
const records = readTable(tablePath);
const failures = [];
if (!/Quillon to ADIF Converter by Varden/.test(parsed.header?.text ?? '')) failures.push('header text missing');
const got = parsed.records ?? [];
if (got.length !== records.length) failures.push(`${got.length} records parsed, the table holds ${records.length} live records`);
records.forEach((record, i) => {
  const want = expected(record);
  const have = got[i] ?? {};
  const keys = Object.keys(have).filter((k) => k !== 'name').sort();
  if (keys.join(',') !== Object.keys(want).sort().join(',')) failures.push(`record ${i + 1}: fields ${keys} instead of ${Object.keys(want).sort()}`);
  for (const [key, value] of Object.entries(want))
    if (have[key] !== value) failures.push(`record ${i + 1}: ${key} is ${JSON.stringify(have[key])}, expected ${JSON.stringify(value)}`);
  if (typeof have.name !== 'string') failures.push(`record ${i + 1}: no NAME`);
});

if (failures.length) {
  console.error(failures.join('\n'));
  process.exit(1);
}
console.log(`${records.length} records parsed and checked`);
