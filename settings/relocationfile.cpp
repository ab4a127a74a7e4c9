#include "settings/relocationfile.h"

namespace tamarisk::settings {

RelocationResult loadRelocationFile(core::State&, const std::filesystem::path&) { return {true, 0, 0, {}}; }

} // namespace tamarisk::settings
