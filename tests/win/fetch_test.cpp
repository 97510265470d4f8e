// The page fetcher against the demo data site, through Wine's real XML HTTP object.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "support/demo_site.h"
#include "text/text.h"
#include "web/fetch.h"

namespace velmora {
namespace {

using testing::DemoSite;

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DemoSite::Available()) << "run through wine-run with VELMORA_DEMO_SITE=1";
        DemoSite::SetMode("normal");
        DemoSite::SetVersionMode("current");
    }
};

TEST_F(FetchTest, BodyOfAPageComesBackByteForByte) {
    DemoSite::SetPage(testing::SourcePath("demo/fixtures/basic.html"));
    DemoSite::SetMode("fixture");
    ByteBuffer body = FetchUrlBytes(DemoSite::Root());
    std::string expected =
        testing::ReadFileBytes(testing::WindowsPathOf(testing::SourcePath("demo/fixtures/basic.html")));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(body, expected);
}

TEST_F(FetchTest, SendsAGetOfTheWholeAddress) {
    DemoSite::ResetLog();
    FetchUrlBytes(DemoSite::Root() + "newspage.aspx?id=1");
    EXPECT_NE(DemoSite::Requests().find("GET /newspage.aspx?id=1"), std::string::npos)
        << DemoSite::Requests();
}

TEST_F(FetchTest, ErrorStatusGivesItsBody) {
    for (const char* mode : {"http404", "http500"}) {
        DemoSite::SetMode(mode);
        DemoSite::Response raw = DemoSite::RawGet("/");
        ASSERT_EQ(raw.status, mode == std::string("http404") ? 404 : 500);
        ByteBuffer body = FetchUrlBytes(DemoSite::Root());
        EXPECT_FALSE(body.empty()) << mode;
        EXPECT_EQ(body, raw.body) << mode;
    }
    // An unknown article is a 404 page of the site.
    EXPECT_EQ(FetchUrlBytes(DemoSite::Root() + "newspage.aspx?id=999999"),
              DemoSite::RawGet("/newspage.aspx?id=999999").body);
}

TEST_F(FetchTest, ZeroBytesInsideTheBodyAreKept) {
    DemoSite::SetMode("zeros");
    DemoSite::Response raw = DemoSite::RawGet("/");
    ASSERT_NE(raw.body.find('\0'), std::string::npos);
    ByteBuffer body = FetchUrlBytes(DemoSite::Root());
    EXPECT_EQ(body.size(), raw.body.size());
    EXPECT_EQ(body, raw.body);
}

TEST_F(FetchTest, VersionFileBytesAreNotConverted) {
    ByteBuffer body = FetchUrlBytes(DemoSite::Root() + "ver/myver.txt");
    EXPECT_EQ(body, DemoSite::RawGet("/ver/myver.txt").body);
    EXPECT_NE(body.find("最新版本号"), std::string::npos) << "GBK as served";
}

TEST_F(FetchTest, EmptyBodyAndFailuresGiveTheEmptyBuffer) {
    DemoSite::SetMode("empty");
    EXPECT_TRUE(FetchUrlBytes(DemoSite::Root()).empty());
    DemoSite::SetMode("refuse");
    EXPECT_TRUE(FetchUrlBytes(DemoSite::Root()).empty());
    EXPECT_TRUE(FetchUrlBytes("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/").empty());
    EXPECT_TRUE(FetchUrlBytes("http://no-such-host.invalid/").empty());
    EXPECT_TRUE(FetchUrlBytes("not an address").empty());
    EXPECT_TRUE(FetchUrlBytes("").empty());
}

TEST_F(FetchTest, ConnectionResetMidBodyGivesNoPartialPage) {
    DemoSite::SetMode("reset");
    ByteBuffer body = FetchUrlBytes(DemoSite::Root(), 10000);
    DemoSite::SetMode("normal");
    ByteBuffer whole = FetchUrlBytes(DemoSite::Root());
    EXPECT_NE(body, whole);
    EXPECT_LT(body.size(), whole.size());
}

TEST_F(FetchTest, StalledServerCountsAsAFailedDownloadAfterTheTimeLimit) {
    DemoSite::SetStallSeconds(30);
    DemoSite::SetMode("stall");
    ULONGLONG start = GetTickCount64();
    ByteBuffer body = FetchUrlBytes(DemoSite::Root(), 1500);
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_TRUE(body.empty());
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 20000u) << "the call came back long before the server gave up";
    // Meanwhile the site answers other requests, and so does the fetcher.
    DemoSite::SetMode("normal");
    EXPECT_FALSE(FetchUrlBytes(DemoSite::Root()).empty());
}

TEST_F(FetchTest, TwoJobsFetchingAtOnceGetTheirOwnBodies) {
    ByteBuffer page, version;
    std::thread a([&] { page = FetchUrlBytes(DemoSite::Root()); });
    std::thread b([&] { version = FetchUrlBytes(DemoSite::Root() + "ver/myver.txt"); });
    a.join();
    b.join();
    EXPECT_EQ(version, DemoSite::RawGet("/ver/myver.txt").body);
    Text text = PageBytesToText(page);
    EXPECT_NE(text.find("即将发行的新股"), Text::npos);
    EXPECT_NE(text.find("以上新股中签率公布日"), Text::npos);
}

TEST_F(FetchTest, NothingIsKeptBetweenCalls) {
    DemoSite::SetMode("http500");
    ByteBuffer error = FetchUrlBytes(DemoSite::Root());
    DemoSite::SetMode("normal");
    ByteBuffer page = FetchUrlBytes(DemoSite::Root());
    EXPECT_NE(error, page) << "a cached answer came back";
    EXPECT_NE(PageBytesToText(page).find("即将发行的新股"), Text::npos);
}

}  // namespace
}  // namespace velmora
