#include "core/linediff.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

namespace tamarisk::core {

namespace {

using Lines = std::vector<std::string_view>;

// Lines [a0, a1) of the old text against lines [b0, b1) of the new one.
struct Region {
    std::size_t a0;
    std::size_t a1;
    std::size_t b0;
    std::size_t b1;
};

std::vector<std::size_t> hashesOf(const Lines& lines) {
    std::vector<std::size_t> out;
    out.reserve(lines.size());
    const std::hash<std::string_view> hash;
    for (const std::string_view line : lines)
        out.push_back(hash(line));
    return out;
}

// Marks the lines of the old text that are deleted and of the new text that are inserted; every other
// line is kept and pairs with the unmarked line of the other text at the same rank.
class Differ {
public:
    Differ(const Lines& a, const Lines& b)
        : m_a(a), m_b(b), m_ha(hashesOf(a)), m_hb(hashesOf(b)), m_deleted(a.size(), false),
          m_inserted(b.size(), false) {}

    std::vector<LineEdit> run() {
        std::vector<Region> pending{{0, m_a.size(), 0, m_b.size()}};
        while (!pending.empty()) {
            Region region = pending.back();
            pending.pop_back();
            solve(region, pending);
        }
        return script();
    }

private:
    bool equal(std::size_t i, std::size_t j) const { return m_ha[i] == m_hb[j] && m_a[i] == m_b[j]; }

    void markChanged(const Region& r) {
        std::fill(m_deleted.begin() + static_cast<std::ptrdiff_t>(r.a0),
                  m_deleted.begin() + static_cast<std::ptrdiff_t>(r.a1), true);
        std::fill(m_inserted.begin() + static_cast<std::ptrdiff_t>(r.b0),
                  m_inserted.begin() + static_cast<std::ptrdiff_t>(r.b1), true);
    }

    void solve(Region r, std::vector<Region>& pending) {
        while (r.a0 < r.a1 && r.b0 < r.b1 && equal(r.a0, r.b0)) {
            ++r.a0;
            ++r.b0;
        }
        while (r.a0 < r.a1 && r.b0 < r.b1 && equal(r.a1 - 1, r.b1 - 1)) {
            --r.a1;
            --r.b1;
        }
        if (r.a0 == r.a1 || r.b0 == r.b1) {
            markChanged(r);
            return;
        }
        // A small region gets a shortest script outright; a large one is first cut at its unique lines.
        const std::size_t size = (r.a1 - r.a0) + (r.b1 - r.b0);
        if (size <= kExactSize && myers(r, size))
            return;
        if (anchor(r, pending))
            return;
        // Myers costs about (n + m) x D steps; a region too large for that is matched greedily.
        const std::size_t maxD = std::min<std::size_t>({size, kMaxMyersD, kMyersBudget / size});
        if (maxD == 0 || !myers(r, maxD))
            greedy(r);
    }

    // Patience step: the lines that occur once in each side of the region and are in the same order on
    // both sides are kept, and the stretches between them are regions of their own.
    bool anchor(const Region& r, std::vector<Region>& pending) {
        struct Slot {
            std::uint32_t countA = 0;
            std::uint32_t countB = 0;
            std::size_t posA = 0;
        };
        std::unordered_map<std::size_t, Slot> slots;
        slots.reserve(r.a1 - r.a0);
        for (std::size_t i = r.a0; i < r.a1; ++i) {
            Slot& slot = slots[m_ha[i]];
            ++slot.countA;
            slot.posA = i;
        }
        for (std::size_t j = r.b0; j < r.b1; ++j) {
            const auto found = slots.find(m_hb[j]);
            if (found != slots.end())
                ++found->second.countB;
        }
        // Pairs (old line, new line) in the order of the new text.
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (std::size_t j = r.b0; j < r.b1; ++j) {
            const auto found = slots.find(m_hb[j]);
            if (found != slots.end() && found->second.countA == 1 && found->second.countB == 1 &&
                equal(found->second.posA, j))
                pairs.emplace_back(found->second.posA, j);
        }
        if (pairs.empty())
            return false;
        // The longest run of pairs whose old lines are in order too (patience sorting).
        std::vector<std::size_t> tails;
        std::vector<std::size_t> previous(pairs.size(), SIZE_MAX);
        for (std::size_t p = 0; p < pairs.size(); ++p) {
            const auto at =
                std::lower_bound(tails.begin(), tails.end(), pairs[p].first,
                                 [&](std::size_t t, std::size_t a) { return pairs[t].first < a; });
            if (at != tails.begin())
                previous[p] = *(at - 1);
            if (at == tails.end())
                tails.push_back(p);
            else
                *at = p;
        }
        std::vector<std::size_t> chain;
        for (std::size_t p = tails.back(); p != SIZE_MAX; p = previous[p])
            chain.push_back(p);
        std::size_t a = r.a0;
        std::size_t b = r.b0;
        for (auto p = chain.rbegin(); p != chain.rend(); ++p) {
            const auto [x, y] = pairs[*p];
            pending.push_back({a, x, b, y});
            a = x + 1;
            b = y + 1;
        }
        pending.push_back({a, r.a1, b, r.b1});
        return true;
    }

    // Myers' greedy shortest edit script with at most maxD edits; false when it needs more.
    bool myers(const Region& r, std::size_t maxD) {
        const auto n = static_cast<std::ptrdiff_t>(r.a1 - r.a0);
        const auto m = static_cast<std::ptrdiff_t>(r.b1 - r.b0);
        const auto limit = static_cast<std::ptrdiff_t>(maxD);
        // v[k + limit + 1]: the furthest x on diagonal k; trace keeps v's diagonals -d..d after each round d.
        std::vector<std::ptrdiff_t> v(static_cast<std::size_t>(2 * limit + 3), 0);
        const auto V = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
            return v[static_cast<std::size_t>(k + limit + 1)];
        };
        std::vector<std::ptrdiff_t> trace;
        std::vector<std::size_t> roundStart;
        for (std::ptrdiff_t d = 0; d <= limit; ++d) {
            for (std::ptrdiff_t k = -d; k <= d; k += 2) {
                std::ptrdiff_t x = (k == -d || (k != d && V(k - 1) < V(k + 1))) ? V(k + 1) : V(k - 1) + 1;
                std::ptrdiff_t y = x - k;
                while (x < n && y < m &&
                       equal(r.a0 + static_cast<std::size_t>(x), r.b0 + static_cast<std::size_t>(y))) {
                    ++x;
                    ++y;
                }
                V(k) = x;
                if (x >= n && y >= m) {
                    roundStart.push_back(trace.size());
                    for (std::ptrdiff_t j = -d; j <= d; ++j)
                        trace.push_back(V(j));
                    backtrack(r, d, trace, roundStart);
                    return true;
                }
            }
            roundStart.push_back(trace.size());
            for (std::ptrdiff_t j = -d; j <= d; ++j)
                trace.push_back(V(j));
        }
        return false;
    }

    void backtrack(const Region& r, std::ptrdiff_t D, const std::vector<std::ptrdiff_t>& trace,
                   const std::vector<std::size_t>& roundStart) {
        std::ptrdiff_t x = static_cast<std::ptrdiff_t>(r.a1 - r.a0);
        std::ptrdiff_t y = static_cast<std::ptrdiff_t>(r.b1 - r.b0);
        for (std::ptrdiff_t d = D; d > 0; --d) {
            const auto before = [&](std::ptrdiff_t k) {
                return trace[roundStart[static_cast<std::size_t>(d - 1)] +
                             static_cast<std::size_t>(k + d - 1)];
            };
            const std::ptrdiff_t k = x - y;
            const bool down = k == -d || (k != d && before(k - 1) < before(k + 1));
            const std::ptrdiff_t previousK = down ? k + 1 : k - 1;
            const std::ptrdiff_t previousX = before(previousK);
            const std::ptrdiff_t previousY = previousX - previousK;
            // The step into round d went down (a line of the new text) or right (a line of the old one).
            if (down)
                m_inserted[r.b0 + static_cast<std::size_t>(previousY)] = true;
            else
                m_deleted[r.a0 + static_cast<std::size_t>(previousX)] = true;
            x = previousX;
            y = previousY;
        }
    }

    // For a long stretch without a line unique to both sides: equal lines are kept, and at a difference
    // the nearest pair of equal lines (followed by another equal pair) ends the change.
    void greedy(const Region& r) {
        std::size_t i = r.a0;
        std::size_t j = r.b0;
        const auto synced = [&](std::size_t x, std::size_t y) {
            return x < r.a1 && y < r.b1 && equal(x, y) &&
                   (x + 1 == r.a1 || y + 1 == r.b1 || equal(x + 1, y + 1));
        };
        while (i < r.a1 && j < r.b1) {
            if (equal(i, j)) {
                ++i;
                ++j;
                continue;
            }
            bool found = false;
            for (std::size_t step = 1; step <= kGreedyReach && !found; ++step) {
                for (std::size_t skipA = 0; skipA <= step && !found; ++skipA) {
                    const std::size_t skipB = step - skipA;
                    if (synced(i + skipA, j + skipB)) {
                        markChanged({i, i + skipA, j, j + skipB});
                        i += skipA;
                        j += skipB;
                        found = true;
                    }
                }
            }
            if (!found) {
                markChanged({i, i + 1, j, j + 1});
                ++i;
                ++j;
            }
        }
        markChanged({i, r.a1, j, r.b1});
    }

    std::vector<LineEdit> script() const {
        std::vector<LineEdit> out;
        const auto add = [&out](LineEdit::Kind kind, std::size_t count) {
            if (count == 0)
                return;
            if (!out.empty() && out.back().kind == kind)
                out.back().count += count;
            else
                out.push_back({kind, count});
        };
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < m_a.size() || j < m_b.size()) {
            std::size_t kept = 0;
            while (i < m_a.size() && j < m_b.size() && !m_deleted[i] && !m_inserted[j]) {
                ++i;
                ++j;
                ++kept;
            }
            add(LineEdit::Kind::Keep, kept);
            std::size_t deleted = 0;
            while (i < m_a.size() && (m_deleted[i] || j == m_b.size())) {
                ++i;
                ++deleted;
            }
            add(LineEdit::Kind::Delete, deleted);
            std::size_t inserted = 0;
            while (j < m_b.size() && (m_inserted[j] || i == m_a.size())) {
                ++j;
                ++inserted;
            }
            add(LineEdit::Kind::Insert, inserted);
        }
        return out;
    }

    static constexpr std::size_t kExactSize = 1000;
    static constexpr std::size_t kMaxMyersD = 1000;
    static constexpr std::size_t kMyersBudget = 20'000'000;
    static constexpr std::size_t kGreedyReach = 32;

    const Lines& m_a;
    const Lines& m_b;
    std::vector<std::size_t> m_ha;
    std::vector<std::size_t> m_hb;
    std::vector<bool> m_deleted;
    std::vector<bool> m_inserted;
};

} // namespace

std::vector<LineEdit> diffLines(const Lines& oldLines, const Lines& newLines) {
    return Differ(oldLines, newLines).run();
}

std::vector<DiffHunk> unifiedHunks(const std::vector<LineEdit>& script, std::size_t context) {
    std::vector<DiffHunk> hunks;
    std::optional<DiffHunk> open;
    std::size_t oldPos = 0;
    std::size_t newPos = 0;
    const auto close = [&] {
        for (const LineEdit& edit : open->edits) {
            if (edit.kind != LineEdit::Kind::Insert)
                open->oldCount += edit.count;
            if (edit.kind != LineEdit::Kind::Delete)
                open->newCount += edit.count;
        }
        hunks.push_back(std::move(*open));
        open.reset();
    };
    for (std::size_t e = 0; e < script.size(); ++e) {
        const LineEdit& edit = script[e];
        if (edit.kind == LineEdit::Kind::Keep) {
            const bool last = e + 1 == script.size();
            if (open && edit.count <= 2 * context && !last) {
                open->edits.push_back(edit);
            } else if (open) {
                open->edits.push_back({LineEdit::Kind::Keep, std::min(edit.count, context)});
                close();
            }
        } else if (!open) {
            const bool keptBefore = e > 0 && script[e - 1].kind == LineEdit::Kind::Keep;
            const std::size_t lead = keptBefore ? std::min(script[e - 1].count, context) : 0;
            open = DiffHunk{oldPos - lead, 0, newPos - lead, 0, {}};
            if (lead > 0)
                open->edits.push_back({LineEdit::Kind::Keep, lead});
            open->edits.push_back(edit);
        } else {
            open->edits.push_back(edit);
        }
        if (edit.kind != LineEdit::Kind::Insert)
            oldPos += edit.count;
        if (edit.kind != LineEdit::Kind::Delete)
            newPos += edit.count;
    }
    if (open)
        close();
    return hunks;
}

} // namespace tamarisk::core
