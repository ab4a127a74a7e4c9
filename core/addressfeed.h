#pragma once

#include "core/osfile.h"
#include "core/progress.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace tamarisk::core {

/// The rewritten "Url=" lines of a stretch of a queue, made by one thread as it takes the address rules'
/// turns over the stretch and handed to another thread that converts the same stretch, so that each line
/// goes through the rules once; with each, where the line lies, so that the reader's look-ahead for its
/// next "Url=" line needs no search. The reader takes the lines in the order they were put. Lines are told
/// a batch at a time and kept in chunks, which the reader hands back for the writer to fill again once
/// read: the feed holds only what the writer is ahead by. The writer may end the reader's stretch early (at
/// the place where the writer goes on converting by itself), and learns how far the reader has got.
class AddressFeed {
public:
    AddressFeed() = default;
    AddressFeed(const AddressFeed&) = delete;
    AddressFeed& operator=(const AddressFeed&) = delete;
    ~AddressFeed();

    /// Writer: the rules made result of line (line itself when they left it as it was). line lies in the
    /// bytes the reader reads too.
    void put(std::string_view line, std::string_view result) {
        const bool same = result.data() == line.data() && result.size() == line.size();
        const std::size_t size = same ? 0 : result.size();
        // Room is kept for the mark that sends the reader on to the next chunk.
        if (m_tail == nullptr || m_tail->capacity - m_tail->used < sizeof(Head) + sizeof(kNextChunk) + size)
            nextChunk(sizeof(Head) + sizeof(kNextChunk) + size);
        char* const at = m_tail->bytes.get() + m_tail->used;
        const Head head{same ? kSame : size, line.size(), line.data()};
        std::memcpy(at, &head, sizeof head);
        std::memcpy(at + sizeof head, result.data(), size);
        m_tail->used += sizeof head + size;
        if (++m_put % kBatch == 0)
            m_progress.tell(m_put);
    }
    /// Writer: the reader's stretch ends at byte offset end of the bytes both read, a line start. Told before
    /// the first line the reader would have to take to reach end is put, so that it never reads past it.
    void endReaderAt(std::size_t end) { m_readerEnd.store(end, std::memory_order_release); }
    /// Writer: the line the reader took last, told every few hundred lines; null before the first.
    const char* readerReached() const { return m_readerAt.load(std::memory_order_relaxed); }
    /// Writer: every line is put, or, after a failure, no more will be.
    void close() {
        m_progress.tell(m_put);
        m_progress.close();
    }

    /// Reader: the result of the next line, which is line; line itself when the rules left it as it was.
    /// The view stays valid until the next call. When the writer failed before the line, the line comes
    /// back as it is (the conversion is failing then).
    std::string_view next(std::string_view line) {
        const char* const at = nextRecord();
        if (at == nullptr)
            return line;
        Head head;
        std::memcpy(&head, at, sizeof head);
        if (++m_taken % kReachedEvery == 0)
            m_readerAt.store(head.line, std::memory_order_relaxed);
        if (head.length == kSame) {
            m_readAt += sizeof head;
            return line;
        }
        m_readAt += sizeof head + head.length;
        return {at + sizeof head, head.length};
    }
    /// Reader: where its stretch ends (see endReaderAt), as far as it has been told; SIZE_MAX for the end
    /// of the bytes.
    std::size_t readerEnd() const { return m_readerEnd.load(std::memory_order_acquire); }
    /// Reader: the next line not yet taken, as it was put (waiting for it to be told); none when the writer
    /// closed the feed with every line taken.
    std::optional<std::string_view> upcoming() {
        const char* const at = nextRecord();
        if (at == nullptr)
            return std::nullopt;
        Head head;
        std::memcpy(&head, at, sizeof head);
        return std::string_view(head.line, head.lineSize);
    }

private:
    // Lengths no result can have: a result is a line in memory.
    static constexpr std::size_t kSame = SIZE_MAX;          // the line as it was
    static constexpr std::size_t kNextChunk = SIZE_MAX - 1; // the next line is in the next chunk
    static constexpr std::size_t kChunk = 256 << 10;
    static constexpr std::size_t kBatch = 1024;       // lines told at once
    static constexpr std::size_t kReachedEvery = 256; // lines taken between tellings of readerReached()

    // What a line's record begins with; the result's bytes follow.
    struct Head {
        std::size_t length; // of the result, or kSame, or kNextChunk (then nothing else is there)
        std::size_t lineSize;
        const char* line;
    };

    struct Chunk {
        // The writer makes the chunk's pages at once, not a fault at a time as it fills it.
        explicit Chunk(std::size_t size) : bytes(new char[size]), capacity(size) {
            os::prepareForWriting(bytes.get(), size);
        }
        std::unique_ptr<char[]> bytes;
        std::size_t capacity;
        std::size_t used = 0;  // written by the writer alone
        Chunk* next = nullptr; // the chunk filled after this one
    };

    void nextChunk(std::size_t need);
    // Where the next line's record begins, past a mark; waits for it to be told. Null when the writer has
    // closed the feed before it.
    const char* nextRecord() {
        if (m_taken == m_ready && !waitForMore())
            return nullptr;
        const char* at = m_reading->bytes.get() + m_readAt;
        std::size_t length = 0;
        std::memcpy(&length, at, sizeof length);
        if (length == kNextChunk) {
            nextReadChunk();
            at = m_reading->bytes.get();
        }
        return at;
    }
    bool waitForMore();
    void nextReadChunk();

    std::vector<std::unique_ptr<Chunk>> m_chunks; // every chunk, owned; under m_spareMutex
    std::vector<Chunk*> m_spare;                  // chunks read, to be filled again; under m_spareMutex
    std::mutex m_spareMutex;
    Progress m_progress; // lines put and told

    // Written once by the writer, read by the reader at every line.
    alignas(64) std::atomic<std::size_t> m_readerEnd{SIZE_MAX};

    // The writer's side.
    alignas(64) Chunk* m_tail = nullptr;
    Chunk* m_first = nullptr;
    std::size_t m_put = 0;

    // The reader's side.
    alignas(64) Chunk* m_reading = nullptr;
    std::size_t m_readAt = 0;
    std::size_t m_taken = 0;
    std::size_t m_ready = 0;

    // Written by the reader now and then, read by the writer at every line: apart from what the reader
    // writes at every line.
    alignas(64) std::atomic<const char*> m_readerAt{nullptr};
};

} // namespace tamarisk::core
