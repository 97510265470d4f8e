// The article of the winning-numbers window: its address on the data site and
// the text shown in the article box.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

inline constexpr char kArticleFailureText[] = "未能获取数据,请重试!";

// The data site's root (with its closing "/"), "newspage.aspx?id=" and the id,
// joined as they are.
Text ArticleUrlFor(std::string_view dataSiteRoot, std::string_view articleId);

// From the converted page text: the article between "<!--newstext-->" and
// "<!--/newstext-->", its line-break and paragraph tags made CR LF and every
// other tag removed; kArticleFailureText when nothing is left before the tags
// are removed. Not trimmed; character references are left as they are.
Text ArticleBoxText(std::string_view pageText);

}  // namespace velmora
