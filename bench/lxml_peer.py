#!/usr/bin/python3
"""The peer of the row walk's benchmark: the same synthetic announcement pages
(GBK files written by row_walk_bench --write_page) parsed with lxml, reading
the same cells of both tables as the program does: the share name with its
spaces removed, each other cell's text in front of its first tag (upcoming
cell 1 inside its span, upcoming cells 4 and 6 with their tags stripped), and
for an issued row whose cell 2 links to an article, the article id.

    /usr/bin/python3 bench/lxml_peer.py [--repeat N] [--json FILE] PAGE...

Prints MB/s and rows/s per page (the best of N runs).
"""

import argparse
import json
import os
import time

import lxml.html

SPACES = str.maketrans("", "", " \u3000")


def leading_text(td):
    return td.text or ""


def upcoming_row(tds):
    cells = [leading_text(td) for td in tds]
    span = tds[1].find("span")
    cells[1] = (span.text or "") if span is not None else ""
    cells[4] = tds[4].text_content()
    cells[6] = tds[6].text_content()
    return cells[:10] + [cells[11]]


def issued_row(tds):
    cells = [leading_text(td) for td in tds]
    article = ""
    link = tds[2].find("a")
    if not cells[2] and link is not None:
        cells[2] = "双击查看"
        href = link.get("href", "")
        article = href.split("id=", 1)[1] if "id=" in href else ""
    return cells[:10] + [cells[11], article]


def read_table(tree, table_id, read_row):
    rows = []
    for table in tree.xpath('//table[@id="%s"]' % table_id):
        for tr in table.iter("tr"):
            tds = tr.findall("td")
            if len(tds) < 12:
                continue
            link = tds[0].find("a")
            if link is None or "quote.aspx?stockid=" not in link.get("href", ""):
                continue
            name = link.text_content().translate(SPACES)
            if not name:
                continue
            row = read_row(tds)
            row[0] = name
            rows.append(row)
    return rows


def read_page(data):
    parser = lxml.html.HTMLParser(encoding="gbk")
    tree = lxml.html.document_fromstring(data, parser=parser)
    return read_table(tree, "tb_upcoming", upcoming_row) + read_table(tree, "tb_issued", issued_row)


def measure(path, repeat):
    with open(path, "rb") as f:
        data = f.read()
    best = None
    rows = 0
    for _ in range(repeat):
        start = time.perf_counter()
        rows = len(read_page(data))
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return {"page": os.path.basename(path), "bytes": len(data), "rows": rows,
            "seconds": best, "bytes_per_second": len(data) / best, "rows_per_second": rows / best}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pages", nargs="+")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--json", help="also write the figures to this file")
    args = parser.parse_args()
    results = []
    print("%-28s %10s %8s %10s %12s" % ("lxml page", "bytes", "rows", "MB/s", "rows/s"))
    for path in args.pages:
        r = measure(path, args.repeat)
        results.append(r)
        mb_per_second = r["bytes_per_second"] / 2**20
        print("%-28s %10d %8d %10.1f %12.0f" % (r["page"], r["bytes"], r["rows"], mb_per_second,
                                                 r["rows_per_second"]))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
