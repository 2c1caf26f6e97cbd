#!/usr/bin/env python3
"""The runner's machine-readable results read by ordinary parsers give the numbers of its results table.

Runs

    python3 tests/cli/forms_parse_test.py BRELIX_CLI DOCUMENT

for example `python3 tests/cli/forms_parse_test.py build/cli/brelix-cli examples/textured_cell.brx`
(CTest: add_test(NAME cli.forms_parse COMMAND Python3::Interpreter <this file> $<TARGET_FILE:brelix-cli>
<an example document>)). It traces every batch of DOCUMENT three times with the same seed (the default),
once per form: the results table, `--format json` and `--format csv`. The JSON is read with the json
module and the CSV with the csv module; both must hold the same numbers, bit for bit, and every number,
key, column name, trace count and total must print as the table prints it. Only the standard library is
used. Exit status 0 when everything agrees, 1 with the differences on standard error otherwise, 2 for a
bad command line.
"""

import csv
import io
import json
import math
import subprocess
import sys

# The table's headings of the swept values, and their names in the key of a row.
SWEEPS = {"Wlen": "wavelength", "X": "x", "Y": "y", "Azi": "azimuth", "Ele": "declination"}
KEY_NAMES = ["wavelength", "x", "y", "azimuth", "declination"]
# The table's headings of the last two columns.
TABLE_NAMES = {"Remainder": "Remndr", "Lost": "Lost"}
# The table sums no more layer and plane columns than this.
MAX_SUMMED_COLUMNS = 200


def format_result_value(v):
    """A number as the results table writes it (FormatResultValue)."""
    if math.isnan(v) or v <= 0 or v >= 0.001:
        return "%2.3f" % v
    e = math.trunc(math.log10(v) - 1)
    m = v * 1e300 / 10.0 ** (e + 300) if e < -307 else v / 10.0 ** e
    return "%2.1fe%d" % (m, e)


def run(cli, document, *form):
    result = subprocess.run([cli, "trace", document, "--all", "--quiet", *form],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if result.returncode != 0:
        sys.exit("%s exited with %d: %s" % (" ".join([cli, "trace", document, *form]), result.returncode,
                                            result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("utf-8")


def parse_table(text):
    """The batches of the table text: title, header cells and rows of cells, split at the tabs."""
    batches = []
    for line in text.split("\n"):
        cells = line.split("\t")
        if line.startswith("Batch "):
            batches.append({"title": line, "header": cells, "rows": [], "totals": None})
        elif line.startswith("\t"):
            batches[-1]["header"] = cells
        elif line.startswith("Ray "):
            batches[-1]["rows"].append(cells)
        elif line.startswith("Totals\t"):
            batches[-1]["totals"] = cells
    return batches


def parse_csv(text):
    """The CSV rows by batch index, each a list of floats, after checking every header line."""
    tables = {}
    header = None
    for fields in csv.reader(io.StringIO(text, newline="")):
        if fields[0] == "batch":
            header = fields
            if fields[1:6] != KEY_NAMES:
                raise AssertionError("CSV header starts %r" % fields[:6])
            continue
        if len(fields) != len(header):
            raise AssertionError("CSV row of %d fields under a header of %d" % (len(fields), len(header)))
        tables.setdefault(int(fields[0]), {"header": header, "rows": []})["rows"].append(
            [float(f) for f in fields[1:]])
    return tables


class Checker:
    def __init__(self):
        self.failures = []

    def equal(self, actual, expected, where):
        if actual != expected:
            self.failures.append("%s: %r, expected %r" % (where, actual, expected))


def check(cli, document):
    table = parse_table(run(cli, document))
    batches = json.loads(run(cli, document, "--format", "json"))["batches"]
    csv_tables = parse_csv(run(cli, document, "--format", "csv"))
    checker = Checker()
    checker.equal(len(batches), len(table), "batches in the JSON")
    checker.equal(sorted(csv_tables), [b["index"] for b in batches], "batches in the CSV")

    for batch, printed in zip(batches, table):
        where = "batch %d" % batch["index"]
        columns = batch["columns"]
        checker.equal(printed["title"], "Batch %d:\t%s (%.2f Million Trace Ops)"
                      % (batch["index"], batch["name"], batch["traceOps"] / 1e6), where + " title")

        # The header: an empty cell, the varying sweeps, the columns, Total.
        header = printed["header"]
        sweeps = [SWEEPS[h] for h in header[1:len(header) - len(columns) - 1]]
        checker.equal(header[-1], "Total", where + " last heading")
        for name, heading in zip(columns, header[1 + len(sweeps):-1]):
            if name in TABLE_NAMES:
                checker.equal(heading, TABLE_NAMES[name], where + " heading")
            elif "/" in name:  # a plane, named by its layer too
                checker.equal(name.endswith("/" + heading), True, where + " plane column " + name)
            else:
                checker.equal(name, heading, where + " layer column")

        # The CSV: the same columns, the same numbers to the last bit.
        sheet = csv_tables.get(batch["index"], {"header": [], "rows": []})
        checker.equal(sheet["header"][6:], columns, where + " CSV columns")
        checker.equal(len(sheet["rows"]), len(batch["rows"]), where + " CSV rows")
        for k, (fields, row) in enumerate(zip(sheet["rows"], batch["rows"])):
            checker.equal(fields, [row["key"][name] for name in KEY_NAMES] + row["values"],
                          "%s CSV row %d" % (where, k))

        # Every row, and the totals summed in the table's order.
        checker.equal(len(batch["rows"]), len(printed["rows"]), where + " rows")
        summed = min(len(columns) - 2, MAX_SUMMED_COLUMNS) if batch["rows"] else 0
        sums = [0.0] * (summed + 3)  # the summed columns, remainder, lost, grand total
        for k, (row, cells) in enumerate(zip(batch["rows"], printed["rows"])):
            row_where = "%s row %d" % (where, k)
            checker.equal(cells[0], "Ray %d:" % k, row_where)
            for s, sweep in enumerate(sweeps):
                checker.equal(cells[1 + s], "%2.1f " % row["key"][sweep], row_where + " " + sweep)
            values = row["values"]
            total = 0.0
            for c, value in enumerate(values):
                checker.equal(cells[1 + len(sweeps) + c], format_result_value(value),
                              row_where + " " + columns[c])
                total += value
                if c < summed:
                    sums[c] += value
            sums[summed] += values[-2]
            sums[summed + 1] += values[-1]
            sums[summed + 2] += total
            checker.equal(cells[1 + len(sweeps) + len(values)], format_result_value(total),
                          row_where + " total")
        checker.equal(printed["totals"][1 + len(sweeps):-1], [format_result_value(s) for s in sums],
                      where + " totals")

    for failure in checker.failures[:50]:
        print(failure, file=sys.stderr)
    if checker.failures:
        print("%d differences between the forms and the table" % len(checker.failures), file=sys.stderr)
        return 1
    rows = sum(len(b["rows"]) for b in batches)
    print("%d batches, %d rows: the JSON, the CSV and the table agree" % (len(batches), rows))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(check(sys.argv[1], sys.argv[2]))
