#!/usr/bin/env python3
"""Tests of the Velmora demo data site (demo/server.py).

Run from the repository root:  python3 demo/test_server.py
The server runs as a subprocess on a free loopback port; the page rows are
read back with the same cell-by-cell reading the Velmora program uses.
"""

import concurrent.futures
import configparser
import datetime
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from html.parser import HTMLParser

DEMO_DIR = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(DEMO_DIR, "server.py")
sys.path.insert(0, DEMO_DIR)
sys.dont_write_bytecode = True  # leave no __pycache__ in the demo folder
import server as site  # noqa: E402  (row data and page builders)

M1, M2, M3 = site.MARKER_UPCOMING, site.MARKER_ISSUED, site.MARKER_END
QUOTE = "quote.aspx?stockid="
ARTICLE_LINK = "<a href=newspage.aspx?id="


# --------------------------------------------------------------------------
# The program's way of reading a table
# --------------------------------------------------------------------------


def read_rows(text, upcoming):
    """Rows of one table section as Velmora reads them: (cells, article id).

    Find quote.aspx?stockid=, skip past the next '>', read the name up to '<'.
    For every further cell skip past the next </td> and the next '>' and read
    up to '<'; upcoming cell 1 skips one more '>' (the <span>), upcoming cells
    4 and 6 are read up to </td> with tags removed.  In the issued table a
    cell 2 that starts with a newspage link gives the article id."""
    rows = []
    pos = 0
    while True:
        hit = text.find(QUOTE, pos)
        if hit < 0:
            return rows
        pos = text.index(">", hit) + 1
        end = text.index("<", pos)
        cells = [text[pos:end]]
        article = None
        pos = end
        for cell in range(1, 12):
            pos = text.index("</td>", pos) + len("</td>")
            pos = text.index(">", pos) + 1
            if upcoming and cell == 1:
                pos = text.index(">", pos) + 1
            if upcoming and cell in (4, 6):
                end = text.index("</td>", pos)
                cells.append(re.sub(r"<[^>]*>", "", text[pos:end]))
            else:
                end = text.index("<", pos)
                cells.append(text[pos:end])
                if not upcoming and cell == 2 and text.startswith(ARTICLE_LINK, end):
                    start = end + len(ARTICLE_LINK)
                    article = text[start:text.index(" ", start)]
            pos = end
        rows.append((cells, article))


def sections(page):
    """The upcoming and issued table sections of a page (text)."""
    a, b, c = page.index(M1), page.index(M2), page.index(M3)
    return page[a + len(M1):b], page[b + len(M2):c]


def read_page(page):
    up, issued = sections(page)
    return read_rows(up, True), read_rows(issued, False)


class TableCollector(HTMLParser):
    """Cell texts and links of the data rows of each table, by table id."""

    def __init__(self):
        super().__init__()
        self.tables = {}
        self.table = None
        self.cell = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "table":
            self.table = self.tables.setdefault(attrs.get("id"), [])
        elif tag == "tr" and self.table is not None:
            self.table.append([])
        elif tag == "td" and self.table is not None:
            self.cell = {"text": "", "href": None}
            self.table[-1].append(self.cell)
        elif tag == "a" and self.cell is not None:
            self.cell["href"] = attrs.get("href")

    def handle_endtag(self, tag):
        if tag == "td":
            self.cell = None
        elif tag == "table":
            self.table = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell["text"] += data


def parse_tables(page):
    collector = TableCollector()
    collector.feed(page)
    collector.close()
    return {key: [row for row in rows if row] for key, rows in collector.tables.items()}


# --------------------------------------------------------------------------
# Server process and HTTP helpers
# --------------------------------------------------------------------------


class ServerProcess:
    def __init__(self, *args):
        self.dir = tempfile.mkdtemp(prefix="velmora-demo-")
        self.port_file = os.path.join(self.dir, "port")
        self.log_file = os.path.join(self.dir, "requests.log")
        self.stderr = open(os.path.join(self.dir, "stderr"), "w+")
        self.proc = subprocess.Popen(
            [sys.executable, SERVER, "--port", "0", "--port-file", self.port_file,
             "--log", self.log_file] + list(args),
            stdout=subprocess.PIPE, stderr=self.stderr, text=True)
        deadline = time.monotonic() + 15
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("demo server did not start: " + self.errors())
            time.sleep(0.02)
        with open(self.port_file) as f:
            self.port_text = f.read()
        self.port = int(self.port_text)
        self.ready_line = self.proc.stdout.readline()

    def errors(self):
        self.stderr.seek(0)
        return self.stderr.read()

    def stop(self, sig=signal.SIGTERM, timeout=15):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        return self.proc.returncode

    def request(self, path, method="GET", headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        try:
            conn.request(method, path, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, resp.msg, resp.read()
        finally:
            conn.close()

    def get(self, path):
        return self.request(path)

    def control(self, query):
        status, _, body = self.get("/_control/set?" + query)
        return status, body


def raw_request(port, path, timeout=5):
    sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
    sock.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
                  % path).encode("ascii"))
    return sock


def read_head(sock):
    """Status, lower-cased headers, and the body bytes read so far."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            raise EOFError("connection closed before the headers ended")
        data += chunk
    head, body = data.split(b"\r\n\r\n", 1)
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        key, value = line.split(":", 1)
        headers[key.strip().lower()] = value.strip()
    return int(lines[0].split()[1]), headers, body


def recv_all(sock):
    data = b""
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            return data
        data += chunk


def today8():
    return datetime.date.today().strftime("%Y%m%d")


# Expected rows of fixtures/basic.html (C++ tests rely on the same values).
BASIC_UPCOMING = [
    ["蓝海光电", "20260105", "787701", "21.30", "2,000万(网上800万)", "0.80万", "28.15",
     "20260106", "20260107", "20260108", "网上", "中信证券"],
    ["松岩股份", "20260105", "732715", "8.88", "5,000万(网上2,000万)", "2.00万", "16.42",
     "20260106", "20260107", "20260108", "网上", "国泰君安"],
    ["远帆科技", "20260106", "301720", "35.00", "1,500万(网上600万)", "0.60万", "45.07",
     "20260107", "20260108", "20260109", "网下", "华泰联合"],
]
BASIC_ISSUED = [
    (["星河医药", "20260115", "", "0.0345%", "20251231", "1.23万亿", "20260115", "1.20万",
      "18.50", "20260105", "网上", "23.45"], "1"),
    (["青山材料", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万",
      "11.72", "20260107", "网上", "22.64"], None),
    (["白鹭电气", "待定", "", "0.0298%", "20260107", "6,543亿", "待定", "2.00万",
      "7.95", "20260108", "网上", "18.03"], None),
]


# --------------------------------------------------------------------------
# One server for most tests; each test sets the modes it needs
# --------------------------------------------------------------------------


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess("--stall-seconds", "5")

    @classmethod
    def tearDownClass(cls):
        errors = cls.server.errors()
        code = cls.server.stop()
        if errors:
            raise AssertionError("server wrote to stderr:\n" + errors)
        if code != 0:
            raise AssertionError("server exit code %r" % code)

    def tearDown(self):
        self.assertEqual(self.server.control("mode=normal&version=current&stall=5"),
                         (200, b"ok\n"))

    def set(self, query):
        self.assertEqual(self.server.control(query), (200, b"ok\n"))

    def page(self):
        status, headers, body = self.server.get("/")
        self.assertEqual(status, 200)
        return body

    # ----- start-up -----

    def test_ready_line_and_port_file(self):
        port = self.server.port
        self.assertEqual(self.server.port_text, "%d\n" % port)
        self.assertEqual(self.server.ready_line,
                         "demo site listening on http://127.0.0.1:%d/\n" % port)

    # ----- the normal page -----

    def test_normal_page_markers_once_and_in_order(self):
        status, headers, body = self.server.get("/")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
        page = body.decode("utf-8")
        for marker in (M1, M2, M3):
            self.assertEqual(page.count(marker), 1, marker)
        self.assertLess(page.index(M1), page.index(M2))
        self.assertLess(page.index(M2), page.index(M3))
        # Quote links after the last marker belong to another table.
        self.assertIn(QUOTE, page[page.index(M3):])
        self.assertNotIn(QUOTE, page[:page.index(M1)])

    def test_normal_page_rows_as_the_program_reads_them(self):
        today = datetime.date.today()
        upcoming, issued = read_page(self.page().decode("utf-8"))
        self.assertEqual(len(upcoming), 8)
        self.assertEqual(len(issued), 7)
        self.assertEqual([cells for cells, _ in upcoming],
                         [r.cells for r in site.upcoming_rows(today)])
        self.assertEqual(issued, [(r.cells, None if r.article is None else str(r.article))
                                  for r in site.issued_rows(today)])
        dates = [cells[1] for cells, _ in upcoming]
        self.assertEqual(dates.count(today8()), 2)
        self.assertEqual(dates, sorted(dates))
        for day in dates:
            parsed = datetime.datetime.strptime(day, "%Y%m%d").date()
            self.assertTrue(parsed == today or parsed.weekday() < 5, day)
        names = [cells[0] for cells, _ in upcoming + issued]
        self.assertEqual(len(set(names)), 15)
        articles = [a for _, a in issued if a is not None]
        self.assertEqual(len(articles), 3)
        for cells, article in issued:
            self.assertTrue(re.fullmatch(r"\d{8}|待定", cells[1]), cells[1])
            self.assertEqual(cells[2] == "", article is not None)
            if article is None:
                self.assertRegex(cells[2], r"^\d{6}$")
        for cells, _ in upcoming:
            self.assertRegex(cells[2], r"^\d{6}$")
            self.assertRegex(cells[3], r"^\d+\.\d\d$")
            for i in (7, 8, 9):
                self.assertRegex(cells[i], r"^\d{8}$")

    def test_normal_page_is_well_formed_tables(self):
        page = self.page().decode("utf-8")
        tables = parse_tables(page)
        upcoming, issued = read_page(page)
        self.assertEqual(len(tables["tb_upcoming"]), 8)
        self.assertEqual(len(tables["tb_issued"]), 7)
        for (cells, _), row in zip(upcoming, tables["tb_upcoming"]):
            self.assertEqual([c["text"] for c in row], cells)
        for (cells, article), row in zip(issued, tables["tb_issued"]):
            self.assertEqual(len(row), 12)
            if article is None:
                self.assertEqual([c["text"] for c in row], cells)
            else:
                self.assertEqual(row[2]["href"], "newspage.aspx?id=" + article)
                self.assertEqual(row[2]["text"], "公布")

    def test_page_is_deterministic_for_a_date(self):
        self.assertEqual(self.page(), self.page())
        day = datetime.date(2026, 3, 4)
        self.assertEqual(site.build_page(day), site.build_page(day))
        self.assertNotEqual(site.build_page(day), site.build_page(day + datetime.timedelta(1)))

    def test_working_day_schedule(self):
        cases = [
            # today (a Friday / Saturday / Wednesday) -> upcoming subscription dates
            (datetime.date(2026, 1, 9), ["20260109", "20260109", "20260112", "20260112",
                                         "20260113", "20260114", "20260115", "20260116"]),
            (datetime.date(2026, 1, 10), ["20260110", "20260110", "20260112", "20260112",
                                          "20260113", "20260114", "20260115", "20260116"]),
            (datetime.date(2025, 12, 31), ["20251231", "20251231", "20260101", "20260101",
                                           "20260102", "20260105", "20260106", "20260107"]),
        ]
        for today, expected in cases:
            with self.subTest(today=today):
                upcoming, _ = read_page(site.build_page(today))
                self.assertEqual([cells[1] for cells, _ in upcoming], expected)

    # ----- articles -----

    def test_linked_articles_are_served(self):
        _, issued = read_page(self.page().decode("utf-8"))
        ids = [a for _, a in issued if a is not None] + ["1"]
        for article in ids:
            with self.subTest(id=article):
                status, headers, body = self.server.get("/newspage.aspx?id=" + article)
                self.assertEqual(status, 200)
                self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
                page = body.decode("utf-8")
                start, end = page.index("<!--newstext-->"), page.index("<!--/newstext-->")
                text = page[start:end]
                for markup in ("<br>", "</br>", "<p>", "</p>", "<BR>", "<b>", "<font",
                               '<p class="x">', "末“三”位数："):
                    self.assertIn(markup, text)
                self.assertRegex(text, r"末“四”位数：\d{4}(，\d{4})*")
        names = {cells[0] for cells, a in issued if a is not None}
        for cells, article in issued:
            if article is not None:
                _, _, body = self.server.get("/newspage.aspx?id=" + article)
                self.assertIn(cells[0], body.decode("utf-8"))
        self.assertEqual(len(names), 3)

    def test_missing_pages_are_404_html(self):
        for path in ("/newspage.aspx?id=999999", "/newspage.aspx?id=abc", "/newspage.aspx",
                     "/nothing-here.htm", "/ver/other.txt", "/_control/nothing"):
            with self.subTest(path=path):
                status, headers, body = self.server.get(path)
                self.assertEqual(status, 404)
                self.assertGreater(len(body), 0)
                if not path.startswith("/_control/"):
                    self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
                    self.assertIn("<html>", body.decode("utf-8"))

    # ----- version file -----

    def test_version_modes(self):
        port = self.server.port
        local = "http://127.0.0.1:%d/download/Velmora.exe" % port
        cases = {
            "current": ("10.1", local, "/9.0/"),
            "equal": ("10.10", local, "/9.0/"),
            "newer": ("10.2", local, "/9.0/"),
            "newer11": ("11", local, "/9.0/"),
            "forced": ("10.2", local, "/9.0/10.1/"),
            "notforced-plain": ("10.2", local, "10.1"),
            "notforced-1010": ("10.2", local, "/10.10/"),
            "fullwidth": ("１０．２", local, "/9.0/"),
            "escape": ("10.2", "http://127.0.0.1:%d/download/..%%5C..%%5Cevil.exe" % port, "/9.0/"),
            "remote-http": ("10.2", "http://example.invalid/Velmora.exe", "/9.0/"),
        }
        for mode, (latest, url, forced) in cases.items():
            with self.subTest(mode=mode):
                self.set("version=" + mode)
                status, headers, body = self.server.get("/ver/myver.txt")
                self.assertEqual(status, 200)
                self.assertEqual(headers["Content-Type"], "text/plain")
                self.assertFalse(body.startswith(b"\xef\xbb\xbf"))
                ini = configparser.ConfigParser(interpolation=None)
                ini.read_string(body.decode("gbk"))
                self.assertEqual(ini.sections(), ["Velmora"])
                self.assertEqual(dict(ini["Velmora"]),
                                 {"最新版本号": latest, "最新版下载地址": url,
                                  "强制升级的版本号": forced})

    def test_version_error(self):
        self.set("version=error")
        status, headers, body = self.server.get("/ver/myver.txt")
        self.assertEqual(status, 500)
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
        self.assertIn("500", body.decode("utf-8"))

    def test_dropped_connections(self):
        # (control setting, path that gets no response at all)
        for query, path in (("mode=refuse", "/"), ("version=unreachable", "/ver/myver.txt")):
            with self.subTest(query=query):
                self.set(query)
                sock = raw_request(self.server.port, path)
                try:
                    self.assertEqual(recv_all(sock), b"")
                finally:
                    sock.close()
                self.set("mode=normal&version=current")

    def test_modes_only_touch_their_own_path(self):
        self.set("mode=refuse&version=unreachable")
        for path in ("/newspage.aspx?id=1", "/about.htm", "/download/Velmora.exe"):
            with self.subTest(path=path):
                self.assertEqual(self.server.get(path)[0], 200)
        self.set("mode=http500&version=current")
        self.assertEqual(self.server.get("/ver/myver.txt")[0], 200)

    # ----- download and home page -----

    def test_download(self):
        status, headers, body = self.server.get("/download/Velmora.exe")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "application/octet-stream")
        self.assertEqual(len(body), 4096)
        self.assertTrue(body.startswith(b"MZVelmora demo update"))
        for path in ("/download/other.exe", "/download/..%5C..%5Cevil.exe"):
            with self.subTest(path=path):
                self.assertEqual(self.server.get(path)[2], body)

    def test_about_page(self):
        status, headers, body = self.server.get("/about.htm")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
        self.assertIn("Velmora 主页", body.decode("utf-8"))

    # ----- HTTP details -----

    def test_every_response_has_no_store_and_length(self):
        paths = ["/", "/?x=1", "/ver/myver.txt", "/newspage.aspx?id=1", "/download/Velmora.exe",
                 "/about.htm", "/missing", "/newspage.aspx?id=424242", "/_control/requests",
                 "/_control/set?mode=bogus"]
        for path in paths:
            for method in ("GET", "HEAD"):
                with self.subTest(path=path, method=method):
                    status, headers, body = self.server.request(path, method)
                    self.assertEqual(headers["Cache-Control"], "no-store")
                    self.assertIsNotNone(headers["Content-Length"])
                    if method == "GET":
                        self.assertEqual(int(headers["Content-Length"]), len(body))
                    else:
                        self.assertEqual(body, b"")

    def test_connection_close_and_keep_alive(self):
        sock = raw_request(self.server.port, "/about.htm")
        try:
            status, headers, body = read_head(sock)
            body += recv_all(sock)  # ends because the server closes
        finally:
            sock.close()
        self.assertEqual(status, 200)
        self.assertEqual(headers["connection"], "close")
        self.assertEqual(len(body), int(headers["content-length"]))

        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        try:
            bodies, sockets = [], []
            for _ in range(2):
                conn.request("GET", "/about.htm")
                resp = conn.getresponse()
                self.assertEqual(resp.getheader("Connection"), "keep-alive")
                bodies.append(resp.read())
                sockets.append(conn.sock)
            self.assertIsNotNone(sockets[0])
            self.assertIs(sockets[0], sockets[1])  # one connection served both
            self.assertEqual(bodies[0], bodies[1])
        finally:
            conn.close()

    # ----- page modes -----

    def test_http_error_modes(self):
        for mode, code in (("http404", 404), ("http500", 500)):
            with self.subTest(mode=mode):
                self.set("mode=" + mode)
                status, headers, body = self.server.get("/")
                self.assertEqual(status, code)
                page = body.decode("utf-8")
                self.assertIn(str(code), page)
                self.assertIn("<body>", page)
                for marker in (M1, M2, M3):
                    self.assertNotIn(marker, page)

    def test_empty_mode(self):
        self.set("mode=empty")
        status, headers, body = self.server.get("/")
        self.assertEqual((status, headers["Content-Length"], body), (200, "0", b""))

    def test_zeros_mode(self):
        self.set("mode=zeros")
        body = self.page()
        zero = body.index(b"\x00")
        self.assertEqual(body.count(b"\x00"), 1)
        self.assertLess(body.index(M2.encode("utf-8")), zero)
        self.assertLess(zero, body.index(M3.encode("utf-8")))
        self.assertEqual(body.replace(b"\x00", b""),
                         site.build_page(datetime.date.today()).encode("utf-8"))
        # A reader that stops at the zero byte sees part of the issued table.
        before = body[:zero].decode("utf-8")
        _, issued_part = before.split(M2)
        self.assertEqual(len(read_rows(issued_part, False)), 4)

    def test_badutf8_mode(self):
        self.set("mode=badutf8")
        body = self.page()
        with self.assertRaises(UnicodeDecodeError):
            body.decode("utf-8")
        # lone 0xFF, a 3-byte sequence cut after 2 bytes (then 联), overlong "/"
        for bad in (b"\xff", b"\xe5\x90\xe8\x81\x94", b"\xc0\xaf"):
            self.assertTrue(bad in body, bad)
        upcoming, issued = read_page(body.decode("utf-8", "replace"))
        self.assertEqual((len(upcoming), len(issued)), (8, 7))
        damaged = [cells[0] for cells, _ in upcoming + issued if "\ufffd" in cells[0]]
        damaged += [cells[11] for cells, _ in upcoming if "\ufffd" in cells[11]]
        self.assertEqual(len(damaged), 3)

    def test_nongbk_mode(self):
        self.set("mode=nongbk")
        upcoming, issued = read_page(self.page().decode("utf-8"))
        self.assertEqual((len(upcoming), len(issued)), (8, 7))
        outside = []
        for cells, _ in upcoming + issued:
            try:
                cells[0].encode("gbk")
            except UnicodeEncodeError:
                outside.append(cells[0])
        self.assertGreaterEqual(len(outside), 2)
        self.assertTrue(any("\U0001F600" in name for name in outside))
        self.assertTrue(any(cells[0] in outside for cells, _ in issued))

    def test_marker_modes(self):
        # mode -> marker order expected in the page (missing marker left out)
        cases = {"nomarker1": [M2, M3], "nomarker2": [M1, M3], "nomarker3": [M1, M2],
                 "misordered": [M2, M1, M3]}
        for mode, expected in cases.items():
            with self.subTest(mode=mode):
                self.set("mode=" + mode)
                page = self.page().decode("utf-8")
                present = [m for m in (M1, M2, M3) if m in page]
                for marker in present:
                    self.assertEqual(page.count(marker), 1)
                self.assertEqual(sorted(present, key=page.index), expected)
                self.assertEqual(page.count(QUOTE), 8 + 7 + len(site.RECENT_LISTINGS))

    def stalled_request(self, path):
        """Headers and partial body of a stalled request, then 2 s of silence."""
        sock = raw_request(self.server.port, path)
        status, headers, body = read_head(sock)
        sock.settimeout(2)
        quiet = False
        try:
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    break
                body += chunk
        except socket.timeout:
            quiet = True
        return sock, status, int(headers["content-length"]), body, quiet

    def test_stall_mode_keeps_server_responsive(self):
        self.set("mode=stall&stall=30")
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            results = list(pool.map(self.stalled_request, ["/", "/newspage.aspx?id=1"]))
        try:
            for sock, status, length, body, quiet in results:
                self.assertEqual(status, 200)
                self.assertTrue(quiet, "no silence within 2 s")
                self.assertGreater(len(body), 0)
                self.assertLess(len(body), length)
            # Both requests are still stalled; another one is answered
            # (a server serving one request at a time would hang for 30 s).
            conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
            try:
                conn.request("GET", "/ver/myver.txt")
                resp = conn.getresponse()
                self.assertEqual(resp.status, 200)
                self.assertIn("最新版本号".encode("gbk"), resp.read())
            finally:
                conn.close()
        finally:
            for result in results:
                result[0].close()

    def test_stall_mode_closes_after_stall_time(self):
        self.set("mode=stall&stall=5")
        sock, status, length, body, quiet = self.stalled_request("/")
        try:
            self.assertTrue(quiet, "no silence within 2 s")
            sock.settimeout(20)  # generous: the stall lasts 5 s
            body += recv_all(sock)
            self.assertLess(len(body), length)
        finally:
            sock.close()

    def test_reset_mode(self):
        self.set("mode=reset")
        for path in ("/", "/newspage.aspx?id=1"):
            with self.subTest(path=path):
                sock = raw_request(self.server.port, path)
                try:
                    status, headers, body = read_head(sock)
                    body += recv_all(sock)
                    self.assertEqual(status, 200)
                    self.assertLess(len(body), int(headers["content-length"]))
                except ConnectionResetError:
                    pass  # a reset seen by the client
                finally:
                    sock.close()

    def test_fixture_mode(self):
        with open(os.path.join(DEMO_DIR, "fixtures", "basic.html"), "rb") as f:
            basic = f.read()
        self.set("mode=fixture&page=fixtures/basic.html")
        self.assertEqual(self.page(), basic)
        odd = b"\xef\xbb\xbf<html>\x00\xff\xfe\r\n" + "即将发行的新股".encode("gbk") + b"\n"
        with tempfile.NamedTemporaryFile(suffix=".html", delete=False) as f:
            f.write(odd)
        try:
            self.set("page=" + f.name)
            self.assertEqual(self.page(), odd)
        finally:
            os.unlink(f.name)

    def test_basic_fixture_rows(self):
        self.set("mode=fixture&page=fixtures/basic.html")
        page = self.page().decode("utf-8")
        for marker in (M1, M2, M3):
            self.assertEqual(page.count(marker), 1)
        upcoming, issued = read_page(page)
        self.assertEqual([cells for cells, _ in upcoming], BASIC_UPCOMING)
        self.assertEqual(issued, BASIC_ISSUED)
        self.assertIn('<td></td>', sections(page)[1])
        status, _, body = self.server.get("/newspage.aspx?id=1")
        self.assertEqual(status, 200)
        self.assertIn("星河医药", body.decode("utf-8"))

    def test_noupcoming_fixture_rows(self):
        self.set("mode=fixture&page=fixtures/noupcoming.html")
        upcoming, issued = read_page(self.page().decode("utf-8"))
        self.assertEqual(upcoming, [])
        self.assertEqual(issued, [BASIC_ISSUED[1]])

    def test_large_mode(self):
        self.set("mode=large")
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=30)
        try:
            conn.request("GET", "/")
            resp = conn.getresponse()
            self.assertEqual(resp.status, 200)
            length = int(resp.getheader("Content-Length"))
            total, tail = 0, b""
            while True:
                chunk = resp.read(1 << 20)
                if not chunk:
                    break
                total += len(chunk)
                tail = (tail + chunk)[-(1 << 18):]
        finally:
            conn.close()
        self.assertGreaterEqual(total, 50000000)
        self.assertEqual(total, length)
        places = [tail.find(m.encode("utf-8")) for m in (M1, M2, M3)]
        self.assertGreater(places[0], 0)
        self.assertEqual(places, sorted(places))
        upcoming, issued = read_page(tail[places[0] - 100:].decode("utf-8", "replace"))
        self.assertEqual((len(upcoming), len(issued)), (8, 7))

    def test_rows20000_mode(self):
        self.set("mode=rows20000")
        upcoming, issued = read_page(self.page().decode("utf-8"))
        self.assertEqual(len(upcoming), 20000)
        self.assertEqual(len(issued), 7)
        self.assertEqual(len({cells[0] for cells, _ in upcoming}), 20000)
        dates = [cells[1] for cells, _ in upcoming]
        self.assertEqual(dates[0], today8())
        self.assertEqual(dates, sorted(dates))
        self.assertTrue(all(re.fullmatch(r"\d{8}", d) for d in dates))

    # ----- control endpoint and request log -----

    def test_control_switches_modes(self):
        for mode, status in (("http404", 404), ("normal", 200), ("http500", 500), ("empty", 200)):
            with self.subTest(mode=mode):
                self.set("mode=" + mode)
                self.assertEqual(self.server.get("/")[0], status)

    def test_control_rejects_bad_settings(self):
        for query in ("mode=bogus", "version=bogus", "page=/no/such/file.html", "stall=soon",
                      "colour=red", "", "mode=http404&version=bogus"):
            with self.subTest(query=query):
                status, body = self.server.control(query)
                self.assertEqual(status, 400)
                # nothing changed
                self.assertEqual(self.server.get("/")[0], 200)
                self.assertIn(b"=10.1\r\n", self.server.get("/ver/myver.txt")[2])

    def test_request_log(self):
        self.assertEqual(self.server.get("/_control/reset-log")[2], b"ok\n")
        self.set("mode=normal")
        sent = [("GET", "/"), ("GET", "/ver/myver.txt"), ("GET", "/newspage.aspx?id=1"),
                ("GET", "/nope?x=1&y=2"), ("HEAD", "/about.htm"), ("GET", "/download/a.exe")]
        for method, path in sent:
            self.server.request(path, method)
        expected = ["%s %s" % item for item in sent]
        status, headers, body = self.server.get("/_control/requests")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/plain")
        self.assertEqual(body.decode("ascii").splitlines(), expected)
        with open(self.server.log_file, encoding="ascii") as f:
            lines = f.read().splitlines()
        self.assertEqual(lines[-len(expected):], expected)
        self.assertFalse([line for line in lines if "/_control/" in line])


# --------------------------------------------------------------------------
# Command line and shutdown, each with its own server
# --------------------------------------------------------------------------


class CommandLineTest(unittest.TestCase):
    def test_options_take_effect(self):
        with tempfile.NamedTemporaryFile(delete=False) as f:
            f.write(b"MZ new build \x00\x01\x02" * 100)
        try:
            server = ServerProcess("--mode", "fixture", "--page", "fixtures/noupcoming.html",
                                   "--version-mode", "forced", "--new-file", f.name)
            try:
                with open(os.path.join(DEMO_DIR, "fixtures", "noupcoming.html"), "rb") as page:
                    self.assertEqual(server.get("/")[2], page.read())
                ini = configparser.ConfigParser(interpolation=None)
                ini.read_string(server.get("/ver/myver.txt")[2].decode("gbk"))
                self.assertEqual(ini["Velmora"]["强制升级的版本号"], "/9.0/10.1/")
                with open(f.name, "rb") as new:
                    self.assertEqual(server.get("/download/Velmora.exe")[2], new.read())
            finally:
                self.assertEqual(server.stop(), 0)
        finally:
            os.unlink(f.name)

    def test_bad_options_are_refused(self):
        for args in (["--mode", "bogus"], ["--version-mode", "bogus"],
                     ["--page", "/no/such/page.html"], ["--new-file", "/no/such/file"]):
            with self.subTest(args=args):
                result = subprocess.run([sys.executable, SERVER, "--port", "0"] + args,
                                        capture_output=True, timeout=20)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")

    def test_signal_ends_server_with_stalled_connection(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig.name):
                server = ServerProcess("--mode", "stall", "--stall-seconds", "120")
                sock = raw_request(server.port, "/")
                try:
                    status, headers, body = read_head(sock)
                    self.assertEqual(status, 200)
                    self.assertLess(len(body), int(headers["content-length"]))
                    server.proc.send_signal(sig)
                    # generous bound: far below the 120 s stall
                    self.assertEqual(server.proc.wait(15), 0)
                    self.assertEqual(server.errors(), "")
                finally:
                    sock.close()
                    server.stop()


if __name__ == "__main__":
    unittest.main()
