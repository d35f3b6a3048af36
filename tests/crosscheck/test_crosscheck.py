#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Cross-checks of the table engine against independent DBF programs (shapelib, python dbf, dbfread).

Tables made by those programs are read through the engine (dbf-probe dump), tables the engine
edited (dbf-probe edit) are read back by them, and tables made by quillon-genlog are read by
both sides.  A missing program is a failure, not a skip: `make test` installs them.

Environment: DBF_PROBE (the probe executable), QUILLON_GENLOG (the generator), QUILLON_SAMPLES
(the folder of the bundled sample log).
"""
import datetime
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import dbf  # Debian python3-dbf
import dbfread  # Debian python3-dbfread


def required_env(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"environment variable {name} is not set (run the tests through ctest)")
    return value


PROBE = required_env("DBF_PROBE")
GENLOG = required_env("QUILLON_GENLOG")
SAMPLES = required_env("QUILLON_SAMPLES")

# Header date the probe writes when it rewrites a header.
PROBE_HEADER_DATE = datetime.date(2024, 3, 7)
# A blank date field decodes as 1 January 1900.
BLANK_DATE = "1900-01-01"

LONG_MEMO = "".join(f"Line {i:3}: Grüße aus Köln, 73 de Jürgen!\r\n" for i in range(80))  # ~3.3 KB


def run(args, stdin=None):
    """Runs a program; a failure shows its command line and output."""
    result = subprocess.run(args, input=stdin, capture_output=True)
    if result.returncode != 0:
        raise AssertionError(
            f"{' '.join(map(str, args))} exited with {result.returncode}\n"
            f"stdout: {result.stdout.decode(errors='replace')}\nstderr: {result.stderr.decode(errors='replace')}")
    return result.stdout


def tool(name):
    path = shutil.which(name)
    if path is None:
        raise AssertionError(f"{name} is not installed (Debian package shapelib); `make test` installs it")
    return path


def engine_dump(table, memo=None):
    """The table as the engine reads it: header facts, field definitions and every record."""
    args = [PROBE, "dump", table] + ([memo] if memo else [])
    return json.loads(run(args))


def engine_edit(table, memo, lines):
    """Runs edit lines (lists of strings, joined by TAB) through the engine, then the header rewrite."""
    script = "".join("\t".join(map(str, line)) + "\n" for line in lines)
    run([PROBE, "edit", table] + ([memo] if memo else []), stdin=script.encode("utf-8"))


def memo_line(rec, field, text, encoding):
    return ["memo", rec, field, text.encode(encoding).hex()]


def engine_rows(dump):
    """Records of a dump as (deleted, [values]); memo values become their bytes."""
    rows = []
    for r in dump["records"]:
        values = [bytes.fromhex(v["hex"]) if isinstance(v, dict) else v for v in r["values"]]
        rows.append((r["deleted"], values))
    return rows


def genlog(path, *options):
    run([GENLOG, *map(str, options), path])
    return path, path[:-3] + ("dbt" if path.endswith("dbf") else "DBT")


def python_dbf_table(path, field_list, rows, deleted=()):
    """A dBase III table with memo file written by python dbf, character data in CP437."""
    table = dbf.Table(path, field_list, dbf_type="db3", codepage="cp437")
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    for index in deleted:
        dbf.delete(table[index])
    table.close()
    return path, path[:-3] + "dbt"


def dbfread_rows(path):
    """Live and deleted records of a Quillon log as dbfread reads them, in engine value form:
    character fields read as bytes and decoded as CP437, numbers as floats, memo text as its bytes."""
    reader = dbfread.DBF(path, encoding="latin-1", load=True)

    def convert(record):
        values = []
        for field in reader.fields:
            value = record[field.name]
            if field.type == "C":
                value = value.encode("latin-1").decode("cp437").strip()
            elif field.type == "M":
                value = (value or "").encode("latin-1")
            elif field.type == "N":
                value = float(value) if value is not None else 0.0
            values.append(value)
        return values

    return [convert(r) for r in reader.records], [convert(r) for r in reader.deleted], reader


def forgive_length_word_overrun(peer_rows, engine_values):
    """dbfread takes the length word of a length-prefixed memo as the text length, while the
    format stores text length + 8, so it delivers up to 8 bytes past the memo (padding, or
    whatever follows it in the block).  Cut those off where the rest matches the engine's text."""
    for peer, ours in zip(peer_rows, engine_values):
        for i, (p, o) in enumerate(zip(peer, ours)):
            if isinstance(p, bytes) and o and p != o and p.startswith(o) and len(p) - len(o) <= 8:
                peer[i] = o
    return peer_rows


class TempDirTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="q2a-crosscheck-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, name):
        return os.path.join(self.dir, name)


class PeerTablesReadByEngine(TempDirTest):
    """Tables written by independent programs, opened by the engine."""

    def test_shapelib_plain_table(self):
        path = self.path("plain.dbf")
        run([tool("dbfcreate"), path, "-s", "name", "20", "-n", "small", "4", "0", "-n", "count", "9", "0",
             "-n", "big", "12", "0", "-n", "price", "10", "3"])
        rows = [
            ("Müller", "42", "-123456", "9876543210", "-3.25"),
            ("Ana", "-999", "999999999", "-98765432109", "12345.678"),
            ("", "", "", "", ""),  # shapelib stores empty numbers as asterisks, its NULL
        ]
        for name, *numbers in rows:
            run([tool("dbfadd"), path, name.encode("cp437"), *numbers])

        dump = engine_dump(path)
        self.assertEqual(dump["messages"], [])
        self.assertEqual([(f["name"], f["kind"], f["size"], f["decimals"]) for f in dump["fields"]],
                         [("name", "String", 20, 0), ("small", "Smallint", 4, 0), ("count", "Integer", 9, 0),
                          ("big", "Largeint", 12, 0), ("price", "Float", 10, 3)])
        self.assertEqual(engine_rows(dump), [
            (False, ["Müller", 42, -123456, 9876543210, -3.25]),
            (False, ["Ana", -999, 999999999, -98765432109, 12345.678]),
            (False, ["", 0, 0, 0, 0.0]),
        ])

    def test_python_dbf_table_with_memo(self):
        field_list = "name C(20); qty N(5,0); small N(3,0); big N(11,0); price N(10,2); born D; ok L; remarks M"
        rows = [
            ("Müller", 42, -7, 12345678901, -3.5, datetime.date(2003, 5, 12), True, "Grüße\r\nzweite Zeile"),
            ("José", None, None, None, None, None, None, ""),
            ("Åsa", -9999, 999, -2147483649, 1234567.89, datetime.date(1850, 12, 31), False, LONG_MEMO),
            ("Renée", 0, 0, 0, 0.25, datetime.date(2024, 2, 29), True, "x"),
        ]
        table, memo = python_dbf_table(self.path("memo.dbf"), field_list, rows, deleted=[1])

        dump = engine_dump(table, memo)
        self.assertEqual(dump["messages"], [])
        self.assertEqual(dump["level"], 0)
        self.assertEqual([(f["name"].lower(), f["kind"]) for f in dump["fields"]],
                         [("name", "String"), ("qty", "Integer"), ("small", "Smallint"), ("big", "Largeint"),
                          ("price", "Float"), ("born", "Date"), ("ok", "Boolean"), ("remarks", "Memo")])
        # python dbf leaves None numbers and dates blank and writes "?" for a None logical.
        self.assertEqual(engine_rows(dump), [
            (False, ["Müller", 42, -7, 12345678901, -3.5, "2003-05-12", True, "Grüße\r\nzweite Zeile".encode("cp437")]),
            (True, ["José", 0, 0, 0, 0.0, BLANK_DATE, False, b""]),
            (False, ["Åsa", -9999, 999, -2147483649, 1234567.89, "1850-12-31", False, LONG_MEMO.encode("cp437")]),
            (False, ["Renée", 0, 0, 0, 0.25, "2024-02-29", True, b"x"]),
        ])


class EngineEditsReadByPeers(TempDirTest):
    """Tables the engine changed (records, appends, memos, header), read back by independent programs."""

    def test_dbase3_table_edited_by_engine(self):
        field_list = "name C(20); qty N(5,0); big N(11,0); price N(10,2); born D; ok L; remarks M"
        table, memo = python_dbf_table(self.path("edit.dbf"), field_list, [
            ("Ana", 1, 2, 1.5, datetime.date(2000, 11, 19), False, "short memo"),
            ("Bob", 3, 4, 2.5, None, False, ""),
            ("Cy", 5, 6, 3.5, None, True, "x" * 700),
        ])
        new_memo_0 = "Neu: Grüße"  # fits the old block: rewritten in place
        new_memo_1 = "Zeile\r\n" * 200  # first memo of the record: appended
        new_memo_2 = "kürzer"  # a two-block memo replaced by a short one, in place
        new_memo_3 = "Neu angelegt\r\n"
        engine_edit(table, memo, [
            ["set", 0, "name", "Jürgen Groß"],
            ["set", 0, "qty", -17],
            ["set", 1, "price", 3.14159],
            ["set", 1, "born", "2003-05-12"],
            ["set", 1, "ok", "T"],
            ["set", 2, "big", 4294967297],
            ["set", 2, "born", "1850-12-31"],
            ["delete", 1],
            memo_line(0, "remarks", new_memo_0, "cp437"),
            memo_line(1, "remarks", new_memo_1, "cp437"),
            memo_line(2, "remarks", new_memo_2, "cp437"),
            ["append", "name=Åsa", "qty=5", "born=2024-02-29", "ok=F", "price=-0.5"],
            memo_line(3, "remarks", new_memo_3, "cp437"),
        ])
        expected = [
            (False, ["Jürgen Groß", -17, 2, 1.5, datetime.date(2000, 11, 19), False, new_memo_0]),
            (True, ["Bob", 3, 4, 3.14, datetime.date(2003, 5, 12), True, new_memo_1]),
            (False, ["Cy", 5, 4294967297, 3.5, datetime.date(1850, 12, 31), True, new_memo_2]),
            (False, ["Åsa", 5, 0, -0.5, datetime.date(2024, 2, 29), False, new_memo_3]),
        ]

        reader = dbfread.DBF(table, encoding="cp437", load=True)
        self.assertEqual(reader.header.numrecords, 4)
        self.assertEqual(reader.date, PROBE_HEADER_DATE)

        def from_dbfread(record):
            values = list(record.values())
            values[0] = values[0].strip()
            # Blank numbers read as None in dbfread; the engine leaves unset fields blank.
            return [0 if v is None and i in (1, 2) else v for i, v in enumerate(values)]

        self.assertEqual([from_dbfread(r) for r in reader.records], [v for d, v in expected if not d])
        self.assertEqual([from_dbfread(r) for r in reader.deleted], [v for d, v in expected if d])

        peer = dbf.Table(table)
        peer.open(dbf.READ_ONLY)
        try:
            got = [(dbf.is_deleted(r), [r.name.strip(), r.qty or 0, r.big or 0, r.price, r.born, r.ok, r.remarks])
                   for r in peer]
        finally:
            peer.close()
        self.assertEqual(got, expected)

        with open(table, "rb") as f:
            data = f.read()
        end = reader.header.headerlen + 4 * reader.header.recordlen
        self.assertEqual(data[end], 0x1A, "end-of-file byte after the last record")

    def test_level1_log_edited_by_engine(self):
        table, memo = genlog(self.path("LEVEL1.DBF"), "--records", 12, "--level", 1, "--memo-every", 3,
                             "--deleted-every", 0, "--seed", 5)
        before = engine_rows(engine_dump(table, memo))
        short, long_text = "QSL via bureau, 5 €", "Lange Notiz mit Umlauten: äöü\r\n" * 40
        engine_edit(table, memo, [
            memo_line(1, "remarks", short, "cp1252"),  # had a memo: rewritten in place or moved
            memo_line(2, "remarks", long_text, "cp1252"),  # first memo: appended
            memo_line(4, "remarks", "", "cp1252"),  # emptied: block number 0
            ["set", 3, "call", "DL1XYZ/P"],
            ["set", 3, "freq", 50.125],
            ["delete", 5],
            ["append", "Date=01-Jan-2024", "Time=00:01", "call=N0NEW", "freq=7.074", "mode=FT8", "name=Müller"],
            memo_line(12, "remarks", "appended record's memo", "cp1252"),
        ])
        after = engine_dump(table, memo)
        self.assertEqual(after["count"], 13)
        rows = engine_rows(after)
        self.assertEqual(rows[1][1][13], short.encode("cp1252"))
        self.assertEqual(rows[2][1][13], long_text.encode("cp1252"))
        self.assertEqual(rows[4][1][13], b"")
        self.assertEqual(rows[7][1][13], before[7][1][13], "untouched memo moved")
        self.assertEqual(rows[3][1][2:4], ["DL1XYZ/P", 50.125])
        self.assertEqual([d for d, _ in rows], [i == 5 for i in range(13)])
        self.assertEqual(rows[12][1][:4] + rows[12][1][11:12], ["01-Jan-2024", "00:01", "N0NEW", 7.074, "Müller"])

        live, deleted, reader = dbfread_rows(table)
        self.assertEqual(reader.header.numrecords, 13)
        self.assertEqual(reader.date, PROBE_HEADER_DATE)
        expected_live, expected_deleted = [v for d, v in rows if not d], [v for d, v in rows if d]
        self.assertEqual(forgive_length_word_overrun(live, expected_live), expected_live)
        self.assertEqual(forgive_length_word_overrun(deleted, expected_deleted), expected_deleted)


WORKED_EXAMPLE = ["19-Nov-2000", "14:35", "N0CALL", 14.025, "CW", "599", "579", "", "EU005", "X", "", "Ana", "QRP", b""]


class GeneratedLogsReadByPeers(unittest.TestCase):
    """Logs written by quillon-genlog read the same in dbfread, python dbf and the engine."""

    maxDiff = None

    def check_log(self, table, memo, records, deleted_every, memo_every, length_word_overrun):
        dump = engine_dump(table, memo)
        self.assertEqual(dump["messages"], [])
        self.assertEqual(dump["count"], records)
        rows = engine_rows(dump)
        self.assertEqual(rows[0], (False, WORKED_EXAMPLE))
        self.assertEqual([d for d, _ in rows], [(i + 1) % deleted_every == 0 for i in range(records)])
        self.assertEqual([bool(v[13]) for _, v in rows], [i % memo_every == 1 % memo_every for i in range(records)])

        live, deleted, reader = dbfread_rows(table)
        self.assertEqual(reader.header.numrecords, records)
        self.assertEqual(reader.date, datetime.date(2000, 11, 19))
        expected_live, expected_deleted = [v for d, v in rows if not d], [v for d, v in rows if d]
        if length_word_overrun:
            forgive_length_word_overrun(live, expected_live)
            forgive_length_word_overrun(deleted, expected_deleted)
        self.assertEqual(live, expected_live)
        self.assertEqual(deleted, expected_deleted)
        return rows

    def test_bundled_sample(self):
        table, memo = os.path.join(SAMPLES, "QUILLON.DBF"), os.path.join(SAMPLES, "QUILLON.DBT")
        rows = self.check_log(table, memo, 16, 5, 3, length_word_overrun=False)
        self.assertTrue({"Müller", "José", "Jürgen", "Björn", "Åsa"} <= {v[11] for _, v in rows})
        self.assertTrue(any(len(v[13]) > 512 and b"\r\n" in v[13] and b"\xb0" in v[13] for _, v in rows))

        # python dbf reads the dBase III sample too (it has no dBase IV memo support).
        peer = dbf.Table(table, codepage="cp437")
        peer.open(dbf.READ_ONLY)
        try:
            got = [(dbf.is_deleted(r), r.call.strip(), r.name.strip(), r.remarks.encode("cp437")) for r in peer]
        finally:
            peer.close()
        self.assertEqual(got, [(d, v[2], v[11], v[13]) for d, v in rows])

    def test_generated_level1_log(self):
        with tempfile.TemporaryDirectory(prefix="q2a-crosscheck-") as tmp:
            table, memo = genlog(os.path.join(tmp, "log.dbf"), "--records", 300, "--level", 1,
                                 "--deleted-every", 7, "--memo-every", 4, "--seed", 9)
            self.assertTrue(memo.endswith("log.dbt"))
            self.check_log(table, memo, 300, 7, 4, length_word_overrun=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
