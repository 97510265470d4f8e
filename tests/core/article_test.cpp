// The article of the winning-numbers window: the box text cut from the page.
#include <gtest/gtest.h>

#include <string>

#include "winning/article.h"

namespace velmora {
namespace {

std::string Article(const std::string& inside) {
    return "<html><body>head<!--newstext-->" + inside + "<!--/newstext-->foot</body></html>";
}

struct ArticleCase {
    const char* name;
    std::string page;
    std::string box;
};

void PrintTo(const ArticleCase& c, std::ostream* os) { *os << c.name; }

class ArticleBoxTextTest : public ::testing::TestWithParam<ArticleCase> {};
TEST_P(ArticleBoxTextTest, CutsBreaksAndStrips) {
    EXPECT_EQ(ArticleBoxText(GetParam().page), GetParam().box);
}

const ArticleCase kArticleCases[] = {
    {"Normal", Article("<p>中签号码公告</p><p>末位数:<b>123</b>,456</p><br>祝贺"),
     "\r\n中签号码公告\r\n\r\n末位数:123,456\r\n\r\n祝贺"},
    {"Capitals", Article("a<BR>b<P>c</P>d</BR>e<Br>f"), "a\r\nb\r\nc\r\nd\r\ne\r\nf"},
    {"SelfClosingBreakAndParagraphWithClassAreTags", Article("a<br/>b<p class=x>c"), "abc"},
    {"ParagraphEndAndStartGiveTwoLineBreaks", Article("甲</p><p>乙"), "甲\r\n\r\n乙"},
    {"ClosingBreakBetweenTwoCharacters", Article("中</br>国"), "中\r\n国"},
    // "</br>" goes first: "<br>" inside it is never seen.
    {"ClosingBreakIsOneLineBreak", Article("a</br>b"), "a\r\nb"},
    {"SpacesAndReferencesKept", Article("  a&nbsp;b  "), "  a&nbsp;b  "},
    {"OnlyOtherTagsLeaveEmptyText", Article("<b></b><font color=red></font>"), ""},
    {"OnlyBreaks", Article("<br><P></p></BR>"), "\r\n\r\n\r\n\r\n"},
    {"EmptyArea", Article(""), kArticleFailureText},
    {"MissingClosingMarker", "head<!--newstext-->text without end", kArticleFailureText},
    // Without the opening marker the page is shown from its 16th byte on.
    {"MissingOpeningMarker", "0123456789abcdefghij<br>k<!--/newstext-->foot", "fghij\r\nk"},
    {"MarkersInCapitals", "<!--NEWSTEXT-->x<!--/NewsText-->", "x"},
    {"EmptyPage", "", kArticleFailureText},
};
INSTANTIATE_TEST_SUITE_P(Pages, ArticleBoxTextTest, ::testing::ValuesIn(kArticleCases),
                         [](const ::testing::TestParamInfo<ArticleCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ArticleBoxTextTest, FailureTextInGbk) {
    EXPECT_EQ(std::string(kArticleFailureText),
              "\xCE\xB4\xC4\xDC\xBB\xF1\xC8\xA1\xCA\xFD\xBE\xDD,\xC7\xEB\xD6\xD8\xCA\xD4!");
}

TEST(ArticleUrlForTest, JoinsRootPageAndIdAsTheyAre) {
    EXPECT_EQ(ArticleUrlFor("http://127.0.0.1:18460/", "12345"),
              "http://127.0.0.1:18460/newspage.aspx?id=12345");
    // Nothing is encoded or added: an id with odd characters goes in as it is.
    EXPECT_EQ(ArticleUrlFor("http://h/data/", "a b&c"), "http://h/data/newspage.aspx?id=a b&c");
}

}  // namespace
}  // namespace velmora
