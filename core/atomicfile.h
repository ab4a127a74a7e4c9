#pragma once

#include "core/bytesink.h"
#include "core/errors.h"
#include "core/osfile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tamarisk::core {

struct WriteOptions {
    /// Permission bits the file is created with, narrowed by the umask: a converted copy takes those of
    /// the file it was made from, so that it is never readable by more people than its source.
    unsigned createMode = 0666;
    /// Permission bits set exactly once the file is created, whatever the umask: a replaced file's own.
    std::optional<unsigned> mode;
    /// Draws a name for the temporary file; called again while the name drawn belongs to a file. Without
    /// it the name is the target's with a random ".tmp" suffix.
    std::function<std::filesystem::path()> temporaryName;
    /// Flush the file to the device before it replaces the target, and the folder after: for files the user
    /// keeps (the settings, a list rewritten in place), so that not even a power cut leaves an empty file.
    bool durable = false;
};

/// Where a file that already exists is replaced: a symbolic link keeps pointing at its target, which is
/// what gets replaced, and the new file keeps the old one's permission bits. Throws IoError.
struct Replacement {
    std::filesystem::path target;
    unsigned mode = 0;
};
Replacement replacementFor(const std::filesystem::path& file);

/// A file written through a temporary file in the same folder that is renamed over target only when
/// commit() is called, so target is either the old file or the whole new one, never a part. A symbolic link
/// at target is replaced by the file, never written through (replacementFor() finds a link's target). Small
/// appends are collected in a buffer; large ones are written straight from the caller's memory. Without
/// commit() the temporary file is removed. Failures throw IoError ("cannot create/write TARGET: reason").
class AtomicOutput final : public ByteSink {
public:
    explicit AtomicOutput(std::filesystem::path target, const WriteOptions& options = {});
    ~AtomicOutput() override;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    void appendLasting(std::string_view bytes) override;
    void writeHeld() override { flush(); }
    /// Writes out and closes the temporary file, which is then complete under temporaryPath(); commit() or
    /// destruction follows.
    void close();
    const std::filesystem::path& temporaryPath() const { return m_temporary; }
    /// Puts the file in place of target. leftBehind: see os::replace; the caller removes that file.
    void commit(std::filesystem::path* leftBehind = nullptr);

private:
    void overflow(std::string_view bytes) override;
    void flush();
    /// Makes the copies not yet among the pieces the next piece.
    void takeCopies();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    os::File m_file;
    // Pieces waiting to be written in one gathered write: copies of small appends, kept in m_buffer (which
    // is never moved, so the pieces stay valid; the window is its free end), and large lasting ones where
    // they are.
    os::LargeMemory m_buffer;
    std::vector<std::string_view> m_pieces;
    std::size_t m_copiedFrom = 0; // start in m_buffer of the copies not yet in m_pieces
    std::size_t m_lastingBytes = 0;
    bool m_closed = false;
    bool m_committed = false;
    bool m_durable = false;
    bool m_replacing = false;
};

/// Writes data to target through a temporary file in the same folder that is renamed over target only
/// when it is complete, so target is either the old file or the whole new one, never a part. The
/// temporary file is removed on every failure. Throws IoError ("cannot create/write TARGET: reason").
void writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         const WriteOptions& options = {});

} // namespace tamarisk::core
