#include "bench/synthetic_page.h"

#include <cstdio>
#include <string>

namespace velmora {
namespace {

struct Upcoming {
    const char* name;
    const char* code;
    const char* price;
    const char* volume;
    const char* online;
    const char* limit;
    const char* pe;
    const char* note;
    const char* underwriter;
};

const Upcoming kUpcoming[] = {
    {"华芯科技", "787123", "18.50", "3,000万", "1,200万", "1.20万", "23.45", "网上", "中信证券"},
    {"中科微电", "787217", "32.80", "2,500万", "1,000万", "0.75万", "41.20", "网上", "中金公司"},
    {"恒川新材", "732291", "12.36", "4,010万", "1,604万", "1.60万", "22.98", "网上", "国泰君安"},
    {"东岳智联", "301452", "26.18", "2,200万", "880万", "0.80万", "35.60", "网上", "华泰联合"},
    {"宁远药业", "002987", "9.87", "6,000万", "2,400万", "2.40万", "19.88", "网下", "招商证券"},
    {"金桥能源", "780326", "5.66", "2.80亿", "1.12亿", "11.20万", "14.27", "网上", "中信建投"},
    {"海川精密", "301587", "41.05", "1,800万", "720万", "0.70万", "48.33", "战配", "海通证券"},
    {"北辰生物", "787609", "22.40", "3,500万", "1,400万", "1.00万", "30.12", "网上", "国信证券"},
};

struct Issued {
    const char* name;
    const char* price;
    const char* rate;
    const char* frozen;
    const char* limit;
    const char* pe;
    const char* note;
    int article;  // 0: winning numbers not out yet
};

const Issued kIssued[] = {
    {"星衡电子", "28.60", "0.0345%", "1.23万亿", "0.85万", "37.21", "网上", 5123},
    {"澜沧环保", "11.72", "0.0412%", "8,765亿", "1.50万", "22.64", "网上", 5127},
    {"青禾农业", "7.95", "0.0298%", "6,543亿", "2.00万", "18.03", "网上", 5131},
    {"云帆航天", "45.30", "0.0367%", "1.05万亿", "0.60万", "52.88", "网上", 0},
    {"博衍医疗", "33.18", "0.0189%", "9,120亿", "0.55万", "44.10", "网上", 0},
    {"锦程物流", "14.02", "0.0521%", "4,310亿", "1.30万", "21.47", "网下", 0},
    {"泰和新能", "16.66", "0.0433%", "5,208亿", "1.80万", "24.90", "网上", 0},
};

constexpr std::size_t kUpcomingCount = sizeof kUpcoming / sizeof kUpcoming[0];
constexpr std::size_t kIssuedCount = sizeof kIssued / sizeof kIssued[0];

std::string Format(const char* format, long a, long b = 0) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

// A date in January or February 2026, a step of one per hundred rows.
std::string Day(std::size_t row, int offset) {
    long day = static_cast<long>(row / 100 % 50) + offset;
    return Format("2026%02ld%02ld", 1 + day / 28 % 2, 1 + day % 28);
}

std::string Cells(std::initializer_list<std::string> cells) {
    std::string html;
    for (const std::string& cell : cells) html += "<td>" + cell + "</td>";
    return html;
}

std::string QuoteLink(const std::string& stockId, const std::string& name) {
    return "<td><a href=\"quote.aspx?stockid=" + stockId + "\" target=\"_blank\">" + name +
           "</a></td>";
}

std::string UpcomingRow(std::size_t i) {
    const Upcoming& c = kUpcoming[i % kUpcomingCount];
    return std::string("<tr class=\"") + (i % 2 == 0 ? "odd" : "even") + "\">" +
           QuoteLink(Format("%06ld", 600000 + static_cast<long>(i % 400000)),
                     c.name + Format("%05ld", static_cast<long>(i % 100000))) +
           "<td><span>" + Day(i, 0) + "</span></td>" +
           Cells({c.code, c.price, std::string(c.volume) + "<br/>(网上" + c.online + ")", c.limit,
                  std::string("<font color=\"#666\">") + c.pe + "</font>", Day(i, 1), Day(i, 2),
                  Day(i, 3), c.note, c.underwriter}) +
           "</tr>\n";
}

std::string IssuedRow(std::size_t i) {
    const Issued& c = kIssued[i % kIssuedCount];
    std::string stockId = Format("%06ld", 300000 + static_cast<long>(i % 400000));
    std::string cell2 = c.article == 0 ? stockId
                                       : Format("<a href=newspage.aspx?id=%ld target=_blank>",
                                                c.article + static_cast<long>(i)) +
                                             "公布</a>";
    std::string listing = i % kIssuedCount < 2 ? Day(i, 8) : std::string("待定");
    return std::string("<tr class=\"") + (i % 2 == 0 ? "odd" : "even") + "\">" +
           QuoteLink(stockId, c.name + Format("%05ld", static_cast<long>(i % 100000))) +
           Cells({listing, cell2, c.rate, Day(i, 2), c.frozen, listing, c.limit, c.price, Day(i, 3),
                  c.note, c.pe}) +
           "</tr>\n";
}

void DropCellEnds(std::string& row) {
    std::string kept;
    std::size_t from = 0;
    for (std::size_t at; (at = row.find("</td>", from)) != std::string::npos; from = at + 5) {
        kept.append(row, from, at - from);
    }
    kept.append(row, from);
    row.swap(kept);
}

constexpr const char* kHead =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=gbk\" />\n<title>新股日历 - 新股申购一览 - 维摩财经</title>\n</head>\n<body>\n"
    "<div id=\"nav\"><a href=\"/\">首页</a> | <a href=\"hq.aspx\">行情中心</a></div>\n"
    "<div class=\"box\"><h3>新股要闻</h3><ul class=\"newslist\"><li><a "
    "href=\"news.aspx?id=90117\">本周共有8只新股申购，科创板占3只</a></li></ul></div>\n";

constexpr const char* kTail =
    "<div class=\"box\">\n<h2>近期上市新股表现</h2>\n<table class=\"xgtable\" id=\"tb_recent\">\n"
    "<tr><td><a href=\"quote.aspx?stockid=688088\" target=\"_blank\">长风药业</a></td>"
    "<td>20251226</td><td>19.30</td><td><font color=\"red\">+156.32%</font></td></tr>\n"
    "</table>\n</div>\n<div id=\"footer\"><p>维摩财经 版权所有</p></div>\n</body>\n</html>\n";

}  // namespace

Text SyntheticPage(std::size_t pageBytes, bool withoutCellEnds) {
    Text page;
    page.reserve(pageBytes + 4096);
    page += kHead;
    page +=
        "<div class=\"box\">\n<h2>即将发行的新股</h2>\n"
        "<table class=\"xgtable\" id=\"tb_upcoming\">\n"
        "<tr><th>股票简称</th><th>申购日期</th><th>申购代码</th></tr>\n";
    for (std::size_t i = 0; page.size() < pageBytes / 2; ++i) {
        std::string row = UpcomingRow(i);
        if (withoutCellEnds) DropCellEnds(row);
        page += row;
    }
    page +=
        "</table>\n</div>\n<div class=\"box\">\n<h2>已发行待上市的新股</h2>\n"
        "<table class=\"xgtable\" id=\"tb_issued\">\n"
        "<tr><th>股票简称</th><th>上市日期</th><th>交易代码/中签号</th></tr>\n";
    for (std::size_t i = 0; page.size() + 600 < pageBytes; ++i) {
        std::string row = IssuedRow(i);
        if (withoutCellEnds) DropCellEnds(row);
        page += row;
    }
    page +=
        "</table>\n<p class=\"note\">以上新股中签率公布日期仅供参考，具体以交易所及发行人"
        "公告为准。</p>\n</div>\n";
    page += kTail;
    return page;
}

}  // namespace velmora
