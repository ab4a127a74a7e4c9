#include "core/serverassign.h"
#include "core/state.h"
#include "core/urlsplit.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tamarisk::core {
namespace {

using test::PrintTo;

struct Group {
    std::string domain;
    std::uint8_t type;
};

State withGroups(const std::vector<Group>& groups) {
    State state;
    for (const Group& group : groups) {
        ++state.ServerCount;
        ServerRec& server = state.Servers[static_cast<std::size_t>(state.ServerCount)];
        server.ServerName = "srv." + group.domain;
        server.ServerDomain = group.domain;
        server.SType = group.type;
    }
    return state;
}

struct CutCase {
    const char* name;
    std::vector<Group> groups;
    std::string address;
    std::string key;
    std::string lead;
};

class ServerCutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(ServerCutTest, GivesKeyAndLead) {
    const CutCase& c = GetParam();
    const State state = withGroups(c.groups);
    std::string lead = "stale";
    EXPECT_EQ(ServerCut(state, c.address, lead), c.key);
    EXPECT_EQ(lead, c.lead);
}

const std::string kWorked = "http://srv.a.b/x/123/f.zip";

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerCutTest,
    ::testing::Values(
        // The worked values: a group with the domain a.b, by its type.
        CutCase{"TypeUKeyIsWholeHost", {{"a.b", kSTypeU}}, kWorked, "srv.a.b", "http://"},
        CutCase{"TypeFKeyIsDomainAndFirstFolder", {{"a.b", kSTypeF}}, kWorked, "a.b/x", "http://srv."},
        CutCase{"TypeVKeyRunsToFirstDigitFolder", {{"a.b", kSTypeV}}, kWorked, "a.b/x/123", "http://srv."},
        CutCase{"NoTypeGivesEmptyKey", {{"a.b", kSTypeNone}}, kWorked, "", "http://srv."},
        CutCase{"UnknownTypeGivesEmptyKey", {{"a.b", 7}}, kWorked, "", "http://srv."},
        // A host without a dot takes the first group, whatever its domain, and its key is the host.
        CutCase{"HostWithoutDotTypeF", {{"a.b", kSTypeF}}, "http://host1/y", "host1", "http://"},
        CutCase{"HostWithoutDotNoType", {{"a.b", kSTypeNone}}, "http://host1/y", "host1", "http://"},
        CutCase{"HostWithoutDotTypeV", {{"c.d", kSTypeV}}, "http://host1/7/f.zip", "host1", "http://"},
        CutCase{"DotAfterHostDoesNotCount", {{"a.b", kSTypeU}}, "http://host1/f.zip", "host1", "http://"},
        // Without groups nothing matches, not even a host without a dot.
        CutCase{"NoGroupsHostWithoutDot", {}, "http://host1/y", "", "http://"},
        CutCase{"NoGroupsDottedHost", {}, kWorked, "", "http://srv."},
        CutCase{"DomainOfNoGroup", {{"a.b", kSTypeU}}, "http://srv.c.d/x/1/f.zip", "", "http://srv."},
        // The first group with the domain decides, even when a later one has another type.
        CutCase{"FirstGroupWins", {{"a.b", kSTypeF}, {"a.b", kSTypeU}}, kWorked, "a.b/x", "http://srv."},
        CutCase{"LaterGroupWhenFirstDiffers",
                {{"c.d", kSTypeU}, {"a.b", kSTypeV}},
                kWorked,
                "a.b/x/123",
                "http://srv."},
        CutCase{"FirstMatchWithoutTypeStopsTheSearch",
                {{"a.b", kSTypeNone}, {"a.b", kSTypeU}},
                kWorked,
                "",
                "http://srv."},
        // Type V walks the folders: no all-digit folder gives no key, an empty folder stops the walk.
        CutCase{"TypeVWithoutDigitFolder", {{"a.b", kSTypeV}}, "http://srv.a.b/x/y/f.zip", "", "http://srv."},
        CutCase{
            "TypeVEmptyFolderStops", {{"a.b", kSTypeV}}, "http://srv.a.b/x//f.zip", "a.b/x/", "http://srv."},
        CutCase{"TypeVFirstFolderDigits",
                {{"a.b", kSTypeV}},
                "http://srv.a.b/2024/x/f.zip",
                "a.b/2024",
                "http://srv."},
        CutCase{"TypeVDigitsAtTheEndWithoutSlash",
                {{"a.b", kSTypeV}},
                "http://srv.a.b/x/55",
                "a.b/x/55",
                "http://srv."},
        // Type F needs a second "/": a host alone gives no key.
        CutCase{"TypeFHostOnly", {{"a.b", kSTypeF}}, "http://srv.a.b/", "", "http://srv."},
        // A missing trailing "/" makes no difference.
        CutCase{"TypeFWithoutTrailingSlash", {{"a.b", kSTypeF}}, "http://srv.a.b/x", "a.b/x", "http://srv."},
        CutCase{"TypeUHostAlone", {{"a.b", kSTypeU}}, "http://srv.a.b", "srv.a.b", "http://"},
        // A host with one dot is its own domain; the key starts at the host.
        CutCase{"OneDotTypeF", {{"a.b", kSTypeF}}, "http://a.b/x/f.zip", "a.b/x", "http://"},
        CutCase{"OneDotTypeV", {{"a.b", kSTypeV}}, "http://a.b/x/7/f.zip", "a.b/x/7", "http://"},
        CutCase{"OneDotOtherDomain", {{"c.d", kSTypeF}}, "http://a.b/x/f.zip", "", "http://"},
        // Three dots: the domain is everything after the first label.
        CutCase{"ThreeDotsTypeF", {{"b.c.d", kSTypeF}}, "http://a.b.c.d/x/f", "b.c.d/x", "http://a."},
        // Without "//" the host starts at the first character and the lead is empty, unless the host has
        // two dots: then it runs to the first one.
        CutCase{"NoSchemeTwoDots", {{"a.b", kSTypeF}}, "srv.a.b/x/1/f.zip", "a.b/x", "srv."},
        CutCase{"NoSchemeNoDot", {{"a.b", kSTypeF}}, "host1/y", "host1", ""},
        // Without "//" a one-dot host leaves the first dot's position at 0, which is how the search marks
        // a host without a dot: the first group is taken and the key is the host.
        CutCase{"NoSchemeOneDot", {{"c.d", kSTypeF}}, "a.b/x/f.zip", "a.b", ""},
        // Positions count characters, not bytes: a folder of double-byte characters is one folder.
        CutCase{"DoubleByteFolder",
                {{"a.b", kSTypeF}},
                "http://srv.a.b/\x83\x65\x83\x58\x83\x67/f.zip",
                "a.b/\x83\x65\x83\x58\x83\x67",
                "http://srv."},
        CutCase{"DoubleByteFolderBeforeDigits",
                {{"a.b", kSTypeV}},
                "http://srv.a.b/\x95\x5C/12/f.zip",
                "a.b/\x95\x5C/12",
                "http://srv."}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

struct ChaiCase {
    const char* name;
    std::vector<Group> groups;
    std::vector<DefServerRec> changes;
    std::string address;
    std::string expected;
};

class UrlChaiTest : public ::testing::TestWithParam<ChaiCase> {};

TEST_P(UrlChaiTest, ReplacesLeadKeyAndOneCharacter) {
    const ChaiCase& c = GetParam();
    State state = withGroups(c.groups);
    for (const DefServerRec& change : c.changes) {
        state.DefServers[static_cast<std::size_t>(state.DefServerCount)] = change;
        state.defServerItems.push_back("item");
        ++state.DefServerCount;
    }
    EXPECT_EQ(UrlChai(state, c.address), c.expected);
    // The same address as a queue line's, cut by the marks found for the line's parts.
    const std::string line = "Url=" + c.address;
    if (const std::optional<AddressParts> parts = AddressParts::fromLine(line)) {
        AddressChanger changer(state);
        std::string out;
        EXPECT_EQ(changer.change(c.address, *parts, out) ? out : c.address, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlChaiTest,
    ::testing::Values(
        ChaiCase{"WorkedExample",
                 {{"a.b", kSTypeU}},
                 {{"srv.a.b", "http://m.c.d/pub/"}},
                 kWorked,
                 "http://m.c.d/pub/x/123/f.zip"},
        ChaiCase{"TypeFKeepsTheRestAfterTheFolder",
                 {{"a.b", kSTypeF}},
                 {{"a.b/x", "ftp://n.e/"}},
                 kWorked,
                 "ftp://n.e/123/f.zip"},
        // An address that ends right after its key, or is shorter than lead, key and one character.
        ChaiCase{"EndsAfterKeyGivesPrefix",
                 {{"a.b", kSTypeU}},
                 {{"srv.a.b", "http://m/"}},
                 "http://srv.a.b",
                 "http://m/"},
        ChaiCase{"EndsAfterKeySlashGivesPrefix",
                 {{"a.b", kSTypeU}},
                 {{"srv.a.b", "http://m/"}},
                 "http://srv.a.b/",
                 "http://m/"},
        ChaiCase{"OneCharacterAfterKeySlash",
                 {{"a.b", kSTypeU}},
                 {{"srv.a.b", "http://m/"}},
                 "http://srv.a.b/z",
                 "http://m/z"},
        // An empty key matches an entry with an empty key: the lead and one more character go.
        ChaiCase{"EmptyKeyMatchesEmptyEntry",
                 {},
                 {{"", "http://new/"}},
                 "http://host1/y/f.zip",
                 "http://new/ost1/y/f.zip"},
        // Of two groups with the host's domain, the first one's key type cuts.
        ChaiCase{"FirstGroupOfTheDomainCuts",
                 {{"c.d", kSTypeU}, {"a.b", kSTypeF}, {"a.b", kSTypeU}},
                 {{"a.b/x", "ftp://n.e/"}},
                 kWorked,
                 "ftp://n.e/123/f.zip"},
        ChaiCase{"NoMatchUnchanged", {{"a.b", kSTypeU}}, {{"other.a.b", "http://m/"}}, kWorked, kWorked},
        ChaiCase{"EmptyTableUnchanged", {{"a.b", kSTypeU}}, {}, kWorked, kWorked},
        ChaiCase{"EmptyEntryKeyDoesNotMatchAKey", {{"a.b", kSTypeU}}, {{"", "http://m/"}}, kWorked, kWorked},
        ChaiCase{"FirstMatchingEntryWins",
                 {{"a.b", kSTypeU}},
                 {{"x.c.d", "http://0/"}, {"srv.a.b", "http://1/"}, {"srv.a.b", "http://2/"}},
                 kWorked,
                 "http://1/x/123/f.zip"},
        // The rest of the address is counted in characters and kept byte for byte.
        ChaiCase{"DoubleByteRestKept",
                 {{"a.b", kSTypeU}},
                 {{"srv.a.b", "http://m/"}},
                 "http://srv.a.b/\x83\x65\x83\x58\x83\x67/\x95\x5C.zip",
                 "http://m/\x83\x65\x83\x58\x83\x67/\x95\x5C.zip"},
        // Hosts and paths past the first 32 bytes: the host's end beyond them, a path long enough that
        // all marks lie within them, and a second dot only after the host.
        ChaiCase{"LongHostTypeF",
                 {{"mirror.example.jp", kSTypeF}},
                 {{"mirror.example.jp/files", "http://m/"}},
                 "http://download-server-01.mirror.example.jp/files/x/f.zip",
                 "http://m/x/f.zip"},
        ChaiCase{"LongPathTypeV",
                 {{"a.b", kSTypeV}},
                 {{"a.b/folder-with-a-long-name/2", "http://v/"}},
                 "http://s1.a.b/folder-with-a-long-name/2/f.zip",
                 "http://v/f.zip"},
        ChaiCase{"SecondDotAfterTheHost",
                 {{"one.dot", kSTypeU}},
                 {{"one.dot", "http://u/"}},
                 "http://one.dot/a-long-folder-name-here/x.y/f.zip",
                 "http://u/a-long-folder-name-here/x.y/f.zip"}),
    [](const ::testing::TestParamInfo<ChaiCase>& info) { return std::string(info.param.name); });

TEST(UrlChaiTest, EntriesBeyondTheCountAreNotUsed) {
    State state = withGroups({{"a.b", kSTypeU}});
    state.DefServers[0] = {"x.c.d", "http://0/"};
    state.DefServers[1] = {"srv.a.b", "http://1/"}; // left over from a line whose key was empty
    state.DefServerCount = 1;
    state.defServerItems = {"http://x.c.d/"};
    EXPECT_EQ(UrlChai(state, kWorked), kWorked);
}

} // namespace
} // namespace tamarisk::core
