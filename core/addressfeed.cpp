#include "core/addressfeed.h"

#include <algorithm>

namespace tamarisk::core {

AddressFeed::~AddressFeed() = default;

void AddressFeed::nextChunk(std::size_t need) {
    Chunk* chunk = nullptr;
    {
        const std::lock_guard lock(m_spareMutex);
        if (!m_spare.empty() && m_spare.back()->capacity >= need) {
            chunk = m_spare.back();
            m_spare.pop_back();
        } else {
            m_chunks.push_back(std::make_unique<Chunk>(std::max(need, kChunk)));
            chunk = m_chunks.back().get();
        }
    }
    chunk->used = 0;
    chunk->next = nullptr;
    // The reader follows the mark and the link only to lines told after they are made.
    if (m_tail == nullptr) {
        m_first = chunk;
    } else {
        std::memcpy(m_tail->bytes.get() + m_tail->used, &kNextChunk, sizeof kNextChunk);
        m_tail->next = chunk;
    }
    m_tail = chunk;
}

bool AddressFeed::waitForMore() {
    m_ready = m_progress.waitFor(m_taken + 1);
    if (m_ready <= m_taken)
        return false;
    if (m_reading == nullptr) {
        m_reading = m_first;
        m_readAt = 0;
    }
    return true;
}

void AddressFeed::nextReadChunk() {
    Chunk* const read = m_reading;
    m_reading = read->next;
    m_readAt = 0;
    const std::lock_guard lock(m_spareMutex);
    m_spare.push_back(read);
}

} // namespace tamarisk::core
