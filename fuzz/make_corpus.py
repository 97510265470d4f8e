#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/, and
their dictionaries into fuzz/dict/<target>.dict.

The seeds are the demo site's pages (demo/fixtures) and pieces cut from them,
the cases that the core's tests name, article pages, version texts and update
addresses. Texts that the program holds as GBK are written in GBK; the page
conversion target gets UTF-8 as it arrives. Running it again gives the same
files; files it did not write (inputs kept from findings) stay.

    fuzz/make_corpus.py
"""

import hashlib
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")
DICT = os.path.join(HERE, "dict")


def gbk(text):
    return text.encode("gbk")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def write_dict(target, comment, tokens):
    """A libFuzzer dictionary: one quoted token a line, other bytes as \\xNN."""
    def quoted(data):
        out = []
        for b in data:
            if 0x20 <= b < 0x7F and b not in (0x22, 0x5C):
                out.append(chr(b))
            else:
                out.append("\\x%02X" % b)
        return '"' + "".join(out) + '"'

    os.makedirs(DICT, exist_ok=True)
    with open(os.path.join(DICT, target + ".dict"), "w", encoding="ascii") as f:
        f.write("# %s\n# Written by fuzz/make_corpus.py.\n" % comment)
        for token in tokens:
            data = token if isinstance(token, bytes) else gbk(token)
            f.write(quoted(data) + "\n")


def dictionaries():
    html = ["<", ">", "</td>", "<td>", "<tr>", "</tr>", "<a href=", "</a>", "<span>", "</span>",
            "<br>", "<br/>", "<b>", "</b>", "<font color=red>", "</font>"]
    write_dict("row_walk", "Markers of the announcement page's sections and table rows.",
               html + ["quote.aspx?stockid=", "QUOTE.ASPX?STOCKID=", "newspage.aspx?id=", "id=",
                       " target=_blank>", "即将发行的新股", "已发行待上市的新股",
                       "以上新股中签率公布日", "双击查看", "　", " ", "20260105"])
    write_dict("article", "Markers and line-break tags of an article page.",
               ["<!--newstext-->", "<!--/newstext-->", "<!--NEWSTEXT-->", "</br>", "<br>", "<p>",
                "</p>", "<BR>", "<P>", "<br/>", "<p class=x>", "<b>", "<", ">", "\r\n",
                "未能获取数据,请重试!"])
    write_dict("text_cut", "Markers the program cuts by, spaces and two-byte characters.",
               ["quote.aspx?stockid=", "</td>", "<td>", "<TD>", "id=", "ID=", "<!--newstext-->",
                "<br>", "<BR>", "</br>", "<p>", "</p>", "即将发行的新股", "　", " ",
                b"\x81<", b"\xD6\xD0", b"\xB0q"])
    write_dict("page_text", "UTF-8 sequences, good and bad, and a zero byte.",
               [b"\x00", b"\xEF\xBB\xBF", b"\xE2\x82\xAC", b"\xEF\xBF\xBD", b"\xED\xA0\x80",
                b"\xF0\x9F\x98\x80", b"\xC0\xAF", b"\xE0\x80", b"\xF4\x90",
                "即将发行的新股".encode("utf-8"), "　".encode("utf-8"), "€".encode("utf-8"),
                "한".encode("utf-8"), "\ue000".encode("utf-8")])
    write_dict("version", "Parts of version numbers, in one-byte and full-width forms.",
               ["10.1", "10.2", "/10.1/", "/", ".", "e", "E", "+", "-", "0x", "p", "inf", "nan",
                "infinity", "1e999", "\n", "１", "０", "．", "＋", "－", "Ｅ", "Ｘ", "　", "／",
                b"\xA3", "20260105"])
    write_dict("file_name", "Pieces of update addresses and of file names Windows treats "
               "specially.",
               ["https://", "http://", "HTTP://", "127.0.0.1", "127.", "localhost", "[::1]", "@",
                ":", "?", "#", "/", "\\", "%2F", "%5C", "%2E", "%2e%2e", "%20", "%00", "%3A",
                "..", ".exe", "con", "CONOUT$", "conin$", "nul", "aux", "prn", "com1", "LPT9",
                "%D0%C2", "%81%5C", "%FF", "下载"])


def fixture(name):
    with open(os.path.join(ROOT, "demo", "fixtures", name), encoding="utf-8") as f:
        return f.read()


def pieces(page):
    """The page's sections, tables and single rows, as texts."""
    out = {}
    for i, table in enumerate(re.findall(r"<h2>.*?</table>", page, re.S)):
        out["table%d" % i] = table
    for i, row in enumerate(re.findall(r"<tr[ >].*?</tr>", page)):
        if "quote.aspx" in row:
            out["row%02d" % i] = row
    return out


UPCOMING_ROW = ('<tr class="odd"><td><a href="quote.aspx?stockid=688701" target="_blank">{name}'
                '</a></td><td><span>{date}</span></td><td>787701</td><td>21.30</td>'
                '<td>{volume}</td><td>0.80万</td><td>{pe}</td><td>20260106</td>'
                '<td>20260107</td><td>20260108</td><td>网上</td><td>中信证券</td></tr>\n')
ISSUED_ROW = ('<tr class="even"><td><a href="quote.aspx?stockid=603777" target="_blank">{name}'
              '</a></td><td>待定</td><td>{code}</td><td>0.0412%</td><td>20260106</td>'
              '<td>8,765亿</td><td>待定</td><td>1.50万</td><td>11.72</td><td>20260107</td>'
              '<td>网上</td><td>22.64</td></tr>\n')


def upcoming(name="蓝海光电", date="20260105", volume="2,000万<br/>(网上800万)",
             pe='<font color="#666">28.15</font>'):
    return UPCOMING_ROW.format(name=name, date=date, volume=volume, pe=pe)


def issued(name="青山材料", code="603777"):
    return ISSUED_ROW.format(name=name, code=code)


def page(up, iss):
    return ("<html><body><h2>即将发行的新股</h2><table>" + up + "</table>"
            "<h2>已发行待上市的新股</h2><table>" + iss + "</table>"
            "<p>以上新股中签率公布日期仅供参考</p></body></html>")


def row_walk():
    t = "row_walk"
    for name in ("basic.html", "noupcoming.html"):
        text = fixture(name)
        write(t, name, gbk(text))
        for key, piece in pieces(text).items():
            write(t, name.split(".")[0] + "_" + key, gbk(piece))
    cases = {
        "two_sections": page(upcoming() + upcoming(name="松岩股份"), issued()),
        "capital_link": issued().replace("quote.aspx?stockid=", "QUOTE.ASPX?STOCKID=") + issued(),
        "link_on_trail_byte": "<td><a href=皅uote.aspx?stockid=1>名称</a></td><td>待定</td>",
        "space_names": upcoming(name=" 　 ") + upcoming(name="松 岩　股份"),
        "empty_cell2": issued(code="") + issued(name="白鹭电气"),
        "article_link": issued(code="<a href=newspage.aspx?id=123 target=_blank>公布</a>"),
        "article_link_quoted": issued(code='<a href="newspage.aspx?id=77" target="_blank">公布</a>'),
        "article_link_no_space": issued(code="<a href=newspage.aspx?id=9>公布</a>"),
        "article_link_no_id": issued(code="<a href=newspage.aspx>公布</a>"),
        "see_article_text": issued(code="双击查看"),
        "cell1_without_span": upcoming().replace("<span>20260105</span>", "20260105"),
        "tags_in_cells": issued(code="<b>603777</b>") + upcoming(volume="1<br>2", pe="<i>3</i>倍"),
        "missing_cell_ends": '<a href="quote.aspx?stockid=1">甲</a><td>1<td>2<td>3</tr>',
        "no_section_end": "即将发行的新股" + upcoming() + "已发行待上市的新股" + issued(),
        "no_headings": upcoming() + issued(),
        "headings_only": "即将发行的新股已发行待上市的新股以上新股中签率公布日",
        "lead_byte_at_end": upcoming()[:-1] + "\udcd6",
    }
    for key, text in cases.items():
        data = text.encode("gbk", "surrogateescape")
        write(t, key, data)


def page_text():
    t = "page_text"
    for name in ("basic.html", "noupcoming.html"):
        text = fixture(name)
        write(t, name, text.encode("utf-8"))
        for key, piece in list(pieces(text).items())[:3]:
            write(t, name.split(".")[0] + "_" + key, piece.encode("utf-8"))
    cases = {
        "chinese": "即将发行的新股".encode("utf-8"),
        "zero_inside": "新股".encode("utf-8") + b"\0more",
        "zero_first": b"\0abc",
        "ascii": b"<td>10.25</td>",
        "fullwidth": "中　国：，１０．２".encode("utf-8"),
        "euro_and_middle_dot": "€·—…“”".encode("utf-8"),
        "hangul_and_kana": "a한b・ｶ".encode("utf-8"),
        "emoji_and_cjk_ext_b": "😀𠀀".encode("utf-8"),
        "private_use": "\ue000\ue5e5\uf8ff".encode("utf-8"),
        "replacement_char": "\ufffd".encode("utf-8"),
        "bom": b"\xef\xbb\xbf<html>",
        "invalid_bytes": b"a\xffb\x80c\xc0\xafd\xe0\x80\x80e\xed\xa0\x80f\xf4\x90\x80\x80g",
        "truncated": b"a\xe4\xb8b\xf0\x9f\x98c\xe4",
        "overlong_and_surrogates": b"\xc1\xbf\xe0\x9f\xbf\xed\xbf\xbf\xf0\x8f\xbf\xbf",
        "gb18030_only": "\u20ac\u00b7\u2014\u30fb\u00ae".encode("utf-8"),
    }
    for key, data in cases.items():
        write(t, key, data)


MARKERS = ["quote.aspx?stockid=", "</td>", ">", "<", "id=", " ", "<td>",
           "即将发行的新股", "已发行待上市的新股", "以上新股中签率公布日",
           "<!--newstext-->", "<!--/newstext-->", "</br>", "<br>", "<p>", "</p>", "双击查看", "　"]


def text_cut():
    t = "text_cut"
    snippets = [gbk(upcoming()), gbk(issued(code="<a href=newspage.aspx?id=1 target=_blank>公布</a>")),
                gbk("<!--newstext--><p>中签</p>a<BR>b</br>c<!--/newstext-->"),
                gbk(" 　中 　国　 \t"), gbk("即将发行的新股表格已发行待上市的新股")]
    for i, marker in enumerate(MARKERS):
        write(t, "marker%02d" % i, bytes([0x80 | i]) + snippets[i % len(snippets)])

    def own(marker, text):
        return bytes([len(marker)]) + marker + text

    cases = {
        "folds_case": own(b"<TD>", b"abc<td>x"),
        "missing_marker": own(b"xy", b"abcdef"),
        "marker_longer": own(b"abcdefgh", b"abcdef"),
        "not_on_second_byte": own(b"\xd0\xc2", b"\xd6\xd0\xc2x"),
        "found_after_misaligned": own(b"\xd0\xc2", b"\xd6\xd0\xc2a\xd0\xc2z"),
        "ascii_trail_byte": own(b"<", b"\x81<b<c"),
        "trailing_lead": own(b"\xd6", b"ab\xd6"),
        "folding_only_ascii": own(b"\xe1\xc2", b"\xc1\xc2x"),
        "empty_marker": own(b"", b"abc"),
        "strip_shortest": own(b"<br>", b"<<a>b>c x<y 1 > 0 a<font\r\ncolor=red>b"),
        "spaces_a1_pairs": own(b" ", b"\xb0\xa1\xa1\xb0 \xa1\xa1x\xa1"),
        "breaks_capitals": own(b"<br>", b"a<BR>b<Br>c<br/>d\xd6<br>"),
    }
    for key, data in cases.items():
        write(t, key, data)


def article():
    t = "article"

    def art(inside):
        return "<html><body>head<!--newstext-->" + inside + "<!--/newstext-->foot</body></html>"

    page_text = (
        '<html><head><title>星河医药首次公开发行股票网上摇号中签结果公告</title></head><body>\n'
        '<div class="content">\n<!--newstext-->\n'
        '<p class="x">根据《星河医药首次公开发行股票并上市发行公告》，本次发行摇号抽签仪式。</p>\n'
        '<p>现将中签结果公告如下：</p>\n<b>末“三”位数：123，456</b><br>\n末“四”位数：7890</br>\n'
        '<p>末“五”位数：12345</p>\n<font color="#cc0000">末“六”位数：654321</font><BR>\n'
        '末“七”位数：7654321<br/>\n<p><b>末“八”位数：87654321</b></p>\n'
        '<!--/newstext-->\n</div>\n<div id="footer">维摩财经 版权所有</div>\n</body></html>\n')
    cases = {
        "article_page": page_text,
        "normal": art("<p>中签号码公告</p><p>末位数:<b>123</b>,456</p><br>祝贺"),
        "capitals": art("a<BR>b<P>c</P>d</BR>e<Br>f"),
        "self_closing": art("a<br/>b<p class=x>c"),
        "paragraph_end_start": art("甲</p><p>乙"),
        "references": art("  a&nbsp;b  "),
        "tags_only": art("<b></b><font color=red></font>"),
        "breaks_only": art("<br><P></p></BR>"),
        "empty_area": art(""),
        "no_closing": "head<!--newstext-->text without end",
        "no_opening": "0123456789abcdefghij<br>k<!--/newstext-->foot",
        "markers_capitals": "<!--NEWSTEXT-->x<!--/NewsText-->",
        "failure_text_inside": art("未能获取数据,请重试!"),
    }
    for key, text in cases.items():
        write(t, key, gbk(text))


def version():
    t = "version"
    cases = {
        "newer": "10.2\n10.1\n/9.0/\n20260101\n20260102",
        "forced": "10.2\n10.1\n/9.0/10.1/\n\n20260102",
        "same_day": "11\n10.1\n/10.1/\n20260102\n20260102",
        "equal": "10.10\n10.1\n10.1\n",
        "fullwidth": "１０．２\n10.1\n／10.1／",
        "fullwidth_sign_space": "　＋１０．５\n１０．１",
        "fullwidth_exponent": "１Ｅ２\n9.5",
        "fullwidth_letter": "Ｖ10.2\n10.1",
        "specials": "inf\nnan\n/inf/",
        "too_large": "1e999\n-1e999",
        "hex": "0x1A\n0x1p4",
        "signs": "+-1\n-",
        "tolerance": "10.10000005\n10.1",
        "trailing": "10.2abc\n10.2版",
        "lead_at_end": "7\udca3\n\udca3",
        "whitespace": "\t10.2\r\n\v 10.1",
    }
    for key, text in cases.items():
        write(t, key, text.encode("gbk", "surrogateescape"))


def file_name():
    t = "file_name"
    urls = [
        "http://127.0.0.1:18460/download/Velmora.exe",
        "https://h/d/Velmora.exe?v=10.2#top",
        "https://h/..%5C..%5Cevil.exe",
        "https://h/d/a\\b.exe",
        "https://h/a%2Fb.exe%2F",
        "https://h/d/%2e%2e",
        "https://h/C:%5Cx.exe",
        "https://h/x.exe:stream",
        "https://h/CON.txt",
        "https://h/com1.exe",
        "https://h/nul%20.txt",
        "https://h/CONOUT$",
        "https://h/name.exe%20%2E%20",
        "https://h/%D0%C2%B9%C9.exe",
        "https://h/%81%5C.exe",
        "https://h/a%D0",
        "https://h/%FF%FE.exe",
        "https://h/a%00.txt",
        "https://h/100%.exe",
        "https://h/%252e%252e",
        "download/Velmora.exe",
        "HTTPS://Example.Invalid:8443/",
        "http://localhost:8080/a.exe",
        "http://[::1]:18460/",
        "http://evil@127.0.0.1/",
        "http://127.0.0.1@evil.com/",
        "http://a@127.0.0.1@evil.com/",
        "http://127.0.0.1.evil.com/",
        "http://127.0.0.256/",
        "http://0127.0.0.1/",
        "http://2130706433/",
        "http://[::1/",
        "http://127.0.0.1:99999/",
        "http://127.0.0.1\\@evil.com/",
        "http://127.0.0.1?@evil.com/",
        "ftp://127.0.0.1/Velmora.exe",
        "http:/127.0.0.1/",
    ]
    for url in urls:
        data = url.encode("gbk")
        write(t, hashlib.sha1(data).hexdigest()[:12], data)
    write(t, "gbk_path", gbk("https://h/下载/新股.exe"))
    # Found by this target: a loopback part with a leading zero and an 8 or 9 is
    # no number for inet_addr's reading (octal), so Windows looks it up as a name.
    write(t, "finding_loopback_octal_part", b"http://127.0.0.089/")


def main():
    row_walk()
    page_text()
    text_cut()
    article()
    version()
    file_name()
    dictionaries()
    total = 0
    for folder, _, files in os.walk(CORPUS):
        total += sum(os.path.getsize(os.path.join(folder, f)) for f in files)
    print("corpus: %d bytes in %s" % (total, CORPUS))


if __name__ == "__main__":
    sys.exit(main())
