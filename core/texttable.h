#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace tamarisk::core {

/// A hash of short texts (hosts, domains, address keys), eight bytes at a time.
inline std::uint64_t textHash(std::string_view text) {
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = (text.size() + 1) * kOdd;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        hash = (std::rotl(hash, 23) ^ word) * kOdd;
    }
    // The last bytes as one word, with fixed-size loads rather than a copy of a variable length.
    if (const std::size_t rest = text.size() - i; rest > 0) {
        const char* const p = text.data();
        std::uint64_t word = 0;
        if (text.size() >= 8) {
            std::memcpy(&word, p + text.size() - 8, 8); // the word's last rest bytes are the ones left
            word = std::endian::native == std::endian::little ? word >> (8 * (8 - rest))
                                                              : word << (8 * (8 - rest));
        } else if (rest >= 4) { // a text shorter than a word: rest is all of it
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            std::memcpy(&low, p, 4);
            std::memcpy(&high, p + rest - 4, 4);
            word = low | std::uint64_t{high} << 32;
        } else {
            word = static_cast<unsigned char>(p[0]) |
                   static_cast<unsigned>(static_cast<unsigned char>(p[rest / 2])) << 8 |
                   static_cast<unsigned>(static_cast<unsigned char>(p[rest - 1])) << 16;
        }
        hash = (std::rotl(hash, 23) ^ word) * kOdd;
    }
    // The slot is taken from the low bits, which a multiplication leaves depending on the low bits of
    // the words only: every bit is mixed into them before (MurmurHash3's finalizer).
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDu;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53u;
    return hash ^ (hash >> 33);
}

/// Whether two texts are the same. Hosts, domains and keys are mostly 16 bytes or shorter, which a few
/// loads compare where a call to memcmp would cost more than the comparison.
inline bool sameText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size())
        return false;
    const char* const p = a.data();
    const char* const q = b.data();
    // The first and the last bytes as two words that overlap where the text is shorter than both.
    const auto equalWords = [p, q, n]<typename Word>(Word) {
        Word first[2];
        Word last[2];
        std::memcpy(&first[0], p, sizeof(Word));
        std::memcpy(&first[1], q, sizeof(Word));
        std::memcpy(&last[0], p + n - sizeof(Word), sizeof(Word));
        std::memcpy(&last[1], q + n - sizeof(Word), sizeof(Word));
        return ((first[0] ^ first[1]) | (last[0] ^ last[1])) == 0;
    };
    if (n > 16)
        return std::memcmp(p, q, n) == 0;
    if (n >= 8)
        return equalWords(std::uint64_t{});
    if (n >= 4)
        return equalWords(std::uint32_t{});
    // Up to three bytes: the first, the middle and the last are all of them.
    return n == 0 || (p[0] == q[0] && p[n / 2] == q[n / 2] && p[n - 1] == q[n - 1]);
}

/// A table from texts to values that is filled once and then looked up on every line of a queue: open
/// addressing over a power of two of slots, at most half of them used, so that a look-up is one hash and
/// mostly one comparison. The keys are views: their bytes must outlive the table.
template <typename Value>
class TextTable {
public:
    struct Entry {
        std::string_view key;
        Value value{};
    };

    /// The value kept for key, added as a default Value when key is new.
    Value& operator[](std::string_view key) {
        if (2 * (m_count + 1) > m_slots.size())
            grow();
        const std::uint64_t hash = textHash(key);
        Slot& slot = m_slots[place(hash, key)];
        if (!slot.used) {
            slot = Slot{hash, Entry{key, Value{}}, true};
            ++m_count;
        }
        return slot.entry.value;
    }

    /// The entry of key (its key is the table's own view), or null.
    const Entry* find(std::string_view key) const {
        if (m_count == 0)
            return nullptr;
        const std::uint64_t hash = textHash(key);
        const Slot& slot = m_slots[place(hash, key)];
        return slot.used ? &slot.entry : nullptr;
    }

    bool empty() const { return m_count == 0; }

private:
    struct Slot {
        std::uint64_t hash = 0;
        Entry entry;
        bool used = false;
    };

    // The slot that holds key, or the free slot where it would go.
    std::size_t place(std::uint64_t hash, std::string_view key) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (!slot.used || (slot.hash == hash && sameText(slot.entry.key, key)))
                return i;
        }
    }

    void grow() {
        std::vector<Slot> old(std::max<std::size_t>(16, 2 * m_slots.size()));
        std::swap(old, m_slots);
        for (Slot& slot : old) {
            if (slot.used)
                m_slots[place(slot.hash, slot.entry.key)] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};

} // namespace tamarisk::core
