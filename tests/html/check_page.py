#!/usr/bin/env python3
"""Checks an HTML page against the reports of the same run.

Usage: check_page.py FOLDER PAGE

Every number of the page's tables must be the number the line-printer report prints
(SEQPROBE.ANS for the seven-value lines and the correlations, SEQPROBE.PN2 for the
storages), and every mark of every chart must stand where its table's number puts it on
the chart's own axes. The page must hold no number that is not finite.
"""
import html
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

FAILURES = []


def fail(message):
    FAILURES.append(message)


def number(text):
    """A table cell or report field as a number; None for a marker (a dash, TOO SHORT)."""
    try:
        return float(text)
    except ValueError:
        return None


# --- the report ------------------------------------------------------------------------

MONTHS = ["OCTOBER", "NOVEMBER", "DECEMBER", "JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY",
          "AUGUST", "SEPTEMBER"]
DEFICIT_LINES = {"RELEASE PER MONTH.": "release", "MAXIMUM DEFICIT.": "max_deficit",
                 "DURATION OF MAX DEF.": "deficit_duration", "LONGEST DEPLETION.": "longest_depletion"}


# The report's lines of the blocks "VALUES OBTAINED FROM PARAMETER FILE" and "HISTORICAL
# DATA", each label followed by its numbers, and the block they belong to.
BLOCK_LINES = {"MEAN  =": "parameters", "STANDARD DEV  =": "parameters", "PHI AND THETA  =": "parameters",
               "AICc AND ANC   =": "parameters", "# Zero Flows   =": "parameters", "AV AN R =": "historical",
               "STDDEV  =": "historical", "SKEWN   =": "historical", "AUT K1  =": "historical",
               "LENGTH OF HISTORICAL RECORD =": "historical"}


def block_numbers(body):
    """The block and the numbers of a line of the report's two heading blocks, or None."""
    for label, block in BLOCK_LINES.items():
        if body.strip().startswith(label):
            rest = body.strip()[len(label):].replace("CV =", " ")
            return block, [float(v) for v in rest.split()]
    return None


def report_sections(text):
    """The analyses of SEQPROBE.ANS in order: ("statistics", {(statistic, key): 8 numbers})
    or ("correlations", [13 lines of 9 fields])."""
    sections, level, years = [], None, {}
    for line in text.splitlines():
        body = line[1:]
        if sections and sections[-1][0] == "statistics" and (found := block_numbers(body)):
            sections[-1][1].setdefault((found[0], 0), []).extend(found[1])
        if m := re.search(r"LENGTH OF HISTORICAL RECORD =\s*(\d+)", body):
            years["historical"] = int(m.group(1))
        elif m := re.search(r"MINIMUM N MONTH RUN SUMS IN\s*(\d+) YEARS", body):
            years["generated"] = int(m.group(1))
        elif "VALUES OBTAINED FROM PARAMETER FILE" in body:
            sections.append(("statistics", {}))
        elif "MONTHLY COMPARSIONS OF GAUGES" in body:
            sections.append(("correlations", []))
        elif m := re.search(r"RELEASE=\s*(\d+)\.%", body):
            level = int(m.group(1))
        elif m := re.match(r"\s+\((A|B)\)\s+(-?\d+\.\d+)((\s+\S+){7})$", body):
            sections[-1][1][("annual_mean" if m.group(1) == "A" else "annual_sd", 0)] = \
                [float(m.group(2))] + [float(v) for v in m.group(3).split()]
        elif m := re.match(r"\s+\((A|B)\)\s+(\d+)\s+(\S+)((\s+\S+){7})$", body):
            name = "monthly_mean" if m.group(1) == "A" else "monthly_sd"
            sections[-1][1][(name, int(m.group(2)))] = [float(m.group(3))] + [float(v) for v in m.group(4).split()]
        elif m := re.match(r"\s+(\d+) MONTH\s+(\S+)((\s+\S+){7})$", body):
            # A run longer than a series has no sum: the report prints the cap, the page a dash.
            months = int(m.group(1))
            historical = float(m.group(2)) if months <= 12 * years["historical"] else None
            seven = [float(v) if months <= 12 * years["generated"] else None for v in m.group(3).split()]
            sections[-1][1][("run_sum", months)] = [historical] + seven
        elif any(body.strip().startswith(label) for label in DEFICIT_LINES):
            label = next(label for label in DEFICIT_LINES if body.strip().startswith(label))
            values = body.strip()[len(label):].split()
            sections[-1][1][(DEFICIT_LINES[label], level)] = [float(v) for v in values]
        elif sections and sections[-1][0] == "correlations":
            name = body[2:12].strip()
            if name in MONTHS or name == "ANNUAL":
                fields = [body[16 + 12 * i:28 + 12 * i] for i in range(2)] + \
                         [body[45 + 12 * i:57 + 12 * i] for i in range(7)]
                sections[-1][1].append([number(f.strip()) for f in fields])
    return sections


def storage_sections(text):
    """The storage-yield curves of SEQPROBE.PN2, gauge by gauge: 41 sequences, median,
    mean and the historical curve, each a list of storages."""
    def values(lines, count):
        out = []
        for i, line in enumerate(lines):
            row = line[5:] if i % 2 == 0 else line
            out += [float(row[k:k + 8]) for k in range(0, len(row.rstrip()), 8)]
        return out[:count]

    lines, curves, i = text.splitlines(), [], 0
    while i < len(lines):
        if lines[i].strip() == "YIELD - CAPACITY TEST":
            sequences = [values(lines[i + 1 + 2 * s:i + 3 + 2 * s], 20) for s in range(41)]
            i += 83
            median = values(lines[i + 1:i + 3], 20)
            mean = values(lines[i + 4:i + 6], 20)
            count = int(lines[i + 7])
            historical = values(lines[i + 8:i + 8 + (count + 9) // 10], count) if count > 0 else []
            curves.append({"sequences": sequences, "median": median, "mean": mean, "historical": historical})
        i += 1
    return curves


# --- the page --------------------------------------------------------------------------

def cells(table):
    rows = []
    for row in re.findall(r"<tr>(.*?)</tr>", table, re.S):
        rows.append([html.unescape(c) for c in re.findall(r"<t[hd][^>]*>(.*?)</t[hd]>", row, re.S)])
    return rows


def tables_of(fragment):
    return [(html.unescape(re.search(r"<caption>(.*?)</caption>", t).group(1)), cells(t))
            for t in re.findall(r"<table.*?</table>", fragment, re.S)]


def page_sections(page):
    return [(m.group(1), m.group(2)) for m in re.finditer(r'<section class="(st|co)"[^>]*>(.*?)</section>', page, re.S)]


# The box-chart tables of a statistics section: the end of their caption, and the report
# lines they hold, keyed as the report keys them.
STATISTIC_OF_CAPTION = {"monthly means": "monthly_mean", "monthly standard deviations": "monthly_sd",
                        "minimum run sums": "run_sum", "release per month": "release",
                        "maximum deficit": "max_deficit", "duration of the maximum deficit": "deficit_duration",
                        "longest depletion": "longest_depletion"}
MONTH_LABELS = ["October", "November", "December", "January", "February", "March", "April", "May", "June", "July",
                "August", "September"]


def key_of(statistic, label):
    if statistic.startswith("monthly"):
        return MONTH_LABELS.index(label) + 1
    return int(label.split()[0])


BLOCK_OF_CAPTION = {"Values from the parameter file": "parameters", "Historical record": "historical"}


def page_statistics(fragment):
    lines = {}
    for caption, rows in tables_of(fragment):
        what = caption.split(": ", 1)[-1]
        if what in BLOCK_OF_CAPTION:
            lines[(BLOCK_OF_CAPTION[what], 0)] = [number(v) for row in rows[1:] for v in row[1].split(", ")]
            continue
        for row in rows[1:]:
            if what == "annual mean and standard deviation":
                key = ("annual_mean" if row[0] == "Mean" else "annual_sd", 0)
            elif what in STATISTIC_OF_CAPTION:
                key = (STATISTIC_OF_CAPTION[what], key_of(STATISTIC_OF_CAPTION[what], row[0]))
            else:
                continue
            lines[key] = [number(c) for c in row[1:]]
    return lines


def compare_statistics(index, report, page):
    if set(report) != set(page):
        fail(f"section {index}: the page's lines {sorted(set(page) ^ set(report))} differ from the report's")
    for key, values in report.items():
        if page.get(key) != values:
            fail(f"section {index} {key}: the page shows {page.get(key)}, the report {values}")


def compare_correlations(index, report, fragment):
    (_, rows), = tables_of(fragment)
    shown = [[number(c) for c in row[1:]] for row in rows[1:]]
    if shown != report:
        fail(f"section {index}: the correlation table {shown} differs from the report's {report}")


def compare_storages(index, curves, fragment):
    tables = tables_of(fragment)
    (_, summary), = [t for t in tables if t[0].endswith("required storage (% MAR)")]
    (_, sequences), = [t for t in tables if t[0].startswith("Required storage (% MAR) of each")]
    not_computed = lambda v: None if v == -10.0 else v
    for level, row in enumerate(summary[1:]):
        expected = [not_computed(curves["mean"][level]), not_computed(curves["median"][level]),
                    curves["historical"][level] if level < len(curves["historical"]) else None]
        if [number(c) for c in row[1:]] != expected:
            fail(f"section {index}: storages at yield {row[0]} are {row[1:]}, the report's {expected}")
    for s, row in enumerate(sequences[1:]):
        if [number(c) for c in row[1:]] != curves["sequences"][s]:
            fail(f"section {index}: the storages of sequence {s + 1} differ from the report's")


# --- the charts ------------------------------------------------------------------------

def path_numbers(d):
    return [float(v) for v in re.findall(r"-?\d+(?:\.\d+)?", d)]


class Scale:
    """A chart axis as its tick labels state it: position to value."""

    def __init__(self, ticks):
        (p0, v0), (p1, v1) = ticks[0], ticks[-1]
        self.per_unit = (p1 - p0) / (v1 - v0)
        self.p0, self.v0 = p0, v0

    def value(self, position):
        return self.v0 + (position - self.p0) / self.per_unit

    def tolerance(self, decimals):
        # Coordinates are written to a tenth of a unit; tables round to their decimals.
        return 0.06 / abs(self.per_unit) + 0.5 * 10 ** -decimals + 1e-9


def y_scale(svg):
    return Scale([(float(t.get("y")) - 4, float(t.text)) for t in svg.iter("text") if t.get("class") == "yl"])


def decimals(text):
    return len(text.split(".")[1]) if "." in text else 0


def check_value(where, drawn, printed, scale):
    expected = number(printed)
    if expected is None:
        fail(f"{where}: a mark is drawn where the table has none ({printed})")
    elif abs(drawn - expected) > scale.tolerance(decimals(printed)):
        fail(f"{where}: drawn at {drawn:.4f}, the table says {printed}")


def box_marks(svg):
    """The marks of each category, by the category's centre: the values they draw, keyed
    by what they stand for."""
    y = y_scale(svg)
    categories = [float(t.get("x")) for t in svg.iter("text") if t.get("class") == "xl"]
    marks = {x: {} for x in categories}
    legend_row = 56  # the plotting area's top: the legend's marks stand above it

    def put(x, what, position):
        nearest = min(categories, key=lambda c: abs(c - x))
        marks[nearest].setdefault(what, []).append(y.value(position))

    for e in svg.iter():
        cls = e.get("class")
        if cls == "bx" and float(e.get("y")) > legend_row - 8:
            x = float(e.get("x")) + float(e.get("width")) / 2
            put(x, "75 %", float(e.get("y")))
            put(x, "25 %", float(e.get("y")) + float(e.get("height")))
        elif cls in ("md", "wh", "hi", "mn") and path_numbers(e.get("d"))[1] > legend_row - 8:
            n = path_numbers(e.get("d"))
            if cls == "md":
                put(n[0] + n[2] / 2, "50 %", n[1])
            elif cls == "wh":
                put(n[0], "95 %", n[1])
                put(n[0], "5 %", n[5])
            elif cls == "hi":
                put(n[0], "historical", n[1] + 5)
            else:
                put(n[0] + 4, "mean", n[1] + 4)
        elif cls == "mm" and float(e.get("cy")) > legend_row - 8:
            put(float(e.get("cx")), "extremes", float(e.get("cy")))
    return y, [marks[x] for x in categories]


def check_box_chart(where, svg, rows):
    y, categories = box_marks(svg)
    headings = rows[0]
    if len(categories) != len(rows) - 1:
        fail(f"{where}: {len(categories)} categories drawn for {len(rows) - 1} table rows")
    for marks, row in zip(categories, rows[1:]):
        printed = dict(zip(headings, row))
        for what, values in marks.items():
            if what == "extremes":
                drawn = sorted(values)
                check_value(f"{where} {row[0]} minimum", drawn[0], printed["Minimum"], y)
                check_value(f"{where} {row[0]} maximum", drawn[-1], printed["Maximum"], y)
            else:
                check_value(f"{where} {row[0]} {what}", values[0], printed["Historical" if what == "historical"
                                                                           else "Mean" if what == "mean" else what], y)
        expected = {h for h in headings[1:] if number(printed[h]) is not None}
        drawn = {"Historical" if w == "historical" else "Mean" if w == "mean" else w for w in marks if w != "extremes"}
        if marks.get("extremes"):
            drawn |= {"Maximum", "Minimum"}
        if drawn != expected:
            fail(f"{where} {row[0]}: drawn {sorted(drawn)}, the table has {sorted(expected)}")


def check_storage_chart(where, svg, fragment):
    y = y_scale(svg)
    x = Scale([(float(t.get("x")), float(t.text)) for t in svg.iter("text") if t.get("class") == "xl"])
    tables = tables_of(fragment)
    (_, summary), = [t for t in tables if t[0].endswith("required storage (% MAR)")]
    (_, sequences), = [t for t in tables if t[0].startswith("Required storage (% MAR) of each")]
    yields = [row[0] for row in summary[1:]]
    axis_end = max(float(t.text) for t in svg.iter("text") if t.get("class") == "xl")
    columns = {"me": 1, "mdn": 2, "hs": 3}
    curves = {"sq": [row[1:] for row in sequences[1:]]}
    for cls, column in columns.items():
        curves[cls] = [[row[column] for row in summary[1:]]]
    drawn = {cls: [] for cls in curves}
    for e in svg.iter("polyline"):
        drawn[e.get("class")].append([tuple(map(float, p.split(","))) for p in e.get("points").split()])
    for cls, tables_curves in curves.items():
        expected = [c for c in tables_curves if any(number(v) is not None for v in c)]
        if len(drawn[cls]) != len(expected):
            fail(f"{where}: {len(drawn[cls])} {cls} curves drawn, {len(expected)} in the tables")
        for points, printed in zip(drawn[cls], expected):
            levels = [i for i, v in enumerate(printed) if number(v) is not None]
            # A curve runs to the first level beyond the storage axis and stops there.
            beyond = [i for i in levels if number(printed[i]) > axis_end]
            shown = levels[:levels.index(beyond[0]) + 1] if beyond else levels
            if len(points) != len(shown):
                fail(f"{where}: a {cls} curve of {len(points)} points, {len(shown)} expected")
            for (px, py), level in zip(points, shown):
                check_value(f"{where} {cls} yield {yields[level]}", y.value(py), yields[level], y)
                check_value(f"{where} {cls} storage at {yields[level]}", x.value(px), printed[level], x)


def check_charts(index, fragment):
    for figure in re.findall(r"<figure[^>]*>(.*?)</figure>", fragment, re.S):
        svg = ET.fromstring(re.search(r"<svg.*?</svg>", figure, re.S).group(0))
        title = svg.get("aria-label")
        if any(e.tag == "polyline" for e in svg.iter()):
            check_storage_chart(f"section {index} {title}", svg, figure)
        else:
            (_, rows), *_ = tables_of(figure)
            check_box_chart(f"section {index} {title}", svg, rows)


def main():
    folder, page_path = Path(sys.argv[1]), Path(sys.argv[2])
    page = page_path.read_text(encoding="utf-8")
    if re.search(r"\b(nan|inf|infinity)\b", page, re.I):
        fail("the page holds a number that is not finite")
    report = report_sections((folder / "SEQPROBE.ANS").read_text(encoding="latin-1"))
    storages = storage_sections((folder / "SEQPROBE.PN2").read_text(encoding="latin-1"))
    sections = page_sections(page)
    if [kind for kind, _ in report] != ["statistics" if k == "st" else "correlations" for k, _ in sections]:
        fail(f"the page's sections {[k for k, _ in sections]} are not the report's {[k for k, _ in report]}")
    stats_seen = 0
    for index, ((kind, expected), (_, fragment)) in enumerate(zip(report, sections), start=1):
        if kind == "statistics":
            compare_statistics(index, expected, page_statistics(fragment))
            compare_storages(index, storages[stats_seen], fragment)
            stats_seen += 1
        else:
            compare_correlations(index, expected, fragment)
        check_charts(index, fragment)
    for message in FAILURES[:40]:
        print(message)
    if FAILURES:
        sys.exit(f"{len(FAILURES)} differences between {page_path.name} and the reports")
    print(f"{page_path.name}: {len(sections)} sections, every number and mark as the reports give them")


if __name__ == "__main__":
    main()
