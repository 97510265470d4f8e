#include "winning/article.h"

namespace velmora {
namespace {

constexpr char kOpeningMarker[] = "<!--newstext-->";
constexpr char kClosingMarker[] = "<!--/newstext-->";
// In this order, each on the text the one before left.
constexpr const char* kLineBreakTags[] = {"</br>", "<br>", "<p>", "</p>"};

}  // namespace

Text ArticleUrlFor(std::string_view dataSiteRoot, std::string_view articleId) {
    return Text(dataSiteRoot) + "newspage.aspx?id=" + Text(articleId);
}

Text ArticleBoxText(std::string_view pageText) {
    // A page without the opening marker loses its first bytes the marker's length
    // long, as every cut does, and shows the rest up to the closing marker.
    Text article = TextBefore(TextAfterView(pageText, kOpeningMarker), kClosingMarker);
    for (const char* tag : kLineBreakTags) article = ReplaceAllFolded(article, tag, "\r\n");
    if (article.empty()) return kArticleFailureText;
    return StripTags(article);
}

}  // namespace velmora
