#include "core/atomicfile.h"

#include "core/errors.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace tamarisk::core {

namespace {

constexpr std::size_t kBufferSize = 256 << 10;
constexpr std::size_t kLastingPiece = 4096;
constexpr std::size_t kMaxPieces = 1024;

std::string failure(std::string_view what, const std::filesystem::path& path, const std::error_code& error) {
    return std::string(what) + " " + os::pathText(path) + ": " + error.message();
}

// Creates the temporary file exclusively, so it never takes the name of an existing file. It is created
// with the narrower of the bits asked for, so no moment exists in which a file readable by more people
// holds the data.
os::File openUnique(const std::filesystem::path& target, const WriteOptions& options,
                    std::filesystem::path& name) {
    std::random_device entropy;
    const unsigned bits = (options.mode ? *options.mode & options.createMode : options.createMode) & 0666;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (options.temporaryName) {
            name = options.temporaryName();
        } else {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".tmp%08X", static_cast<unsigned>(entropy()));
            name = target;
            name += suffix;
        }
        os::File file;
        const std::error_code error = os::createNew(name, bits, file);
        if (!error)
            return file;
        if (error != std::errc::file_exists)
            throw IoError(failure("cannot create", target, error));
    }
    throw IoError("cannot create " + os::pathText(target) + ": no free temporary name beside it");
}

} // namespace

AtomicOutput::AtomicOutput(std::filesystem::path target, const WriteOptions& options)
    : m_target(std::move(target)), m_file(openUnique(m_target, options, m_temporary)),
      m_durable(options.durable), m_replacing(options.mode.has_value()) {
    if (options.mode) {
        if (const std::error_code error = os::setMode(m_file, *options.mode)) {
            m_file.close();
            os::removeFile(m_temporary);
            throw IoError(failure("cannot create", m_target, error));
        }
    }
    m_buffer.reset(os::allocateLarge(kBufferSize));
    os::prepareForWriting(m_buffer.get(), kBufferSize);
    m_next = m_buffer.get();
    m_end = m_buffer.get() + kBufferSize;
}

AtomicOutput::~AtomicOutput() {
    if (!m_committed) {
        m_file.close();
        os::removeFile(m_temporary);
    }
}

void AtomicOutput::overflow(std::string_view bytes) {
    flush();
    if (bytes.size() >= kBufferSize) {
        m_pieces.push_back(bytes);
        flush();
        return;
    }
    m_next = std::copy(bytes.begin(), bytes.end(), m_next);
}

void AtomicOutput::appendLasting(std::string_view bytes) {
    // Short runs are cheaper copied than written as pieces of their own.
    if (bytes.size() < kLastingPiece) {
        append(bytes);
        return;
    }
    takeCopies();
    m_pieces.push_back(bytes);
    m_lastingBytes += bytes.size();
    if (m_pieces.size() >= kMaxPieces || m_lastingBytes >= kBufferSize)
        flush();
}

void AtomicOutput::takeCopies() {
    const auto used = static_cast<std::size_t>(m_next - m_buffer.get());
    if (m_copiedFrom < used)
        m_pieces.emplace_back(m_buffer.get() + m_copiedFrom, used - m_copiedFrom);
    m_copiedFrom = used;
}

void AtomicOutput::flush() {
    takeCopies();
    if (const std::error_code error = os::writePieces(m_file, m_pieces.data(), m_pieces.size()))
        throw IoError(failure("cannot write", m_target, error));
    m_pieces.clear();
    m_next = m_buffer.get();
    m_copiedFrom = 0;
    m_lastingBytes = 0;
}

void AtomicOutput::close() {
    if (m_closed)
        return;
    flush();
    if (m_durable) {
        if (const std::error_code error = os::flushToDevice(m_file))
            throw IoError(failure("cannot write", m_target, error));
    }
    if (const std::error_code error = m_file.close())
        throw IoError(failure("cannot write", m_target, error));
    m_closed = true;
}

void AtomicOutput::commit(std::filesystem::path* leftBehind) {
    close();
    if (const std::error_code error = os::replace(m_temporary, m_target, m_replacing, m_durable, leftBehind))
        throw IoError(failure("cannot create", m_target, error));
    m_committed = true;
}

Replacement replacementFor(const std::filesystem::path& file) {
    std::error_code error;
    Replacement replacement{file, 0666};
    if (std::filesystem::is_symlink(file, error)) {
        replacement.target = std::filesystem::canonical(file, error);
        if (error)
            throw IoError(failure("cannot replace", file, error));
    }
    os::FileStatus status;
    if (const std::error_code statusError = os::status(replacement.target, status))
        throw IoError(failure("cannot replace", file, statusError));
    replacement.mode = status.mode;
    return replacement;
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         const WriteOptions& options) {
    AtomicOutput out(target, options);
    out.append(data);
    out.commit();
}

} // namespace tamarisk::core
