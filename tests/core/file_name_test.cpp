// The updater's download: the addresses it may fetch and the file name it saves.
#include <gtest/gtest.h>

#include <string>

#include "update/file_name.h"

namespace velmora {
namespace {

// Whether a GBK text holds a "\" or "/" character (a trail byte 5C is no "\").
bool HasSeparatorCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/') return true;
        ++i;
    }
    return false;
}

struct NameCase {
    const char* name;
    std::string url;
    std::string fileName;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class DownloadFileNameTest : public ::testing::TestWithParam<NameCase> {};
TEST_P(DownloadFileNameTest, PlainNameOrNothing) {
    const Text fileName = DownloadFileName(GetParam().url);
    EXPECT_EQ(fileName, GetParam().fileName);
    if (fileName.empty()) return;
    // A name given stays inside the folder it is joined to.
    const std::string folder = "C:\\Velmora\\更新\\";
    const Text path = JoinFolderAndName(folder, fileName);
    ASSERT_EQ(path.compare(0, folder.size(), folder), 0) << path;
    EXPECT_FALSE(HasSeparatorCharacter(path.substr(folder.size()))) << path;
    EXPECT_EQ(fileName.find_first_of(":<>\"?*"), Text::npos);
    EXPECT_NE(fileName.back(), '.');
    EXPECT_NE(fileName.back(), ' ');
}

const NameCase kNameCases[] = {
    {"Plain", "http://127.0.0.1:18460/download/Velmora.exe", "Velmora.exe"},
    {"QueryDropped", "https://h/d/Velmora.exe?v=10.2", "Velmora.exe"},
    {"QueryWithSlashes", "https://h/d/Velmora.exe?next=/a/b.exe", "Velmora.exe"},
    {"FragmentDropped", "https://h/d/Velmora.exe#top", "Velmora.exe"},
    {"FragmentBeforeQuery", "https://h/a.exe#x?y/z.exe", "a.exe"},
    {"TrailingSlash", "https://h/download/", ""},
    {"NoPath", "https://h", ""},
    {"NoPathBeforeQuery", "https://h?f=/a.exe", ""},
    {"EncodedBackslashes", "https://h/..%5C..%5Cevil.exe", "evil.exe"},
    {"RawBackslash", "https://h/d/a\\b.exe", "b.exe"},
    {"EncodedSlash", "https://h/a%2Fb.exe", "b.exe"},
    {"EncodedSlashEndsName", "https://h/a.exe%2F", ""},
    {"EncodedDotDot", "https://h/d/%2e%2e", ""},
    {"EncodedDot", "https://h/d/%2E", ""},
    {"RawDotDot", "https://h/d/..", ""},
    {"DriveBeforeBackslash", "https://h/C:%5Cx.exe", "x.exe"},
    {"EncodedDriveColon", "https://h/C%3Ax.exe", ""},
    {"StreamColon", "https://h/x.exe:stream", ""},
    {"Nul", "https://h/nul", ""},
    {"ConWithExtension", "https://h/CON.txt", ""},
    {"Com1WithExtension", "https://h/com1.exe", ""},
    {"Lpt9", "https://h/Lpt9", ""},
    {"AuxTwoExtensions", "https://h/Aux.tar.gz", ""},
    {"DeviceSpaceBeforeExtension", "https://h/nul%20.txt", ""},
    {"DeviceTrailingDot", "https://h/prn.", ""},
    {"ConsoleOutput", "https://h/CONOUT$", ""},
    {"Com0IsNoDevice", "https://h/com0.exe", "com0.exe"},
    {"DevicePrefixIsNoDevice", "https://h/console.exe", "console.exe"},
    {"TrailingDotAndSpace", "https://h/name. ", "name"},
    {"EncodedTrailingSpaceAndDot", "https://h/name.exe%20%2E%20", "name.exe"},
    {"OnlyDotsAndSpaces", "https://h/.%20.", ""},
    {"LeadingDotKept", "https://h/.hidden", ".hidden"},
    {"EncodedGbk", "https://h/%D0%C2%B9%C9.exe", "新股.exe"},
    {"RawGbk", "https://h/下载/新股.exe", "新股.exe"},
    {"GbkTrailByteBackslashIsNoSeparator", "https://h/%81%5C.exe", "\x81\x5C.exe"},
    {"GbkTrailByteBarIsNoBar", "https://h/%81%7C.exe", "\x81|.exe"},
    {"LeadByteBeforeSlash", "https://h/%81%2F.exe", ""},
    {"LeadByteAtEnd", "https://h/a%D0", ""},
    {"Byte80", "https://h/%80.exe", ""},
    {"ByteFF", "https://h/%FF%FE.exe", ""},
    {"ControlByte", "https://h/a%01b.exe", ""},
    {"ZeroByte", "https://h/a.exe%00.txt", ""},
    {"LineBreak", "https://h/a%0D%0A.exe", ""},
    {"Less", "https://h/a%3Cb.exe", ""},
    {"Greater", "https://h/a%3Eb.exe", ""},
    {"Quote", "https://h/a%22b.exe", ""},
    {"Bar", "https://h/a%7Cb.exe", ""},
    {"Question", "https://h/a%3Fb.exe", ""},
    {"Star", "https://h/a*.exe", ""},
    {"LonePercentKept", "https://h/100%.exe", "100%.exe"},
    {"PercentWithoutHexKept", "https://h/%zz.exe", "%zz.exe"},
    {"ShortPercentAtEnd", "https://h/a%2", "a%2"},
    {"DecodedOnce", "https://h/%252e%252e", "%2e%2e"},
    {"PathWithoutScheme", "download/Velmora.exe", "Velmora.exe"},
    {"Empty", "", ""},
};
INSTANTIATE_TEST_SUITE_P(Urls, DownloadFileNameTest, ::testing::ValuesIn(kNameCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                             return std::string(info.param.name);
                         });

struct AllowedCase {
    const char* name;
    std::string url;
    bool allowed;
};

void PrintTo(const AllowedCase& c, std::ostream* os) { *os << c.name; }

class IsAllowedUpdateUrlTest : public ::testing::TestWithParam<AllowedCase> {};
TEST_P(IsAllowedUpdateUrlTest, HttpsOrLoopback) {
    EXPECT_EQ(IsAllowedUpdateUrl(GetParam().url), GetParam().allowed);
}
INSTANTIATE_TEST_SUITE_P(
    Urls, IsAllowedUpdateUrlTest,
    ::testing::Values(AllowedCase{"HttpsAnyHost", "https://example.invalid/Velmora.exe", true},
                      AllowedCase{"HttpsCapitals", "HTTPS://Example.Invalid:8443/", true},
                      AllowedCase{"HttpsNoHost", "https:///Velmora.exe", false},
                      AllowedCase{"Loopback", "http://127.0.0.1:18460/download/Velmora.exe", true},
                      AllowedCase{"LoopbackNoPath", "http://127.0.0.1", true},
                      AllowedCase{"LeadingZeroPart", "http://127.0.0.089/", false},
                      AllowedCase{"OctalLookingPart", "http://127.0.0.010/", false},
                      AllowedCase{"OtherLoopback", "http://127.1.2.3/", true},
                      AllowedCase{"TopOfLoopback", "http://127.255.255.255/", true},
                      AllowedCase{"Localhost", "http://localhost:8080/a.exe", true},
                      AllowedCase{"LocalhostCapitals", "HTTP://LocalHost/", true},
                      AllowedCase{"Ipv6Loopback", "http://[::1]:18460/", true},
                      AllowedCase{"Ipv6LoopbackNoPort", "http://[::1]/", true},
                      // The user information does not change where the request goes.
                      AllowedCase{"UserInformationStripped", "http://evil@127.0.0.1/", true},
                      AllowedCase{"UserInformationWithColon", "http://a:b@localhost:80/", true},
                      AllowedCase{"LoopbackAsUserInformation", "http://127.0.0.1@evil.com/", false},
                      AllowedCase{"LastAtCounts", "http://a@127.0.0.1@evil.com/", false},
                      AllowedCase{"OtherHost", "http://example.invalid/", false},
                      AllowedCase{"LoopbackPrefixedName", "http://127.0.0.1.evil.com/", false},
                      AllowedCase{"LocalhostPrefixedName", "http://localhost.evil/", false},
                      AllowedCase{"PartTooLarge", "http://127.0.0.256/", false},
                      AllowedCase{"ThreeParts", "http://127.0.0/", false},
                      AllowedCase{"FiveParts", "http://127.0.0.1.1/", false},
                      AllowedCase{"EmptyPart", "http://127..0.1/", false},
                      AllowedCase{"NotLoopback", "http://128.0.0.1/", false},
                      AllowedCase{"LeadingZeroFirstPart", "http://0127.0.0.1/", false},
                      AllowedCase{"HexPart", "http://127.0.0.0x1/", false},
                      AllowedCase{"OneNumber", "http://2130706433/", false},
                      AllowedCase{"OtherIpv6", "http://[::2]/", false},
                      AllowedCase{"UnclosedBracket", "http://[::1/", false},
                      AllowedCase{"PortNotDecimal", "http://127.0.0.1:abc/", false},
                      AllowedCase{"EmptyPort", "http://127.0.0.1:/", false},
                      AllowedCase{"PortTooLarge", "http://127.0.0.1:99999/", false},
                      AllowedCase{"BackslashInAuthority", "http://127.0.0.1\\@evil.com/", false},
                      AllowedCase{"QuestionInAuthority", "http://127.0.0.1?@evil.com/", false},
                      AllowedCase{"HashInAuthority", "http://127.0.0.1#@evil.com/", false},
                      AllowedCase{"Ftp", "ftp://127.0.0.1/Velmora.exe", false},
                      AllowedCase{"FileUrl", "file:///C:/Velmora.exe", false},
                      AllowedCase{"FileWithoutSlashes", "file:C:/Velmora.exe", false},
                      AllowedCase{"OneSlash", "http:/127.0.0.1/", false},
                      AllowedCase{"NoScheme", "//127.0.0.1/", false},
                      AllowedCase{"LeadingSpace", " http://127.0.0.1/", false},
                      AllowedCase{"LongerScheme", "httpx://127.0.0.1/", false},
                      AllowedCase{"Empty", "", false}),
    [](const ::testing::TestParamInfo<AllowedCase>& info) { return std::string(info.param.name); });

struct JoinCase {
    const char* name;
    std::string folder;
    std::string fileName;
    std::string joined;
};

void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }

class JoinFolderAndNameTest : public ::testing::TestWithParam<JoinCase> {};
TEST_P(JoinFolderAndNameTest, NameDirectlyInsideTheFolder) {
    EXPECT_EQ(JoinFolderAndName(GetParam().folder, GetParam().fileName), GetParam().joined);
}
INSTANTIATE_TEST_SUITE_P(
    Folders, JoinFolderAndNameTest,
    ::testing::Values(JoinCase{"WithBackslash", "C:\\Velmora\\", "a.exe", "C:\\Velmora\\a.exe"},
                      JoinCase{"BackslashAdded", "C:\\Velmora", "a.exe", "C:\\Velmora\\a.exe"},
                      // The folder ends with a character whose trail byte is 5C, not with a "\".
                      JoinCase{"GbkTrailByteIsNoBackslash", "C:\\\x81\x5C", "a.exe",
                               "C:\\\x81\x5C\\a.exe"},
                      JoinCase{"GbkFolder", "C:\\新股\\", "新股.exe", "C:\\新股\\新股.exe"},
                      JoinCase{"EmptyFolder", "", "a.exe", "a.exe"}),
    [](const ::testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
