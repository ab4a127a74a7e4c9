#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tamarisk::app {

/// Where a command-line run reads and writes; tests supply string streams.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
};

/// Runs the program for the given arguments (without the program name) and returns the exit status:
/// 0 when every file was done, 1 when any failed, 2 for a usage error. programPath locates the default
/// settings file.
int runCommandLine(const std::string& programPath, const std::vector<std::string>& args, Console console);

} // namespace tamarisk::app
