#pragma once

#include <stdexcept>
#include <string>

namespace tamarisk::core {

/// A file operation that failed, with the file and the system's reason in its message. Thrown inside
/// the core only; the core's public entry points turn it into a result.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tamarisk::core
