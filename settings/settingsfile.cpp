#include "settings/settingsfile.h"

namespace tamarisk::settings {

LoadResult Load_IniFile(core::State&, const std::filesystem::path&, WindowEffects&) { return {true, {}}; }
SaveResult saveSettings(const core::State&, const std::filesystem::path&) { return {true, {}}; }

} // namespace tamarisk::settings
