#pragma once

#include "core/state.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tamarisk::settings {

/// What loading the settings does to a window, when there is one. Without a window nothing happens, and
/// the values stay in the state (the window position, the skin name) so that nothing is lost.
class WindowEffects {
public:
    virtual ~WindowEffects() = default;
    /// Option panel k (0..4) is shown when its toggle is not 0, hidden when it is 0.
    virtual void showPanel(int k, bool shown) {
        (void)k;
        (void)shown;
    }
    /// A saved window position (twips) from one WLEFT or W_TOP line; the other value is empty. The loader
    /// passes only values of 0 or more; the window applies one only when it keeps the window on the screen.
    virtual void moveWindow(std::optional<std::int32_t> left, std::optional<std::int32_t> top) {
        (void)left;
        (void)top;
    }
    /// The SKI picture, ".bmp" already appended to a name without a dot.
    virtual void applySkin(const std::string& pictureFile) { (void)pictureFile; }
};

struct LoadResult {
    bool loaded = false; // false: the file could not be read; nothing was loaded
    std::string error;   // the file and the reason when it could not be read
};

/// Load_IniFile: creates an empty file (and its folder) when there is none, then applies every
/// "KEY:value" line to the state. When the file cannot be read, nothing is loaded and the server-change
/// toggle becomes 2 (disabled).
LoadResult Load_IniFile(core::State& state, const std::filesystem::path& file, WindowEffects& window);

struct SaveResult {
    bool saved = false;
    std::string error; // the file and the reason when it was not written
};

/// Form_Unload's writer: the regenerated option lines (twelve, and the window position's two when
/// state.WindowShown is 1), then every other line of the old file in its order, with each SKIMEUCHI line
/// rewritten with its group's current number. Nothing is written when the old file cannot be read. The
/// file is replaced atomically and keeps its permission bits; a symbolic link is followed, not replaced.
SaveResult saveSettings(const core::State& state, const std::filesystem::path& file);

} // namespace tamarisk::settings
