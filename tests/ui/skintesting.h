#pragma once

// Shared by the ui tests: a palette whose drawing roles have colours no other role has, image surfaces in
// the window's font, pixel queries, and a mock surface that records what the controls ask of it.

#include "ui/imagesurface.h"
#include "ui/skinsurface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QSize>

#include <gmock/gmock.h>

#include <set>
#include <string>
#include <utility>

namespace tamarisk::test {

using Pixel = std::pair<int, int>; // x, y
using PixelSet = std::set<Pixel>;

inline const QColor kBackground{255, 255, 255};
inline const QColor kGrayText{128, 0, 128};
inline const QColor kHighlight3D{255, 0, 0};
inline const QColor kDarkShadow3D{0, 0, 255};
inline const QColor kButtonShadow{0, 160, 0};
inline const QColor kButtonText{200, 100, 0};
inline const QColor kHighlightText{0, 160, 160};

inline QPalette distinctPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::Light, kHighlight3D);
    palette.setColor(QPalette::Shadow, kDarkShadow3D);
    palette.setColor(QPalette::Dark, kButtonShadow);
    palette.setColor(QPalette::ButtonText, kButtonText);
    palette.setColor(QPalette::HighlightedText, kHighlightText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, kGrayText);
    return palette;
}

inline QFont windowFont() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    return font;
}

inline QColor colourAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

/// Every pixel of the image with exactly this colour.
inline PixelSet pixelsOf(const QImage& image, const QColor& colour) {
    PixelSet pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                pixels.insert({x, y});
    return pixels;
}

/// Smallest rectangle holding every pixel of this colour; null when there is none.
inline QRect boundsOf(const QImage& image, const QColor& colour) {
    QRect bounds;
    for (const auto& [x, y] : pixelsOf(image, colour))
        bounds |= QRect(x, y, 1, 1);
    return bounds;
}

/// The pixels of a run from (x0, y) to (x1, y), both ends included.
inline PixelSet row(int y, int x0, int x1) {
    PixelSet pixels;
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        pixels.insert({x, y});
    return pixels;
}

inline PixelSet column(int x, int y0, int y1) {
    PixelSet pixels;
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
        pixels.insert({x, y});
    return pixels;
}

inline PixelSet unite(PixelSet a, const PixelSet& b) {
    a.insert(b.begin(), b.end());
    return a;
}

class MockSkinSurface : public ui::SkinSurface {
public:
    MOCK_METHOD(double, scaleHeight, (), (const, override));
    MOCK_METHOD(double, scaleWidth, (), (const, override));
    MOCK_METHOD(void, usePixelScale, (), (override));
    MOCK_METHOD(void, clear, (), (override));
    MOCK_METHOD(void, present, (), (override));
    MOCK_METHOD(void, setForeColour, (ui::SkinColour), (override));
    MOCK_METHOD(void, moveTo, (int, int), (override));
    MOCK_METHOD(void, lineTo, (int, int), (override));
    MOCK_METHOD(void, printText, (double, double, const std::string&), (override));
    MOCK_METHOD(double, textHeight, (const std::string&), (const, override));
    MOCK_METHOD(void, setToolTip, (const std::string&), (override));
    MOCK_METHOD(double, twipsPerPixelX, (), (const, override));
    MOCK_METHOD(double, twipsPerPixelY, (), (const, override));
    MOCK_METHOD(double, leftInContainer, (), (const, override));
    MOCK_METHOD(double, topInContainer, (), (const, override));
    MOCK_METHOD(double, heightInContainer, (), (const, override));
};

} // namespace tamarisk::test
