#pragma once

#include <filesystem>
#include <vector>

namespace tamarisk::app {

/// Hands files to the window listening on the Unix-domain socket at socketPath ("open" lines and
/// "convert"; see ui/instanceserver.h) and waits for its answer. True when the window took them; false
/// when no window listens there, or it did not answer in time. Relative paths are made absolute first.
bool handFilesToWindow(const std::filesystem::path& socketPath,
                       const std::vector<std::filesystem::path>& files);

} // namespace tamarisk::app
