// The article box text of the winning-numbers window, from any page text.
//
// Input: the page text (GBK).
#include <cstdint>
#include <string>
#include <string_view>

#include "support/check.h"
#include "support/reference.h"
#include "winning/article.h"

namespace velmora {
namespace {

using fuzz::NamedValue;
namespace ref = fuzz::ref;

constexpr std::string_view kOpening = "<!--newstext-->";
constexpr std::string_view kClosing = "<!--/newstext-->";
constexpr std::string_view kBreakTags[] = {"</br>", "<br>", "<p>", "</p>"};

// The article's steps as written: cut, the four break passes, failure or strip.
Text BoxTextByTheSteps(std::string_view page) {
    std::string article(ref::Before(ref::After(page, kOpening), kClosing));
    for (std::string_view tag : kBreakTags) article = ref::ReplaceAll(article, tag, "\r\n");
    if (article.empty()) return kArticleFailureText;
    return ref::StripTags(article);
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const Text box = ArticleBoxText(page);
    const NamedValue p{"page", page}, b{"box", box};

    FUZZ_REQUIRE(box == BoxTextByTheSteps(page), "the box text follows the article's steps", p, b);
    const std::string_view area = ref::Before(ref::After(page, kOpening), kClosing);
    if (area.empty()) {
        FUZZ_REQUIRE(box == kArticleFailureText, "an empty article area shows the failure text", p,
                     b);
    } else {
        FUZZ_REQUIRE(!ref::HasCompleteTag(box), "an article shown has no tag left", p, b);
        FUZZ_REQUIRE(box.size() <= area.size(), "the box is never longer than its article area", p,
                     b);
    }
    // The failure text itself holds no tag, so no box ever shows one.
    FUZZ_REQUIRE(!ref::HasCompleteTag(box), "the box never shows a tag", p, b);

    // The page's bytes as an article of their own, with every "<" taken out:
    // nothing to cut, replace or strip, so the box shows them as they are.
    std::string plain;
    for (char c : page) {
        if (c != '<') plain.push_back(c);
    }
    plain = std::string(ref::WholeCharacters(plain));
    const Text own = ArticleBoxText(Text(kOpening) + plain + Text(kClosing) + Text(page));
    FUZZ_REQUIRE(own == (plain.empty() ? Text(kArticleFailureText) : plain),
                 "an article without tags between the markers is shown as it is", p,
                 NamedValue{"article", plain}, NamedValue{"box", own});
    return 0;
}
