// The main window as designed: places, column headers and widths, status bar parts.
#pragma once

#include <array>
#include <cstdint>

namespace velmora {

struct ColumnDesign {
    const char* header;
    int width;  // 0: the column exists and holds data but cannot be seen
};

inline constexpr std::array<ColumnDesign, 11> kUpcomingColumns{{
    {"股票名称", 100},
    {"申购日", 80},
    {"申购代码", 90},
    {"发行价", 60},
    {"发行量/股", 70},
    {"申购限额", 70},
    {"发行市盈", 70},
    {"中签率公布", 80},
    {"中签号公布", 80},
    {"资金解冻", 70},
    {"承销商", 60},
}};

inline constexpr std::array<ColumnDesign, 12> kIssuedColumns{{
    {"股票名称", 100},
    {"新股上市日", 80},
    {"交易代码", 100},
    {"中签率", 80},
    {"中签号公布", 0},
    {"冻结资金", 80},
    {"上市日", 0},
    {"申购限额", 70},
    {"发行价", 70},
    {"资金解冻日", 90},
    {"发行市盈", 0},
    {"申购代码", 0},
}};

struct Place {
    int x, y, width, height;
};

inline constexpr Place kMainWindowPlace{50, 50, 892, 502};
inline constexpr Place kPageTabsPlace{4, 4, 878, 442};
inline constexpr Place kListPlace{12, 34, 851, 394};
inline constexpr Place kStatusBarPlace{0, 445, 886, 22};

inline constexpr char kUpcomingPageText[] = "即将发行的新股";
inline constexpr char kIssuedPageText[] = "已发行待上市的新股";

// Right edges of the three status bar parts (widths 5, 500 and 1000).
inline constexpr std::array<int, 3> kStatusPartEdges{5, 505, 1505};
inline constexpr char kStatusHint[] = "提示:数据来源于网络,仅供参考 !";

// The background colour of the hidden label "标签1", read for the odd row stripes.
inline constexpr uint32_t kStripeColorLabelBack = 0xFEFCFC;  // RGB(252, 252, 254)

inline constexpr int kListPicture = 32;  // white page with lines of text
inline constexpr int kListPictureCount = 33;

}  // namespace velmora
