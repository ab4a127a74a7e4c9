#pragma once

#include "ui/rounding.h"

namespace tamarisk::ui {

/// The window's design is in twips, laid out at 15 twips to a pixel (96 dots per inch) whatever the
/// screen's resolution, so that the controls keep the sizes they were designed with.
inline constexpr int kTwipsPerPixel = 15;

/// Twips of the window's design to pixels, halves to even.
inline int twipsToPixels(int twips) {
    return static_cast<int>(roundHalfEven(static_cast<double>(twips) / kTwipsPerPixel));
}

} // namespace tamarisk::ui
