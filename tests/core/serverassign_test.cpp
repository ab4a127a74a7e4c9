// Moving addresses to other servers: the Webjump address forms and the server-group step (numbered
// hosts, fixed numbers, address lists, Tripod's 7a hosts), run line by line through the conversion.

#include "core/domains.h"
#include "core/driver.h"
#include "core/serverassign.h"
#include "core/state.h"
#include "core/texttable.h"
#include "support/conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace tamarisk::core {
namespace {

using test::convertLines;
using test::PrintTo;

std::string convertLine(State& state, const std::string& line) {
    return convertLines(state, {line}).at(0);
}

std::vector<std::string> repeated(const std::string& line, int count) {
    return std::vector<std::string>(static_cast<std::size_t>(count), line);
}

// A server group as the settings file makes it from a SERVER line.
ServerRec& addGroup(State& state, const std::string& name) {
    ServerRec& group = state.Servers[static_cast<std::size_t>(++state.ServerCount)];
    group.ServerName = name;
    const std::size_t dot1 = name.find('.');
    const std::size_t dot2 = dot1 == std::string::npos ? dot1 : name.find('.', dot1 + 1);
    if (dot2 == std::string::npos) {
        group.ServerDomain = name;
    } else {
        group.ServerHead = name.substr(0, dot1);
        group.ServerDomain = name.substr(dot1 + 1);
    }
    return group;
}

void addNumbers(ServerRec& group, std::initializer_list<int> numbers) {
    for (int n : numbers)
        group.SNumber[static_cast<std::size_t>(++group.SNumberCount)] = static_cast<std::int16_t>(n);
}

void addAddress(ServerRec& group, const std::string& address, bool enabled = true) {
    group.IPList[0] = {"Members", -1};
    group.IPList[static_cast<std::size_t>(++group.IPCount)] = {address,
                                                               static_cast<std::int16_t>(enabled ? -1 : 0)};
    if (enabled)
        ++group.IPUseCount;
}

void membersOff(ServerRec& group) {
    group.IPList[0].IPUse = 0;
}

State serverChangeState(AssignMode mode) {
    State state;
    state.options.OptCheckBoxes[kOptServerChange] = 1;
    state.options.Option_OptMC = mode == AssignMode::Random ? 0 : mode == AssignMode::InOrder ? 1 : 2;
    return state;
}

const char* modeName(AssignMode mode) {
    switch (mode) {
    case AssignMode::Random:
        return "Random";
    case AssignMode::InOrder:
        return "InOrder";
    case AssignMode::Stop:
        return "Stop";
    }
    return "?";
}

const auto kAllModes = ::testing::Values(AssignMode::Random, AssignMode::InOrder, AssignMode::Stop);
const auto kModeName = [](const auto& info) { return std::string(modeName(info.param)); };

// ---------------------------------------------------------------------------------------------------
// Webjump forms

struct WebjumpCase {
    const char* name;
    std::string number;
    std::string address;
    std::string expected;
};

class WebjumpForms : public ::testing::TestWithParam<WebjumpCase> {};

TEST_P(WebjumpForms, TurnHostingServiceAddressesIntoFreehostingForms) {
    State state;
    state.options.OptCheckBoxes[kOptWebjump] = 1;
    state.options.Text_Webjump = GetParam().number;
    EXPECT_EQ(convertLine(state, "Url=http://" + GetParam().address), "Url=http://" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WebjumpForms,
    ::testing::Values(
        WebjumpCase{"UserHost", "21", "abc.webjump.com/p/f.zip",
                    "freehosting21.at.webjump.com/ab/abc-webjump/p/f.zip"},
        WebjumpCase{"NumberedServer", "21", "freehosting7.at.webjump.com/p",
                    "freehosting21.at.webjump.com/p"},
        WebjumpCase{"TwoLabelUser", "21", "ab.cd.webjump.com/p", "freehosting21.at.webjump.com/ab/ab-cd/p"},
        // An address of 32 bytes or more, whose host is cut by another search than a short one's.
        WebjumpCase{"TwoLabelUserLongPath", "21", "ab.cd.webjump.com/a-long-folder/f.zip",
                    "freehosting21.at.webjump.com/ab/ab-cd/a-long-folder/f.zip"},
        WebjumpCase{"EmptyNumber", "", "x.webjump.com/p", "freehosting.at.webjump.com/x/x-webjump/p"},
        WebjumpCase{"EmptyPath", "3", "abc.webjump.com/", "freehosting3.at.webjump.com/ab/abc-webjump/"},
        // Another server name is not the configured one: its host reads as a two-label user.
        WebjumpCase{"OtherServerName", "21", "freehosting3.zz.webjump.com/p",
                    "freehosting21.at.webjump.com/fr/freehosting3-zz/p"},
        // The first two characters of the user name, not its first two bytes (表示 is four bytes).
        WebjumpCase{"JapaneseUser", "21", "\x95\x5c\x8e\xa6x.webjump.com/p",
                    "freehosting21.at.webjump.com/\x95\x5c\x8e\xa6/\x95\x5c\x8e\xa6x-webjump/p"},
        WebjumpCase{"TheBareDomain", "21", "webjump.com/p", "webjump.com/p"},
        WebjumpCase{"ThreeLabelUser", "21", "a.b.c.webjump.com/p", "a.b.c.webjump.com/p"},
        WebjumpCase{"OtherService", "21", "www.example.com/p", "www.example.com/p"},
        WebjumpCase{"LookAlikeDomain", "21", "abc.notwebjump.com/p", "abc.notwebjump.com/p"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WebjumpFormsOption, TheConfiguredServerNameIsUsed) {
    State state;
    state.options.OptCheckBoxes[kOptWebjump] = 1;
    state.options.Text_Webjump = "4";
    state.options.Text_WebjumpName = "srv";
    EXPECT_EQ(
        convertLines(state, {"Url=http://abc.webjump.com/p", "Url=http://freehosting9.srv.webjump.com/q",
                             "Url=http://freehosting9.at.webjump.com/q"}),
        (std::vector<std::string>{"Url=http://freehosting4.srv.webjump.com/ab/abc-webjump/p",
                                  "Url=http://freehosting4.srv.webjump.com/q",
                                  "Url=http://freehosting4.srv.webjump.com/fr/freehosting9-at/q"}));
}

TEST(WebjumpFormsOption, ConvertingTwiceWithAnotherNumberChangesOnlyTheNumber) {
    State state;
    state.options.OptCheckBoxes[kOptWebjump] = 1;
    state.options.Text_Webjump = "3";
    const std::string once = convertLine(state, "Url=http://abc.webjump.com/p/f.zip");
    ASSERT_EQ(once, "Url=http://freehosting3.at.webjump.com/ab/abc-webjump/p/f.zip");
    state.options.Text_Webjump = "5";
    EXPECT_EQ(convertLine(state, once), "Url=http://freehosting5.at.webjump.com/ab/abc-webjump/p/f.zip");
}

TEST(WebjumpFormsOption, OffLeavesWebjumpAddressesAlone) {
    State state;
    state.options.OptCheckBoxes[kOptServerChange] = 1;
    state.options.Text_Webjump = "21";
    EXPECT_EQ(convertLine(state, "Url=http://abc.webjump.com/p"), "Url=http://abc.webjump.com/p");
}

TEST(WebjumpFormsOption, AWebjumpFormKeepsTheAddressFromTheServerGroups) {
    State state = serverChangeState(AssignMode::InOrder);
    state.options.OptCheckBoxes[kOptWebjump] = 1;
    state.options.Text_Webjump = "21";
    addNumbers(addGroup(state, "abc.webjump.com"), {8});
    addNumbers(addGroup(state, "srv.a.b"), {8});
    EXPECT_EQ(convertLines(state, {"Url=http://abc.webjump.com/p", "Url=http://srv3.a.b/p"}),
              (std::vector<std::string>{"Url=http://freehosting21.at.webjump.com/ab/abc-webjump/p",
                                        "Url=http://srv8.a.b/p"}));
}

// ---------------------------------------------------------------------------------------------------
// Which addresses belong to a group

struct MatchCase {
    const char* name;
    std::string address;
    std::string expected;
};

class GroupMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(GroupMatch, AGroupTakesAddressesWithItsDomainAndHeadLabel) {
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {7});
    EXPECT_EQ(convertLine(state, "Url=" + GetParam().address), "Url=" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, GroupMatch,
    ::testing::Values(MatchCase{"NumberedHost", "http://srv3.a.b/x/f.zip", "http://srv7.a.b/x/f.zip"},
                      MatchCase{"PlainHost", "http://srv.a.b/f.zip", "http://srv7.a.b/f.zip"},
                      MatchCase{"AnyLabelStartingWithTheHead", "http://srvx.a.b/f", "http://srv7.a.b/f"},
                      MatchCase{"OtherScheme", "ftp://srv3.a.b/f", "ftp://srv7.a.b/f"},
                      MatchCase{"OtherHeadLabel", "http://www.a.b/f.zip", "http://www.a.b/f.zip"},
                      MatchCase{"OtherDomain", "http://srv3.a.c/f.zip", "http://srv3.a.c/f.zip"},
                      MatchCase{"DeeperDomain", "http://srv3.x.a.b/f.zip", "http://srv3.x.a.b/f.zip"},
                      MatchCase{"CaseDiffers", "http://SRV3.a.b/f.zip", "http://SRV3.a.b/f.zip"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GroupMatchOrder, ALaterGroupThatAlsoMatchesDecides) {
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {3});
    addNumbers(addGroup(state, "srv.a.b"), {4});
    EXPECT_EQ(convertLine(state, "Url=http://srv1.a.b/f"), "Url=http://srv4.a.b/f");
}

// ---------------------------------------------------------------------------------------------------
// Numbered rules

TEST(InOrder, RunsThroughTheNumbersAgainAndAgain) {
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {3, 5, 9});
    EXPECT_EQ(
        convertLines(state, repeated("Url=http://srv1.a.b/f", 7)),
        (std::vector<std::string>{"Url=http://srv3.a.b/f", "Url=http://srv5.a.b/f", "Url=http://srv9.a.b/f",
                                  "Url=http://srv3.a.b/f", "Url=http://srv5.a.b/f", "Url=http://srv9.a.b/f",
                                  "Url=http://srv3.a.b/f"}));
}

TEST(InOrder, EveryConvertedFileStartsAgainAtTheFirstNumber) {
    test::TempDir dir;
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {3, 5, 9});
    const std::string queue =
        test::crlf({"Info=", "Url=http://srv1.a.b/f", "Info=", "Url=http://srv1.a.b/g"});
    test::writeFile(dir / "one.wrg", queue);
    test::writeFile(dir / "two.wrg", queue);
    ConversionHooks hooks;
    ASSERT_EQ(Chenge_Wrg(state, dir / "one.wrg", hooks).outcome, Outcome::Converted);
    ASSERT_EQ(Chenge_Wrg(state, dir / "two.wrg", hooks).outcome, Outcome::Converted);
    const std::string expected =
        test::crlf({"Info=", "Url=http://srv3.a.b/f", "Info=", "Url=http://srv5.a.b/g"});
    EXPECT_EQ(test::readFile(dir / "one.wr2"), expected);
    EXPECT_EQ(test::readFile(dir / "two.wr2"), expected);
}

TEST(InOrder, EachGroupHasItsOwnCursor) {
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {1, 2, 3});
    addNumbers(addGroup(state, "dl.c.d"), {7, 8});
    EXPECT_EQ(
        convertLines(state, {"Url=http://srv.a.b/f", "Url=http://dl.c.d/f", "Url=http://srv.a.b/f",
                             "Url=http://info.c.d/f", "Url=http://srv.a.b/f", "Url=http://dl.c.d/f"}),
        (std::vector<std::string>{"Url=http://srv1.a.b/f", "Url=http://dl7.c.d/f", "Url=http://srv2.a.b/f",
                                  "Url=http://info.c.d/f", "Url=http://srv3.a.b/f", "Url=http://dl8.c.d/f"}));
}

TEST(InOrder, NumbersThenEnabledAddressesWithTheMembersSwitchOn) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5});
    addAddress(group, "m1.example.org");
    addAddress(group, "off.example.org", false);
    addAddress(group, "m2.example.org");
    EXPECT_EQ(convertLines(state, repeated("Url=http://srv1.a.b/d/f.zip", 5)),
              (std::vector<std::string>{"Url=http://srv3.a.b/d/f.zip", "Url=http://srv5.a.b/d/f.zip",
                                        "Url=http://m1.example.org/d/f.zip",
                                        "Url=http://m2.example.org/d/f.zip", "Url=http://srv3.a.b/d/f.zip"}));
}

class EmptyGroup : public ::testing::TestWithParam<AssignMode> {};

TEST_P(EmptyGroup, TakesTheNumberOffTheHostInEveryMode) {
    State state = serverChangeState(GetParam());
    ServerRec& group = addGroup(state, "srv.a.b");
    addAddress(group, "off.example.org", false);
    EXPECT_EQ(convertLines(state, {"Url=http://srv12.a.b/x/f.zip", "Url=http://srv.a.b/y"}),
              (std::vector<std::string>{"Url=http://srv.a.b/x/f.zip", "Url=http://srv.a.b/y"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, EmptyGroup, kAllModes, kModeName);

class FixedNumber : public ::testing::TestWithParam<AssignMode> {};

TEST_P(FixedNumber, IsWrittenOnEveryLineEvenWhenTheGroupDoesNotListIt) {
    State state = serverChangeState(GetParam());
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5, 9});
    group.SKimeuchi = 4;
    EXPECT_EQ(convertLines(state, repeated("Url=http://srv3.a.b/f", 4)),
              repeated("Url=http://srv4.a.b/f", 4));
}

TEST_P(FixedNumber, StillGivesANumberedHostWithTheMembersSwitchOff) {
    State state = serverChangeState(GetParam());
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3});
    addAddress(group, "m1.example.org");
    membersOff(group);
    group.SKimeuchi = 12;
    EXPECT_EQ(convertLines(state, repeated("Url=http://srv3.a.b/f", 3)),
              repeated("Url=http://srv12.a.b/f", 3));
}

INSTANTIATE_TEST_SUITE_P(Modes, FixedNumber, kAllModes, kModeName);

TEST(StopMode, GivesThePlainHeadLabel) {
    State state = serverChangeState(AssignMode::Stop);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5});
    addAddress(group, "m1.example.org");
    // A fixed number needs numbers to apply: a group with only an address list takes none.
    ServerRec& fixed = addGroup(state, "srv.c.d");
    addAddress(fixed, "m.example.net");
    fixed.SKimeuchi = 4;
    EXPECT_EQ(
        convertLines(state, {"Url=http://srv3.a.b/f", "Url=http://srv5.a.b/g", "Url=http://srv7.c.d/h"}),
        (std::vector<std::string>{"Url=http://srv.a.b/f", "Url=http://srv.a.b/g", "Url=http://srv.c.d/h"}));
}

class MembersOff : public ::testing::TestWithParam<AssignMode> {};

TEST_P(MembersOff, OnlyEnabledAddressesAreChosen) {
    State state = serverChangeState(GetParam());
    state.random.seed(7);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5, 9});
    addAddress(group, "m1.example.org");
    addAddress(group, "off.example.org", false);
    addAddress(group, "m2.example.org");
    membersOff(group);
    std::set<std::string> seen;
    for (const std::string& line : convertLines(state, repeated("Url=http://srv3.a.b/d/f.zip", 200)))
        seen.insert(line);
    EXPECT_EQ(seen, (std::set<std::string>{"Url=http://m1.example.org/d/f.zip",
                                           "Url=http://m2.example.org/d/f.zip"}));
}

INSTANTIATE_TEST_SUITE_P(ChoosingModes, MembersOff,
                         ::testing::Values(AssignMode::Random, AssignMode::InOrder), kModeName);

TEST(MembersOffInOrder, AlternatesBetweenTheEnabledAddresses) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5, 9});
    addAddress(group, "m1.example.org");
    addAddress(group, "m2.example.org");
    membersOff(group);
    EXPECT_EQ(convertLines(state, repeated("Url=http://srv3.a.b/f", 5)),
              (std::vector<std::string>{"Url=http://m1.example.org/f", "Url=http://m2.example.org/f",
                                        "Url=http://m1.example.org/f", "Url=http://m2.example.org/f",
                                        "Url=http://m1.example.org/f"}));
}

TEST(RandomMode, ChoosesOnlyAllowedHostsAndMoreThanOneOfThem) {
    State state = serverChangeState(AssignMode::Random);
    state.random.seed(12345);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3, 5, 9});
    addAddress(group, "m1.example.org");
    addAddress(group, "off.example.org", false);
    std::map<std::string, int> counts;
    for (const std::string& line : convertLines(state, repeated("Url=http://srv1.a.b/f", 400)))
        ++counts[line];
    const std::set<std::string> allowed = {"Url=http://srv3.a.b/f", "Url=http://srv5.a.b/f",
                                           "Url=http://srv9.a.b/f", "Url=http://m1.example.org/f"};
    for (const auto& [line, count] : counts)
        EXPECT_TRUE(allowed.contains(line)) << line;
    // 400 uniform draws over four hosts: every one of them turns up.
    EXPECT_EQ(counts.size(), 4u);
}

TEST(RandomMode, TheSameSeedGivesTheSameFile) {
    const auto run = [](std::uint32_t seed) {
        State state = serverChangeState(AssignMode::Random);
        state.random.seed(seed);
        ServerRec& group = addGroup(state, "srv.a.b");
        addNumbers(group, {1, 2, 3, 4, 5, 6, 7, 8});
        addAddress(group, "m1.example.org");
        return convertLines(state, repeated("Url=http://srv1.a.b/f", 50));
    };
    const std::vector<std::string> first = run(99);
    EXPECT_EQ(run(99), first);
    EXPECT_GT(std::set<std::string>(first.begin(), first.end()).size(), 1u);
}

// ---------------------------------------------------------------------------------------------------
// Address match

struct AddressMatchCase {
    AssignMode mode;
    std::string firstHost;
    std::string secondHost;
};
void PrintTo(const AddressMatchCase& c, std::ostream* os) {
    *os << modeName(c.mode);
}

class AddressMatch : public ::testing::TestWithParam<AddressMatchCase> {};

TEST_P(AddressMatch, AnAddressOfAGroupIsAssignedLikeTheGroupsOwnHosts) {
    State state = serverChangeState(GetParam().mode);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3});
    addAddress(group, "mirror.example.org");
    addAddress(group, "old.example.org", false); // disabled addresses still identify the group
    EXPECT_EQ(
        convertLines(state, {"Url=http://old.example.org/d/f.zip", "Url=http://mirror.example.org/d/g.zip"}),
        (std::vector<std::string>{"Url=http://" + GetParam().firstHost + "/d/f.zip",
                                  "Url=http://" + GetParam().secondHost + "/d/g.zip"}));
}

// Stop mode gives the group's own host name; in order runs over number 3 and then the one enabled address.
INSTANTIATE_TEST_SUITE_P(Modes, AddressMatch,
                         ::testing::Values(AddressMatchCase{AssignMode::Stop, "srv.a.b", "srv.a.b"},
                                           AddressMatchCase{AssignMode::InOrder, "srv3.a.b",
                                                            "mirror.example.org"}),
                         [](const auto& info) { return std::string(modeName(info.param.mode)); });

TEST(AddressMatchOrder, LaterGroupsSeeTheAddressAsTheGroupsHost) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& first = addGroup(state, "srv.a.b");
    addNumbers(first, {3});
    addAddress(first, "mirror.example.org");
    addNumbers(addGroup(state, "srv.a.b"), {4});
    EXPECT_EQ(convertLine(state, "Url=http://mirror.example.org/f"), "Url=http://srv4.a.b/f");
}

TEST(AddressMatchOrder, AnAddressNotOfTheGroupStaysAlone) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "srv.a.b");
    addNumbers(group, {3});
    addAddress(group, "mirror.example.org");
    EXPECT_EQ(convertLine(state, "Url=http://mirror2.example.org/f"), "Url=http://mirror2.example.org/f");
}

// ---------------------------------------------------------------------------------------------------
// Tripod's 7a hosts

State tripodState(AssignMode mode) {
    State state = serverChangeState(mode);
    state.options.Check_Members7Tripod = 1;
    return state;
}

const std::string kTripodLine = "Url=http://members.tripod.com/~user/f.zip";

std::string tripodHost(const std::string& label) {
    return "Url=http://" + label + ".tripod.com/~user/f.zip";
}
std::string addressHost(const std::string& host) {
    return "Url=http://" + host + "/~user/f.zip";
}

TEST(SevenA, InOrderRunsThroughTheTagsThenTheAddressesThenWraps) {
    State state = tripodState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addNumbers(group, {1, 2});
    addAddress(group, "a1.example.com");
    addAddress(group, "a2.example.com");
    EXPECT_EQ(convertLines(state, repeated(kTripodLine, 10)),
              (std::vector<std::string>{tripodHost("members7a-1"), tripodHost("members7a-2"),
                                        tripodHost("members7a-3"), tripodHost("members7a-4"),
                                        tripodHost("members7a-5"), addressHost("a1.example.com"),
                                        addressHost("a2.example.com"), tripodHost("members7a"),
                                        tripodHost("members7a-1"), tripodHost("members7a-2")}));
}

TEST(SevenA, OffMeansTheNumberedRules) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addNumbers(group, {4});
    EXPECT_EQ(convertLine(state, kTripodLine), tripodHost("members4"));
}

TEST(SevenA, OnlyTheTripodDomainHasTagHosts) {
    State state = tripodState(AssignMode::InOrder);
    addNumbers(addGroup(state, "members.example.com"), {4});
    EXPECT_EQ(convertLine(state, "Url=http://members.example.com/f"), "Url=http://members4.example.com/f");
}

TEST(SevenA, StopModeGivesThePlainHeadLabel) {
    State state = tripodState(AssignMode::Stop);
    addAddress(addGroup(state, "members.tripod.com"), "a1.example.com");
    EXPECT_EQ(convertLine(state, "Url=http://members7a-3.tripod.com/~user/f.zip"), tripodHost("members"));
}

struct SevenAFixedCase {
    const char* name;
    int fixed;
    std::string expected;
};

class SevenAFixed : public ::testing::TestWithParam<SevenAFixedCase> {};

TEST_P(SevenAFixed, AFixedNumberPicksATagOrAnAddress) {
    State state = tripodState(AssignMode::Random);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addAddress(group, "a1.example.com");
    addAddress(group, "a2.example.com");
    group.SKimeuchi = static_cast<std::int16_t>(GetParam().fixed);
    EXPECT_EQ(convertLines(state, repeated(kTripodLine, 3)), repeated(GetParam().expected, 3));
}

INSTANTIATE_TEST_SUITE_P(Numbers, SevenAFixed,
                         ::testing::Values(SevenAFixedCase{"Tag3", 3, tripodHost("members7a-3")},
                                           SevenAFixedCase{"Tag5", 5, tripodHost("members7a-5")},
                                           SevenAFixedCase{"FirstAddress", 6, addressHost("a1.example.com")},
                                           SevenAFixedCase{"SecondAddress", 7, addressHost("a2.example.com")},
                                           SevenAFixedCase{"Negative", -1, tripodHost("members")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SevenA, WIsKeptFromOneGroupToTheNextOfALine) {
    State state = tripodState(AssignMode::InOrder);
    ServerRec& first = addGroup(state, "members.tripod.com");
    addAddress(first, "a1.example.com");
    addAddress(first, "a2.example.com");
    first.SKimeuchi = 7; // W = 7: the second address
    ServerRec& second = addGroup(state, "members.tripod.com");
    second.SKimeuchi = 3; // W above 5 from the first group: W = 0, the plain 7a host
    EXPECT_EQ(convertLines(state, repeated(kTripodLine, 2)), repeated(tripodHost("members7a"), 2));
}

class SevenAMembersOff : public ::testing::TestWithParam<AssignMode> {};

TEST_P(SevenAMembersOff, OnlyEnabledAddressesAreChosen) {
    State state = tripodState(GetParam());
    state.random.seed(3);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addAddress(group, "a1.example.com");
    addAddress(group, "off.example.com", false);
    addAddress(group, "a2.example.com");
    membersOff(group);
    std::set<std::string> seen;
    for (const std::string& line : convertLines(state, repeated(kTripodLine, 200)))
        seen.insert(line);
    EXPECT_EQ(seen, (std::set<std::string>{addressHost("a1.example.com"), addressHost("a2.example.com")}));
}

INSTANTIATE_TEST_SUITE_P(ChoosingModes, SevenAMembersOff,
                         ::testing::Values(AssignMode::Random, AssignMode::InOrder), kModeName);

TEST(SevenARandom, ChoosesOnlyTagsAndEnabledAddressesAndAllOfThem) {
    State state = tripodState(AssignMode::Random);
    state.random.seed(2024);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addAddress(group, "a1.example.com");
    addAddress(group, "off.example.com", false);
    std::set<std::string> seen;
    for (const std::string& line : convertLines(state, repeated(kTripodLine, 500)))
        seen.insert(line);
    EXPECT_EQ(seen, (std::set<std::string>{tripodHost("members7a"), tripodHost("members7a-1"),
                                           tripodHost("members7a-2"), tripodHost("members7a-3"),
                                           tripodHost("members7a-4"), tripodHost("members7a-5"),
                                           addressHost("a1.example.com")}));
}

// ---------------------------------------------------------------------------------------------------
// An address of a rank that the list does not have

TEST(MissingRank, StopModeOnATripodGroupWithTheMembersSwitchOffLeavesTheLine) {
    State state = tripodState(AssignMode::Stop);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addAddress(group, "a1.example.com");
    membersOff(group);
    group.IPList[2] = {"stale.example.com", -1}; // left over after the last entry
    EXPECT_EQ(convertLine(state, kTripodLine), kTripodLine);
}

TEST(MissingRank, AFixedNumberAboveTheAddressCountLeavesTheLine) {
    State state = tripodState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "members.tripod.com");
    addAddress(group, "a1.example.com");
    addAddress(group, "a2.example.com");
    membersOff(group);
    group.SKimeuchi = 4;
    group.IPList[3] = {"stale.example.com", -1};
    EXPECT_EQ(convertLine(state, kTripodLine), kTripodLine);
}

TEST(MissingRank, FlagsThatDisagreeWithTheCountNeverReachPastTheList) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "srv.a.b");
    addAddress(group, "m1.example.org");
    membersOff(group);
    group.IPUseCount = 3;                        // counted three, one enabled
    group.IPList[2] = {"stale.example.org", -1}; // after the last entry
    EXPECT_EQ(convertLines(state, repeated("Url=http://srv3.a.b/f", 4)),
              (std::vector<std::string>{"Url=http://m1.example.org/f", "Url=http://srv3.a.b/f",
                                        "Url=http://srv3.a.b/f", "Url=http://m1.example.org/f"}));
}

TEST(MissingRank, AFullListIsNotReadPastItsEnd) {
    State state = serverChangeState(AssignMode::InOrder);
    ServerRec& group = addGroup(state, "srv.a.b");
    for (int i = 1; i <= kMaxAddresses; ++i)
        addAddress(group, "m" + std::to_string(i) + ".example.org", false);
    membersOff(group);
    group.IPUseCount = 1;
    EXPECT_EQ(convertLine(state, "Url=http://srv3.a.b/f"), "Url=http://srv3.a.b/f");
}

TEST(MissingRank, TheGroupKeepsWhatAnEarlierGroupWrote) {
    State state = serverChangeState(AssignMode::InOrder);
    addNumbers(addGroup(state, "srv.a.b"), {3});
    ServerRec& broken = addGroup(state, "srv.a.b");
    addAddress(broken, "m1.example.org", false);
    membersOff(broken);
    broken.IPUseCount = 1;
    EXPECT_EQ(convertLine(state, "Url=http://srv1.a.b/f"), "Url=http://srv3.a.b/f");
}

// The table the groups and the address changes are looked up in: texts of every length up to past three
// hash words, many sharing their first bytes, added through several growths.
TEST(TextTable, FindsEveryKeyAddedAndNoOther) {
    std::vector<std::string> keys;
    for (int i = 0; i < 600; ++i)
        keys.push_back(std::string(static_cast<std::size_t>(i % 27), 'a') + std::to_string(i));
    TextTable<int> table;
    EXPECT_EQ(table.find("a1"), nullptr);
    for (std::size_t i = 0; i < keys.size(); ++i)
        table[keys[i]] = static_cast<int>(i);
    table[keys[5]] += 1000; // an existing key keeps its entry
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto* entry = table.find(keys[i]);
        ASSERT_NE(entry, nullptr) << keys[i];
        EXPECT_EQ(entry->value, static_cast<int>(i) + (i == 5 ? 1000 : 0)) << keys[i];
        EXPECT_EQ(entry->key.data(), keys[i].data());
        EXPECT_EQ(table.find(keys[i] + "x"), nullptr);
        EXPECT_EQ(table.find(keys[i].substr(0, keys[i].size() - 1)) == nullptr,
                  std::find(keys.begin(), keys.end(), keys[i].substr(0, keys[i].size() - 1)) == keys.end());
    }
}

// The comparison of the table's keys and the groups' domains: a text differs from its copy with any one
// byte changed, at every length where it compares otherwise (by bytes, by two words of 4 or 8, by call).
TEST(TextTable, TextsDifferAtEveryByte) {
    for (std::size_t n = 0; n <= 20; ++n) {
        const std::string text = std::string("abcdefghijklmnopqrstu").substr(0, n);
        const std::string copy = text;
        EXPECT_TRUE(sameText(text, copy)) << n;
        EXPECT_FALSE(sameText(text, copy + "v")) << n;
        for (std::size_t i = 0; i < n; ++i) {
            std::string other = text;
            other[i] = '\x95';
            EXPECT_FALSE(sameText(text, other)) << n << " " << i;
        }
    }
}

} // namespace
} // namespace tamarisk::core
