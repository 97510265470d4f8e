// How fast the table readers walk an announcement page, beside a plain scan
// for the row marker over the same bytes (the ceiling). Pages of 100 KB, 1 MB
// and 10 MB, and pages whose rows lack every "</td>" (the walk stays linear:
// its bytes/s hold across the sizes).
//
//   row_walk_bench [benchmark flags]
//   row_walk_bench --write_page=FILE [--page_bytes=N] [--without_cell_ends]
//       writes the synthetic page (GBK) for other readers and exits.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/synthetic_page.h"
#include "loader/row_walk.h"

namespace velmora {
namespace {

constexpr std::string_view kQuoteLink = "quote.aspx?stockid=";

const Text& Page(std::size_t bytes, bool withoutCellEnds) {
    static std::map<std::pair<std::size_t, bool>, Text> pages;
    auto [it, added] = pages.try_emplace({bytes, withoutCellEnds});
    if (added) it->second = SyntheticPage(bytes, withoutCellEnds);
    return it->second;
}

std::size_t WalkBothTables(std::string_view page) {
    const Text today = "20260105";
    const auto todayText = [&today] { return today; };
    std::size_t rows = 0;
    const auto count = [&rows](ShareRow&& row) {
        benchmark::DoNotOptimize(row.columns.data());
        ++rows;
    };
    PageSections sections = CutSections(page);
    WalkShareRows(sections.upcoming, ShareTable::Upcoming, todayText, count);
    WalkShareRows(sections.issued, ShareTable::Issued, todayText, count);
    return rows;
}

void RunWalk(benchmark::State& state, bool withoutCellEnds) {
    const Text& page = Page(static_cast<std::size_t>(state.range(0)), withoutCellEnds);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = WalkBothTables(page);
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void WalkPage(benchmark::State& state) { RunWalk(state, false); }
void WalkPageWithoutCellEnds(benchmark::State& state) { RunWalk(state, true); }

void ScanQuoteLinks(benchmark::State& state) {
    const Text& page = Page(static_cast<std::size_t>(state.range(0)), false);
    std::size_t links = 0;
    for (auto _ : state) {
        links = 0;
        const char* p = page.data();
        const char* end = page.data() + page.size();
        while ((p = static_cast<const char*>(memmem(p, static_cast<std::size_t>(end - p),
                                                    kQuoteLink.data(), kQuoteLink.size()))) !=
               nullptr) {
            ++links;
            p += kQuoteLink.size();
        }
        benchmark::DoNotOptimize(links);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["rows"] = static_cast<double>(links);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(links * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void PageSizes(benchmark::internal::Benchmark* b) {
    b->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
}

BENCHMARK(WalkPage)->Apply(PageSizes);
BENCHMARK(WalkPageWithoutCellEnds)->Apply(PageSizes);
BENCHMARK(ScanQuoteLinks)->Apply(PageSizes);

// Handles --write_page and its companions; true when the page was asked for.
bool WritePageIfAsked(int& argc, char** argv, int& status) {
    std::string file;
    std::size_t bytes = 1 << 20;
    bool withoutCellEnds = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--write_page=")) {
            file = arg.substr(13);
        } else if (arg.starts_with("--page_bytes=")) {
            bytes = std::stoul(std::string(arg.substr(13)));
        } else if (arg == "--without_cell_ends") {
            withoutCellEnds = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (file.empty()) return false;
    std::ofstream out(file, std::ios::binary);
    const Text page = SyntheticPage(bytes, withoutCellEnds);
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    status = out ? 0 : 1;
    return true;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    int status = 0;
    if (velmora::WritePageIfAsked(argc, argv, status)) return status;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
