"""What a user of Velmora should see, worked out from the pages the data site
serves, without the program's own code: the rows of both lists from the
announcement page's tables (read with an HTML parser), the red cells, the text
the copy commands put on the clipboard, the bytes of the export file, and the
text of the winning-numbers window from an article page."""

import datetime
import re
from html.parser import HTMLParser
from urllib.parse import parse_qs, urlsplit

UPCOMING_HEADING = "即将发行的新股"
ISSUED_HEADING = "已发行待上市的新股"

UPCOMING_HEADERS = ("股票名称", "申购日", "申购代码", "发行价", "发行量/股", "申购限额",
                    "发行市盈", "中签率公布", "中签号公布", "资金解冻", "承销商")
ISSUED_HEADERS = ("股票名称", "新股上市日", "交易代码", "中签率", "中签号公布", "冻结资金",
                  "上市日", "申购限额", "发行价", "资金解冻日", "发行市盈", "申购代码")
# Columns the user cannot see (width 0) but which hold data.
ISSUED_HIDDEN = (4, 6, 10, 11)

SEE_ARTICLE = "双击查看"
STATUS_FETCHING = "正在获取数据,请稍等..."
STATUS_LOADING = "载入中,稍等..."
STATUS_DONE = "新股数据已载入完成 !"
STATUS_HINT = "提示:数据来源于网络,仅供参考 !"
CAPTION = "Velmora (Ostrivane Version 10.1.0)"
TAB_TEXTS = (UPCOMING_HEADING, ISSUED_HEADING)

WHITE = (255, 255, 255)
STRIPE = (252, 252, 254)  # the light blue-grey of the odd rows


class Cell:
    def __init__(self):
        self.text = ""
        self.links = []


class _Tables(HTMLParser):
    """Collects every table with the heading (h1-h3) that stands before it;
    a table row is the list of its td cells (th rows are left out)."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tables = []  # (heading, rows)
        self._heading = ""
        self._in_heading = False
        self._heading_text = []
        self._rows = None
        self._row = None
        self._cell = None

    def handle_starttag(self, tag, attrs):
        if tag in ("h1", "h2", "h3"):
            self._in_heading = True
            self._heading_text = []
        elif tag == "table":
            self._rows = []
        elif tag == "tr" and self._rows is not None:
            self._row = []
        elif tag == "td" and self._row is not None:
            self._cell = Cell()
        elif tag == "a" and self._cell is not None:
            self._cell.links.append(dict(attrs).get("href") or "")

    def handle_endtag(self, tag):
        if tag in ("h1", "h2", "h3") and self._in_heading:
            self._in_heading = False
            self._heading = "".join(self._heading_text).strip()
        elif tag == "td" and self._cell is not None:
            self._row.append(self._cell)
            self._cell = None
        elif tag == "tr" and self._row is not None:
            if self._row:
                self._rows.append(self._row)
            self._row = None
        elif tag == "table" and self._rows is not None:
            self.tables.append((self._heading, self._rows))
            self._rows = None

    def handle_data(self, data):
        if self._in_heading:
            self._heading_text.append(data)
        if self._cell is not None:
            self._cell.text += data


def _share_rows(rows):
    """The rows that name a share: the first cell links to its quote page and
    the name is not empty once spaces are taken out."""
    out = []
    for row in rows:
        if not row or not any("quote.aspx?stockid=" in link for link in row[0].links):
            continue
        name = row[0].text.replace(" ", "").replace("\u3000", "")
        if name:
            out.append([name] + row[1:])
    return out


def _text(cell):
    return cell.text if isinstance(cell, Cell) else cell


def article_id(cell):
    for link in cell.links:
        if "newspage.aspx" in link.lower():
            values = parse_qs(urlsplit(link).query).get("id")
            return values[0] if values else ""
    return None


def lists_from_page(html):
    """(upcoming rows, issued rows) as the two lists should show them: one list
    of column texts per row (11 columns; 12 for the issued list, whose last,
    hidden column is the article id)."""
    parser = _Tables()
    parser.feed(html)
    parser.close()
    tables = dict()
    for heading, rows in parser.tables:
        tables.setdefault(heading, rows)
    upcoming = []
    for row in _share_rows(tables.get(UPCOMING_HEADING, [])):
        cells = [_text(c) for c in row] + [""] * 12
        # The page's eleventh cell (how the share is sold) is shown nowhere;
        # the underwriter is the last column.
        upcoming.append(cells[0:10] + [cells[11]])
    issued = []
    for row in _share_rows(tables.get(ISSUED_HEADING, [])):
        cells = [_text(c) for c in row] + [""] * 12
        article = article_id(row[2]) if len(row) > 2 and isinstance(row[2], Cell) else None
        if article is not None:
            cells[2] = SEE_ARTICLE
        issued.append(cells[0:10] + [cells[11], article or ""])
    return upcoming, issued


def today_text(day=None):
    return (day or datetime.date.today()).strftime("%Y%m%d")


def red_cells(upcoming, issued, day=None):
    """{(row, column)} of the cells drawn in red in each list: a subscription
    date of today, and every issued share that has its winning numbers."""
    today = today_text(day)
    return ({(r, 1) for r, row in enumerate(upcoming) if row[1] == today},
            {(r, 2) for r, row in enumerate(issued) if row[2] == SEE_ARTICLE})


def after_colon(text):
    """What the copy commands that look for a colon copy: everything behind
    the first ASCII colon, or the whole text when it has none."""
    return text.split(":", 1)[1] if ":" in text else text


def gbk(text):
    return text.encode("gbk")


def export_bytes(rows, issued):
    """The export file: every row on one line ending in CR LF, each cell
    padded with spaces to 14 bytes (the first column; the first two of the
    issued list) or 10 bytes; the issued list's article id is left out."""
    out = bytearray()
    for row in rows:
        cells = row[:-1] if issued else row
        for c, text in enumerate(cells):
            data = gbk(text)
            width = 14 if c == 0 or (issued and c == 1) else 10
            out += data + b" " * max(0, width - len(data))
        out += b"\r\n"
    return bytes(out)


# --- the winning-numbers article ---------------------------------------------
# The article window works on GBK text and finds its markers at character
# boundaries with ASCII letters compared regardless of case.


def _is_lead(byte):
    return byte >= 0x80


def _find(text, marker):
    if not marker:
        return 0 if text else -1
    low = marker.lower()
    i = 0
    while len(text) - i >= len(marker):
        if text[i:i + len(marker)].lower() == low:
            return i
        if _is_lead(text[i]):
            if i + 1 >= len(text):
                return -1
            i += 2
        else:
            i += 1
    return -1


def _text_after(text, marker):
    at = _find(text, marker)
    if not marker:
        return text
    return text[at + len(marker):] if at >= 0 else text[len(marker):]


def _text_before(text, marker):
    at = _find(text, marker)
    return text[:at] if at >= 0 and marker else b""


def _replace_tag(text, tag):
    out = bytearray()
    i = 0
    low = tag.lower()
    while i < len(text):
        if len(text) - i >= len(tag) and text[i:i + len(tag)].lower() == low:
            out += b"\r\n"
            i += len(tag)
            continue
        step = 2 if _is_lead(text[i]) and i + 1 < len(text) else 1
        out += text[i:i + step]
        i += step
    return bytes(out)


def article_text(page_bytes):
    """The text the winning-numbers window shows for an article page."""
    text = page_bytes.split(b"\0", 1)[0].decode("utf-8", "replace").encode("gbk", "replace")
    text = _text_before(_text_after(text, b"<!--newstext-->"), b"<!--/newstext-->")
    for tag in (b"</br>", b"<br>", b"<p>", b"</p>"):
        text = _replace_tag(text, tag)
    if not text:
        return "未能获取数据,请重试!"
    return re.sub(rb"<.*?>", b"", text, flags=re.S).decode("gbk")


def question_text(latest, current):
    return "网上最新的版本号为:V%s\r\n您正使用的版本号为:V%s\r\n\r\n是否更新?" % (latest, current)
