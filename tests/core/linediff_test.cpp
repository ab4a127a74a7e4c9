// The line diff: every script must turn the old lines into the new ones, be as short as a longest common
// subsequence allows on small inputs, and stay valid on the long repetitive stretches of real queues.

#include "core/linediff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace tamarisk::core {
namespace {

using Lines = std::vector<std::string_view>;

// Applies the script to a; fails the test when a kept line differs.
Lines apply(const std::vector<LineEdit>& script, const Lines& a, const Lines& b, std::size_t& kept) {
    Lines out;
    std::size_t i = 0;
    std::size_t j = 0;
    kept = 0;
    for (const LineEdit& edit : script) {
        for (std::size_t n = 0; n < edit.count; ++n) {
            if (edit.kind == LineEdit::Kind::Keep) {
                EXPECT_EQ(a.at(i), b.at(j));
                out.push_back(a[i++]);
                ++j;
                ++kept;
            } else if (edit.kind == LineEdit::Kind::Delete) {
                ++i;
            } else {
                out.push_back(b.at(j++));
            }
        }
    }
    EXPECT_EQ(i, a.size());
    return out;
}

std::size_t lcsLength(const Lines& a, const Lines& b) {
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;)
        for (std::size_t j = b.size(); j-- > 0;)
            t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    return t[0][0];
}

TEST(LineDiff, SmallScriptsAreValidAndMinimal) {
    const std::vector<std::string> pool = {"Info=", "StoreIn=", "Url=x", "Referer=2", ""};
    std::mt19937 random(13);
    for (int round = 0; round < 300; ++round) {
        Lines a, b;
        for (std::size_t n = random() % 12; n > 0; --n)
            a.push_back(pool[random() % pool.size()]);
        for (std::size_t n = random() % 12; n > 0; --n)
            b.push_back(pool[random() % pool.size()]);
        std::size_t kept = 0;
        EXPECT_EQ(apply(diffLines(a, b), a, b, kept), b) << round;
        EXPECT_EQ(kept, lcsLength(a, b)) << round;
    }
}

TEST(LineDiff, LongStretchesWithoutUniqueLinesStayValid) {
    // 20,000 equal entries: no line occurs once, so the referer lines added to every entry are found by the
    // greedy match, which must still keep every unchanged line.
    Lines a, b;
    for (int i = 0; i < 20000; ++i) {
        a.insert(a.end(), {"Info=", "Advanced=0", "Url=http://a.b/x"});
        b.insert(b.end(),
                 {"Info=", "Advanced=1", "Referer=2", "RefererStr=http://a.b/x", "Url=http://a.b/x"});
    }
    std::size_t kept = 0;
    const std::vector<LineEdit> script = diffLines(a, b);
    EXPECT_EQ(apply(script, a, b, kept), b);
    EXPECT_EQ(kept, 40000u);
}

TEST(LineDiff, HunksKeepThreeLinesOfContextAndMergeWhenTheyWouldTouch) {
    using K = LineEdit::Kind;
    // Changes 6 kept lines apart share a hunk; 7 apart they do not.
    const std::vector<DiffHunk> hunks = unifiedHunks({{K::Keep, 10},
                                                      {K::Delete, 1},
                                                      {K::Insert, 2},
                                                      {K::Keep, 6},
                                                      {K::Insert, 1},
                                                      {K::Keep, 7},
                                                      {K::Delete, 1},
                                                      {K::Keep, 1}},
                                                     3);
    ASSERT_EQ(hunks.size(), 2u);
    EXPECT_EQ(hunks[0].oldStart, 7u);
    EXPECT_EQ(hunks[0].oldCount, 3u + 1 + 6 + 3);
    EXPECT_EQ(hunks[0].newStart, 7u);
    EXPECT_EQ(hunks[0].newCount, 3u + 2 + 6 + 1 + 3);
    EXPECT_EQ(hunks[1].edits, (std::vector<LineEdit>{{K::Keep, 3}, {K::Delete, 1}, {K::Keep, 1}}));
    EXPECT_EQ(hunks[1].oldStart, 10u + 1 + 6 + 7 - 3);
    EXPECT_TRUE(unifiedHunks({{K::Keep, 5}}, 3).empty());
}

} // namespace
} // namespace tamarisk::core
