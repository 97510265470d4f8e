#!/usr/bin/env python3
"""Velmora demo data site.

A small local HTTP server that stands in for the financial portal Velmora
reads when there is no internet: the new-share (IPO) announcement page at "/",
the winning-number articles at /newspage.aspx?id=N, the version file at
/ver/myver.txt, the update download at /download/..., and the maker's home page
at /about.htm.  A control endpoint under /_control/ switches the page mode and
the version mode while the server runs, so tests can make the site misbehave
on purpose (HTTP errors, stalls, resets, broken encodings, huge pages...).

It listens on 127.0.0.1 only and uses nothing but the Python 3 standard
library (Python 3.9 or later).
"""

import argparse
import datetime
import os
import random
import signal
import socket
import struct
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

DEMO_DIR = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PORT = 18460
DEFAULT_PAGE = os.path.join(DEMO_DIR, "fixtures", "basic.html")
DEFAULT_STALL_SECONDS = 120.0
HOST = "127.0.0.1"

# The three section markers the program looks for, in page order.
MARKER_UPCOMING = "即将发行的新股"
MARKER_ISSUED = "已发行待上市的新股"
MARKER_END = "以上新股中签率公布日"

PAGE_MODES = (
    "normal", "fixture", "http404", "http500", "empty", "zeros", "badutf8",
    "nongbk", "nomarker1", "nomarker2", "nomarker3", "misordered", "stall",
    "reset", "refuse", "large", "rows20000",
)
VERSION_MODES = (
    "current", "equal", "newer", "newer11", "forced", "notforced-plain",
    "notforced-1010", "fullwidth", "error", "unreachable", "escape",
    "remote-http",
)

HTML_TYPE = "text/html; charset=utf-8"

# --------------------------------------------------------------------------
# Calendar helpers
# --------------------------------------------------------------------------


def add_working_days(day, count):
    """The date `count` working days (Monday to Friday) after `day`
    (before it when count is negative).  Holidays are not modelled."""
    step = 1 if count >= 0 else -1
    remaining = abs(count)
    while remaining:
        day += datetime.timedelta(days=step)
        if day.weekday() < 5:
            remaining -= 1
    return day


def ymd(day):
    return day.strftime("%Y%m%d")


# --------------------------------------------------------------------------
# Table rows
# --------------------------------------------------------------------------


class Row:
    """One table row: `cells` are the twelve texts as the program reads them
    (cell 4 and 6 of the upcoming table with their inner tags stripped, cell 2
    of an issued row with an article link is the empty text before the link),
    `article` the winning-numbers article id or None, `html` the markup."""

    def __init__(self, cells, article, html):
        self.cells = cells
        self.article = article
        self.html = html

    @property
    def name(self):
        return self.cells[0]


# Upcoming issues: name, stock id, subscription code, price, issue volume,
# of it online, subscription limit, P/E, note, underwriter.
UPCOMING_COMPANIES = (
    ("华芯科技", "688123", "787123", "18.50", "3,000万", "1,200万", "1.20万", "23.45", "网上", "中信证券"),
    ("中科微电", "688217", "787217", "32.80", "2,500万", "1,000万", "0.75万", "41.20", "网上", "中金公司"),
    ("恒川新材", "603291", "732291", "12.36", "4,010万", "1,604万", "1.60万", "22.98", "网上", "国泰君安"),
    ("东岳智联", "301452", "301452", "26.18", "2,200万", "880万", "0.80万", "35.60", "网上", "华泰联合"),
    ("宁远药业", "002987", "002987", "9.87", "6,000万", "2,400万", "2.40万", "19.88", "网下", "招商证券"),
    ("金桥能源", "601326", "780326", "5.66", "2.80亿", "1.12亿", "11.20万", "14.27", "网上", "中信建投"),
    ("海川精密", "301587", "301587", "41.05", "1,800万", "720万", "0.70万", "48.33", "战配", "海通证券"),
    ("北辰生物", "688609", "787609", "22.40", "3,500万", "1,400万", "1.00万", "30.12", "网上", "国信证券"),
)

# Working-day offset of each upcoming row's subscription date from today:
# two rows subscribe today, the others on the following working days.
UPCOMING_OFFSETS = (0, 0, 1, 1, 2, 3, 4, 5)

# Issued issues: name, stock id, price, winning rate, frozen funds,
# subscription limit, P/E, note, article id (None: not published yet).
ISSUED_COMPANIES = (
    ("星衡电子", "688361", "28.60", "0.0345%", "1.23万亿", "0.85万", "37.21", "网上", 5123),
    ("澜沧环保", "603508", "11.72", "0.0412%", "8,765亿", "1.50万", "22.64", "网上", 5127),
    ("青禾农业", "001318", "7.95", "0.0298%", "6,543亿", "2.00万", "18.03", "网上", 5131),
    ("云帆航天", "688452", "45.30", "0.0367%", "1.05万亿", "0.60万", "52.88", "网上", None),
    ("博衍医疗", "301633", "33.18", "0.0189%", "9,120亿", "0.55万", "44.10", "网上", None),
    ("锦程物流", "603176", "14.02", "0.0521%", "4,310亿", "1.30万", "21.47", "网下", None),
    ("泰和新能", "002941", "16.66", "0.0433%", "5,208亿", "1.80万", "24.90", "网上", None),
)

# Working-day offset of each issued row's subscription date from today.
# The three rows with articles had their winning numbers published already.
ISSUED_OFFSETS = (-7, -6, -5, -2, -2, -1, -1)
# Rows that already have a listing date; the others show 待定.
ISSUED_LISTED = (0, 1)

# Recently listed shares, shown after the last marker (not read by Velmora).
RECENT_LISTINGS = (
    ("长风药业", "688088", "19.30", "+156.32%"),
    ("远洋股份", "603880", "8.12", "+44.03%"),
    ("明川光学", "301299", "27.65", "+212.77%"),
    ("天禾科技", "688399", "36.20", "+98.51%"),
    ("南岭电气", "002881", "12.08", "+43.96%"),
)

QUOTE_LINK = '<a href="quote.aspx?stockid={sid}" target="_blank">{name}</a>'


def upcoming_row(name, sid, code, price, volume, online, limit, pe, note,
                 underwriter, day, odd):
    rate_day = add_working_days(day, 1)
    numbers_day = add_working_days(day, 2)
    release_day = add_working_days(day, 3)
    cells = [name, ymd(day), code, price, "%s(网上%s)" % (volume, online),
             limit, pe, ymd(rate_day), ymd(numbers_day), ymd(release_day),
             note, underwriter]
    html = (
        '<tr class="{cls}"><td>{link}</td><td><span>{c[1]}</span></td>'
        '<td>{c[2]}</td><td>{c[3]}</td><td>{vol}<br/>(网上{online})</td>'
        '<td>{c[5]}</td><td><font color="#666">{c[6]}</font></td>'
        '<td>{c[7]}</td><td>{c[8]}</td><td>{c[9]}</td><td>{c[10]}</td>'
        '<td>{c[11]}</td></tr>\n'
    ).format(cls="odd" if odd else "even",
             link=QUOTE_LINK.format(sid=sid, name=name), c=cells,
             vol=volume, online=online)
    return Row(cells, None, html)


def upcoming_rows(today, names=None):
    """The eight upcoming rows for `today`; `names` replaces the names."""
    rows = []
    for i, company in enumerate(UPCOMING_COMPANIES):
        fields = list(company)
        if names is not None:
            fields[0] = names[i]
        day = add_working_days(today, UPCOMING_OFFSETS[i])
        rows.append(upcoming_row(*fields, day=day, odd=i % 2 == 0))
    return rows


def many_upcoming_rows(today, count):
    """`count` upcoming rows with numbered unique names; a hundred rows
    subscribe on each working day, starting today."""
    rows = []
    for i in range(count):
        base = UPCOMING_COMPANIES[i % len(UPCOMING_COMPANIES)]
        volume = 1000 + (i * 7) % 9000
        fields = (
            "%s%05d" % (base[0], i + 1),
            "%06d" % (600000 + i),
            "%06d" % (730000 + i),
            "%.2f" % (5 + (i * 37 % 4000) / 100.0),
            "{:,}万".format(volume),
            "{:,}万".format(volume * 2 // 5),
            "%.2f万" % (0.5 + (i % 20) / 10.0),
            "%.2f" % (12 + (i * 13 % 3000) / 100.0),
            base[8],
            base[9],
        )
        day = add_working_days(today, i // 100)
        rows.append(upcoming_row(*fields, day=day, odd=i % 2 == 0))
    return rows


def issued_rows(today, names=None):
    """The seven issued rows for `today`; `names` replaces the names."""
    rows = []
    for i, company in enumerate(ISSUED_COMPANIES):
        name, sid, price, rate, frozen, limit, pe, note, article = company
        if names is not None:
            name = names[i]
        day = add_working_days(today, ISSUED_OFFSETS[i])
        numbers_day = ymd(add_working_days(day, 2))
        release_day = ymd(add_working_days(day, 3))
        listing = ymd(add_working_days(day, 8)) if i in ISSUED_LISTED else "待定"
        if article is not None:
            cell2_html = "<a href=newspage.aspx?id=%d target=_blank>公布</a>" % article
            cell2 = ""
        else:
            cell2_html = cell2 = sid
        cells = [name, listing, cell2, rate, numbers_day, frozen, listing,
                 limit, price, release_day, note, pe]
        html = (
            '<tr class="{cls}"><td>{link}</td><td>{c[1]}</td><td>{cell2}</td>'
            '<td>{c[3]}</td><td>{c[4]}</td><td>{c[5]}</td><td>{c[6]}</td>'
            '<td>{c[7]}</td><td>{c[8]}</td><td>{c[9]}</td><td>{c[10]}</td>'
            '<td>{c[11]}</td></tr>\n'
        ).format(cls="odd" if i % 2 == 0 else "even",
                 link=QUOTE_LINK.format(sid=sid, name=name), c=cells,
                 cell2=cell2_html)
        rows.append(Row(cells, article, html))
    return rows


# --------------------------------------------------------------------------
# The announcement page
# --------------------------------------------------------------------------

UPCOMING_HEADER = (
    "<tr><th>股票简称</th><th>申购日期</th><th>申购代码</th><th>发行价(元)</th>"
    "<th>发行量(股)</th><th>申购上限(股)</th><th>发行市盈率</th><th>中签率公布日</th>"
    "<th>中签号公布日</th><th>资金解冻日</th><th>发行方式</th><th>主承销商</th></tr>\n"
)
ISSUED_HEADER = (
    "<tr><th>股票简称</th><th>上市日期</th><th>交易代码/中签号</th><th>中签率</th>"
    "<th>中签号公布日</th><th>冻结资金</th><th>预计上市日</th><th>申购上限(股)</th>"
    "<th>发行价(元)</th><th>资金解冻日</th><th>发行方式</th><th>发行市盈率</th></tr>\n"
)

PAGE_HEAD = """<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />
<title>新股日历 - 新股申购一览 - 维摩财经</title>
<meta name="keywords" content="新股,新股申购,申购代码,中签号,发行价" />
<link rel="stylesheet" type="text/css" href="css/main.css" />
<script type="text/javascript" src="js/common.js"></script>
</head>
<body>
<div id="topbar"><span>{today_text}</span> <a href="login.aspx">登录</a> | <a href="reg.aspx">注册</a> | <a href="about.htm">关于我们</a></div>
<div id="nav">
<ul>
<li><a href="/">首页</a></li><li><a href="hq.aspx">行情中心</a></li><li><a href="news.aspx">财经资讯</a></li>
<li><a href="/" class="cur">新股频道</a></li><li><a href="fund.aspx">基金</a></li><li><a href="bond.aspx">债券</a></li>
<li><a href="forum.aspx">股吧</a></li>
</ul>
</div>
<div id="ad"><a href="ad.aspx?id=17"><img src="img/banner.gif" width="960" height="60" alt="开户有礼" /></a></div>
<div id="main">
<div class="box">
<h3>新股要闻</h3>
<ul class="newslist">
<li><a href="news.aspx?id=90117">本周共有8只新股申购，科创板占3只</a></li>
<li><a href="news.aspx?id=90112">新股申购市值门槛如何计算？一文读懂</a></li>
<li><a href="news.aspx?id=90108">上周新股平均中签率环比小幅下降</a></li>
</ul>
<p class="tip">温馨提示：申购日当天请确保账户内持有足够市值，中签后请于缴款日16:00前足额缴款。</p>
</div>
{padding}<div class="box">
<h2>{marker1}</h2>
<table class="xgtable" id="tb_upcoming" width="100%" cellspacing="1" cellpadding="2">
{upcoming_header}{upcoming}</table>
</div>
<div class="box">
<h2>{marker2}</h2>
<table class="xgtable" id="tb_issued" width="100%" cellspacing="1" cellpadding="2">
{issued_header}{issued}</table>
<p class="note">{marker3}期仅供参考，具体以交易所及发行人公告为准。</p>
</div>
<div class="box">
<h2>近期上市新股表现</h2>
<table class="xgtable" id="tb_recent" width="100%">
<tr><th>股票简称</th><th>上市日期</th><th>发行价(元)</th><th>首日涨幅</th></tr>
{recent}</table>
</div>
</div>
<div id="footer">
<p><a href="about.htm">关于我们</a> | <a href="contact.htm">联系方式</a> | <a href="disclaimer.htm">免责声明</a></p>
<p>维摩财经 版权所有 数据仅供参考，不构成投资建议。投资有风险，入市需谨慎。</p>
</div>
</body>
</html>
"""

WEEKDAYS = "一二三四五六日"


def build_page(today, upcoming=None, issued=None,
               markers=(MARKER_UPCOMING, MARKER_ISSUED, MARKER_END),
               padding=""):
    """The announcement page as text.  `upcoming` / `issued` are row lists
    (default: the standard rows for `today`), `markers` the three section
    texts in page order, `padding` extra markup before the first marker."""
    if upcoming is None:
        upcoming = upcoming_rows(today)
    if issued is None:
        issued = issued_rows(today)
    recent = []
    for i, (name, sid, price, gain) in enumerate(RECENT_LISTINGS):
        listed = ymd(add_working_days(today, -(i + 1)))
        recent.append('<tr><td>%s</td><td>%s</td><td>%s</td><td><font color="red">%s</font></td></tr>\n'
                      % (QUOTE_LINK.format(sid=sid, name=name), listed, price, gain))
    today_text = "%d年%d月%d日 星期%s" % (today.year, today.month, today.day,
                                       WEEKDAYS[today.weekday()])
    return PAGE_HEAD.format(
        today_text=today_text, padding=padding,
        marker1=markers[0], marker2=markers[1], marker3=markers[2],
        upcoming_header=UPCOMING_HEADER,
        upcoming="".join(r.html for r in upcoming),
        issued_header=ISSUED_HEADER,
        issued="".join(r.html for r in issued),
        recent="".join(recent))


def zero_byte_page(today):
    """The normal page with a zero byte between issued rows 4 and 5."""
    issued = issued_rows(today)
    issued[3] = Row(issued[3].cells, issued[3].article, issued[3].html + "\x00")
    return build_page(today, issued=issued).encode("utf-8")


# Invalid UTF-8 put into some cells by the badutf8 mode.
BAD_LONE_FF = b"\xff"                 # upcoming row 2 name
BAD_TRUNCATED = b"\xe5\x90"           # upcoming row 4 underwriter
BAD_OVERLONG = b"\xc0\xaf"            # issued row 1 name


def bad_utf8_page(today):
    up_names = [c[0] for c in UPCOMING_COMPANIES]
    up_names[1] = "中科@@BAD_FF@@微电"
    iss_names = [c[0] for c in ISSUED_COMPANIES]
    iss_names[0] = "星衡@@BAD_OVERLONG@@电子"
    upcoming = upcoming_rows(today, up_names)
    row = upcoming[3]
    upcoming[3] = Row(row.cells, row.article,
                      row.html.replace("<td>华泰联合</td>", "<td>华泰@@BAD_TRUNC@@联合</td>"))
    data = build_page(today, upcoming=upcoming,
                      issued=issued_rows(today, iss_names)).encode("utf-8")
    return (data.replace(b"@@BAD_FF@@", BAD_LONE_FF)
                .replace(b"@@BAD_TRUNC@@", BAD_TRUNCATED)
                .replace(b"@@BAD_OVERLONG@@", BAD_OVERLONG))


# Names with characters outside GBK, used by the nongbk mode.
NON_GBK_UPCOMING = {0: "华芯\U0001F600科技", 5: "金桥\u2603能源"}
NON_GBK_ISSUED = {1: "澜\U00020BB7环保"}


def non_gbk_page(today):
    up_names = [c[0] for c in UPCOMING_COMPANIES]
    for i, name in NON_GBK_UPCOMING.items():
        up_names[i] = name
    iss_names = [c[0] for c in ISSUED_COMPANIES]
    for i, name in NON_GBK_ISSUED.items():
        iss_names[i] = name
    return build_page(today, upcoming=upcoming_rows(today, up_names),
                      issued=issued_rows(today, iss_names)).encode("utf-8")


# Texts that replace a marker in the nomarkerN modes.
MARKER_REPLACEMENTS = ("近期新股申购安排", "已完成申购的新股", "以上新股申购日")


def marker_page(today, mode):
    markers = [MARKER_UPCOMING, MARKER_ISSUED, MARKER_END]
    if mode == "misordered":
        markers[0], markers[1] = markers[1], markers[0]
    else:
        index = int(mode[-1]) - 1
        markers[index] = MARKER_REPLACEMENTS[index]
    return build_page(today, markers=markers).encode("utf-8")


LARGE_PADDING_BYTES = 52 * 1000 * 1000
_PAD_TOKEN = "<!--@@PADDING@@-->"
_large_padding = None
_large_lock = threading.Lock()


def large_padding():
    """About 52 MB of news archive markup (no markers, no quote links),
    built once and kept in memory."""
    global _large_padding
    with _large_lock:
        if _large_padding is None:
            topics = ("沪深两市成交额连续放量", "北向资金净流入超百亿", "科创板新股首日表现回顾",
                      "券商板块集体走强", "央行开展逆回购操作", "创业板指数震荡收涨")
            lines = ['<div class="archive" style="display:none">\n<ul>\n']
            size = len(lines[0])
            n = 0
            while size < LARGE_PADDING_BYTES:
                line = '<li><a href="news.aspx?id=%d">市场资讯第%d期：%s，机构观点汇总</a></li>\n' % (
                    100000 + n, n + 1, topics[n % len(topics)])
                lines.append(line)
                size += len(line.encode("utf-8"))
                n += 1
            lines.append("</ul>\n</div>\n")
            _large_padding = "".join(lines).encode("utf-8")
        return _large_padding


def large_page_chunks(today):
    head, tail = build_page(today, padding=_PAD_TOKEN).encode("utf-8").split(
        _PAD_TOKEN.encode("ascii"))
    return [head, large_padding(), tail]


_rows_cache = {}
_rows_lock = threading.Lock()


def rows20000_page(today):
    with _rows_lock:
        data = _rows_cache.get(today)
        if data is None:
            data = build_page(today, upcoming=many_upcoming_rows(today, 20000)).encode("utf-8")
            _rows_cache.clear()
            _rows_cache[today] = data
        return data


def error_page(status, title, text):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%d %s</title></head>\n"
            "<body><h1>%d %s</h1><p>%s</p><hr><p>维摩财经 Web Server</p></body></html>\n"
            % (status, title, status, title, text)).encode("utf-8")


# --------------------------------------------------------------------------
# Articles
# --------------------------------------------------------------------------

# Article id -> (company, underwriter).  Id 1 belongs to fixtures/basic.html.
ARTICLES = {1: ("星河医药", "国泰君安")}
for _company in ISSUED_COMPANIES:
    if _company[8] is not None:
        ARTICLES[_company[8]] = (_company[0], "中信证券")
DIGIT_NAMES = "零一二三四五六七八九"


def winning_numbers(article_id):
    """Deterministic lot numbers: (digit count, [numbers]) lines."""
    rng = random.Random(article_id)
    lines = []
    for digits in (3, 4, 5, 6, 7, 8):
        count = rng.randint(1, 4)
        lines.append((digits, ["%0*d" % (digits, rng.randrange(10 ** digits))
                               for _ in range(count)]))
    return lines


def article_page(article_id):
    company, underwriter = ARTICLES[article_id]
    lines = ["%s：%s" % ("末“%s”位数" % DIGIT_NAMES[d], "，".join(nums))
             for d, nums in winning_numbers(article_id)]
    body = (
        '<p class="x">根据《{c}首次公开发行股票并上市发行公告》，本次发行的保荐机构（主承销商）'
        '{u}于摇号日在公证处的监督下主持了{c}首次公开发行股票网上发行摇号抽签仪式。</p>\n'
        '<p>现将中签结果公告如下：</p>\n'
        '<b>{l[0]}</b><br>\n'
        '{l[1]}</br>\n'
        '<p>{l[2]}</p>\n'
        '<font color="#cc0000">{l[3]}</font><BR>\n'
        '{l[4]}<br/>\n'
        '<p><b>{l[5]}</b></p>\n'
        '<p>凡参与本次网上发行申购{c}股票的投资者持有的申购配号尾数与上述号码相同的，'
        '则为中签号码。每个中签号码只能认购500股。</p>\n'
    ).format(c=company, u=underwriter, l=lines)
    return (
        '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" '
        '"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">\n'
        '<html xmlns="http://www.w3.org/1999/xhtml">\n<head>\n'
        '<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />\n'
        '<title>{c}首次公开发行股票网上摇号中签结果公告 - 维摩财经</title>\n</head>\n<body>\n'
        '<div id="nav"><a href="/">首页</a> | <a href="news.aspx">财经资讯</a> | '
        '<a href="/">新股频道</a></div>\n'
        '<div id="article">\n<h1>{c}首次公开发行股票网上摇号中签结果公告</h1>\n'
        '<div class="info">来源：维摩财经　文章编号：{i}</div>\n'
        '<div class="content">\n<!--newstext-->\n{b}<!--/newstext-->\n</div>\n'
        '<div class="related"><h3>相关阅读</h3><ul><li><a href="news.aspx?id=90117">'
        '本周共有8只新股申购，科创板占3只</a></li></ul></div>\n</div>\n'
        '<div id="footer">维摩财经 版权所有</div>\n</body>\n</html>\n'
    ).format(c=company, i=article_id, b=body).encode("utf-8")


# --------------------------------------------------------------------------
# Version file, download, home page
# --------------------------------------------------------------------------


def version_file(mode, port):
    """The GBK version file for a version mode (not error/unreachable)."""
    download = "http://127.0.0.1:%d/download/Velmora.exe" % port
    latest, forced = "10.2", "/9.0/"
    if mode == "current":
        latest = "10.1"
    elif mode == "equal":
        latest = "10.10"
    elif mode == "newer11":
        latest = "11"
    elif mode == "forced":
        forced = "/9.0/10.1/"
    elif mode == "notforced-plain":
        forced = "10.1"
    elif mode == "notforced-1010":
        forced = "/10.10/"
    elif mode == "fullwidth":
        latest = "\uff11\uff10\uff0e\uff12"
    elif mode == "escape":
        download = "http://127.0.0.1:%d/download/..%%5C..%%5Cevil.exe" % port
    elif mode == "remote-http":
        download = "http://example.invalid/Velmora.exe"
    text = ("[Velmora]\r\n最新版本号=%s\r\n最新版下载地址=%s\r\n强制升级的版本号=%s\r\n"
            % (latest, download, forced))
    return text.encode("gbk")


def placeholder_download():
    head = b"MZ" + b"Velmora demo update\r\n"
    return head + bytes((i * 7 + 3) % 256 for i in range(4096 - len(head)))


ABOUT_PAGE = (
    '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>Velmora 主页</title></head>\n'
    '<body><h1>Velmora 主页</h1><p>Velmora 新股日历：沪深新股申购、中签及上市信息一览。</p>\n'
    '<p>最新版本：10.1　<a href="download/Velmora.exe">下载</a></p></body></html>\n'
).encode("utf-8")


# --------------------------------------------------------------------------
# Server
# --------------------------------------------------------------------------


def resolve_page(value):
    """A page file given as an absolute path, relative to the demo folder,
    or relative to the current directory (in that order)."""
    if os.path.isabs(value):
        return value
    candidate = os.path.join(DEMO_DIR, value)
    if os.path.exists(candidate):
        return candidate
    return os.path.abspath(value)


class SiteState:
    """What the control endpoint can change, plus the request log."""

    def __init__(self, mode, version_mode, page, stall_seconds, new_file, log_path):
        self.lock = threading.Lock()
        self.mode = mode
        self.version_mode = version_mode
        self.page = page
        self.stall_seconds = stall_seconds
        self.new_file = new_file
        self.requests = []
        self.log_file = open(log_path, "ab") if log_path else None
        self.stop = threading.Event()

    def log(self, line):
        with self.lock:
            self.requests.append(line)
            if self.log_file is not None:
                self.log_file.write(line + b"\n")
                self.log_file.flush()

    def log_text(self):
        with self.lock:
            return b"".join(line + b"\n" for line in self.requests)

    def reset_log(self):
        with self.lock:
            self.requests = []


class DemoServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def __init__(self, port, state):
        self.state = state
        super().__init__((HOST, port), DemoHandler)

    def handle_error(self, request, client_address):
        # A client that goes away mid-response is normal here.
        error = sys.exc_info()[1]
        if isinstance(error, (ConnectionError, socket.timeout, TimeoutError)):
            return
        super().handle_error(request, client_address)


class DemoHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VelmoraDemo/1.0"
    timeout = 60  # idle keep-alive connections and stuck writes

    # ----- plumbing -----

    @property
    def state(self):
        return self.server.state

    def log_message(self, format, *args):
        pass

    def version_string(self):
        return self.server_version

    def send_error(self, code, message=None, explain=None):
        title = message or self.responses.get(code, ("Error",))[0]
        self.close_connection = True
        self.respond(code, HTML_TYPE, error_page(code, title, explain or title))

    def send_head(self, status, ctype, length, close=False):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-store")
        if close or self.close_connection:
            self.send_header("Connection", "close")
        else:
            self.send_header("Connection", "keep-alive")
        self.end_headers()

    def respond(self, status, ctype, body):
        chunks = body if isinstance(body, list) else [body]
        self.send_head(status, ctype, sum(len(c) for c in chunks))
        if self.command != "HEAD":
            for chunk in chunks:
                view = memoryview(chunk)
                for start in range(0, len(view), 1 << 20):
                    self.wfile.write(view[start:start + (1 << 20)])

    def drop(self):
        """Close the connection without any response."""
        self.close_connection = True

    def stall(self, status, ctype, body):
        """Headers with the full length, half the body, then silence until
        the stall time has passed (or the server stops), then close."""
        self.close_connection = True
        self.send_head(status, ctype, len(body), close=True)
        self.wfile.write(body[:len(body) // 2])
        self.state.stop.wait(self.state.stall_seconds)

    def reset(self, status, ctype, body):
        """Headers with the full length, half the body, then a TCP RST."""
        self.close_connection = True
        self.send_head(status, ctype, len(body), close=True)
        self.wfile.write(body[:len(body) // 2])
        self.state.stop.wait(0.2)
        sock = self.connection
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        os.close(sock.detach())

    def broken_or(self, mode, status, ctype, body):
        if mode == "stall" and self.command == "GET":
            self.stall(status, ctype, body)
        elif mode == "reset" and self.command == "GET":
            self.reset(status, ctype, body)
        else:
            self.respond(status, ctype, body)

    # ----- methods -----

    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def dispatch(self):
        url = urlsplit(self.path)
        if url.path.startswith("/_control/"):
            self.control(url)
            return
        self.state.log(("%s %s" % (self.command, self.path)).encode("latin-1", "replace"))
        if url.path == "/":
            self.root_page()
        elif url.path.lower() == "/newspage.aspx":
            self.article(url.query)
        elif url.path == "/ver/myver.txt":
            self.version()
        elif url.path.startswith("/download/"):
            self.download()
        elif url.path == "/about.htm":
            self.respond(200, HTML_TYPE, ABOUT_PAGE)
        else:
            self.respond(404, HTML_TYPE, error_page(404, "Not Found", "您访问的页面不存在。"))

    # ----- paths -----

    def root_page(self):
        mode = self.state.mode
        today = datetime.date.today()
        if mode == "refuse":
            self.drop()
        elif mode == "fixture":
            try:
                with open(self.state.page, "rb") as f:
                    data = f.read()
            except OSError as error:
                self.respond(500, HTML_TYPE, error_page(500, "Internal Server Error",
                                                        "fixture not readable: %s" % error))
                return
            self.respond(200, HTML_TYPE, data)
        elif mode == "http404":
            self.respond(404, HTML_TYPE, error_page(404, "Not Found", "页面不存在或已被删除。"))
        elif mode == "http500":
            self.respond(500, HTML_TYPE, error_page(500, "Internal Server Error", "服务器内部错误，请稍后再试。"))
        elif mode == "empty":
            self.respond(200, HTML_TYPE, b"")
        elif mode == "zeros":
            self.respond(200, HTML_TYPE, zero_byte_page(today))
        elif mode == "badutf8":
            self.respond(200, HTML_TYPE, bad_utf8_page(today))
        elif mode == "nongbk":
            self.respond(200, HTML_TYPE, non_gbk_page(today))
        elif mode in ("nomarker1", "nomarker2", "nomarker3", "misordered"):
            self.respond(200, HTML_TYPE, marker_page(today, mode))
        elif mode == "large":
            self.respond(200, HTML_TYPE, large_page_chunks(today))
        elif mode == "rows20000":
            self.respond(200, HTML_TYPE, rows20000_page(today))
        else:  # normal, stall, reset
            self.broken_or(mode, 200, HTML_TYPE, build_page(today).encode("utf-8"))

    def article(self, query):
        values = parse_qs(query).get("id", [""])
        text = values[0]
        if not text.isdigit() or int(text) not in ARTICLES:
            self.respond(404, HTML_TYPE, error_page(404, "Not Found", "文章不存在或已被删除。"))
            return
        self.broken_or(self.state.mode, 200, HTML_TYPE, article_page(int(text)))

    def version(self):
        mode = self.state.version_mode
        if mode == "unreachable":
            self.drop()
        elif mode == "error":
            self.respond(500, HTML_TYPE, error_page(500, "Internal Server Error", "版本服务暂时不可用。"))
        else:
            self.respond(200, "text/plain", version_file(mode, self.server.server_address[1]))

    def download(self):
        if self.state.new_file:
            try:
                with open(self.state.new_file, "rb") as f:
                    data = f.read()
            except OSError as error:
                self.respond(500, HTML_TYPE, error_page(500, "Internal Server Error",
                                                        "update file not readable: %s" % error))
                return
        else:
            data = placeholder_download()
        self.respond(200, "application/octet-stream", data)

    # ----- control -----

    def control(self, url):
        if not self.client_address[0].startswith("127."):
            self.respond(403, "text/plain", b"forbidden\n")
            return
        if url.path == "/_control/requests":
            self.respond(200, "text/plain", self.state.log_text())
        elif url.path == "/_control/reset-log":
            self.state.reset_log()
            self.respond(200, "text/plain", b"ok\n")
        elif url.path == "/_control/set":
            self.control_set(url.query)
        else:
            self.respond(404, "text/plain", b"unknown control path\n")

    def control_set(self, query):
        params = parse_qs(query, keep_blank_values=True)
        changes = {}
        for key, values in params.items():
            value = values[-1]
            if key == "mode" and value in PAGE_MODES:
                changes["mode"] = value
            elif key == "version" and value in VERSION_MODES:
                changes["version_mode"] = value
            elif key == "page" and value and os.path.isfile(resolve_page(value)):
                changes["page"] = resolve_page(value)
            elif key == "stall":
                try:
                    changes["stall_seconds"] = max(0.0, float(value))
                except ValueError:
                    changes = None
            else:
                changes = None
            if changes is None:
                self.respond(400, "text/plain", ("bad setting: %s=%s\n" % (key, value)).encode("utf-8"))
                return
        if not changes:
            self.respond(400, "text/plain", b"nothing to set\n")
            return
        with self.state.lock:
            for key, value in changes.items():
                setattr(self.state, key, value)
        self.respond(200, "text/plain", b"ok\n")


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Velmora demo data site (127.0.0.1 only).")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT,
                        help="port to listen on (0: pick a free one; default %d)" % DEFAULT_PORT)
    parser.add_argument("--mode", choices=PAGE_MODES, default="normal", help="page mode for /")
    parser.add_argument("--page", default=DEFAULT_PAGE,
                        help="page served in fixture mode (absolute, demo-relative or cwd-relative)")
    parser.add_argument("--version-mode", choices=VERSION_MODES, default="current",
                        help="what /ver/myver.txt says")
    parser.add_argument("--log", help="append one line per request to this file")
    parser.add_argument("--port-file", help="write the port number here once listening")
    parser.add_argument("--new-file", help="file served at /download/...")
    parser.add_argument("--stall-seconds", type=float, default=DEFAULT_STALL_SECONDS,
                        help="how long the stall mode stays silent (default %g)" % DEFAULT_STALL_SECONDS)
    args = parser.parse_args(argv)
    args.page = resolve_page(args.page)
    if not os.path.isfile(args.page):
        parser.error("page file not found: %s" % args.page)
    if args.new_file and not os.path.isfile(args.new_file):
        parser.error("new file not found: %s" % args.new_file)
    return args


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    state = SiteState(args.mode, args.version_mode, args.page, args.stall_seconds,
                      args.new_file, args.log)
    server = DemoServer(args.port, state)
    port = server.server_address[1]

    def on_signal(signum, frame):
        state.stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              daemon=True)
    thread.start()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("demo site listening on http://127.0.0.1:%d/" % port, flush=True)

    while not state.stop.wait(0.5):
        pass
    server.shutdown()
    server.server_close()
    if state.log_file is not None:
        state.log_file.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
