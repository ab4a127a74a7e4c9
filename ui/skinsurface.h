#pragma once

#include <string>

namespace tamarisk::ui {

/// The colours the skinned controls draw with. They are roles, not colours: a surface maps each to a colour
/// of its palette (see skinColour in imagesurface.h for the mapping of the image surface).
enum class SkinColour {
    GrayText,      ///< caption of a disabled item
    Highlight3D,   ///< lit edge of a sunken frame
    DarkShadow3D,  ///< darkest edge of a frame
    ButtonShadow,  ///< shadowed edge of a raised frame
    ButtonText,    ///< caption of a plain or raised item
    HighlightText, ///< caption of a sunken item
};

/// Anything with a scale whose height can be read: the skinned controls take their caption height from it.
class ScaleGauge {
public:
    virtual ~ScaleGauge() = default;
    /// Height of the inner area in the current scale units.
    virtual double scaleHeight() const = 0;
};

/// A gauge that reports a fixed height, for callers that already know the text height.
class FixedScaleGauge final : public ScaleGauge {
public:
    explicit FixedScaleGauge(double height) : m_height(height) {}
    double scaleHeight() const override { return m_height; }

private:
    double m_height;
};

/// The drawing surface of a group of skinned controls. Drawing goes to a persistent image: clear starts a
/// new one, present makes it what the surface shows. Drawing coordinates are always pixels of the surface,
/// whatever its scale; lines and text share one foreground colour.
class SkinSurface : public ScaleGauge {
public:
    /// Width of the inner area in the current scale units.
    virtual double scaleWidth() const = 0;
    /// Switches the scale to pixels: from now on scaleWidth and scaleHeight give the inner size in pixels.
    virtual void usePixelScale() = 0;

    /// Returns the persistent image to the background colour and the background picture.
    virtual void clear() = 0;
    /// The persistent image drawn since clear becomes what the surface shows.
    virtual void present() = 0;

    /// Colour of the lines and the text drawn from now on.
    virtual void setForeColour(SkinColour colour) = 0;
    /// Sets the current position without drawing.
    virtual void moveTo(int x, int y) = 0;
    /// Draws a one-pixel line from the current position to (x, y), which becomes the current position. As
    /// with GDI's LineTo, the end point itself is not painted.
    virtual void lineTo(int x, int y) = 0;
    /// Prints one line of UTF-8 text in the surface's font with the top-left corner of its text cell at
    /// (x, y), each rounded to the nearest pixel (halves to even). The current position is not changed.
    virtual void printText(double x, double y, const std::string& text) = 0;
    /// Height in pixels of a line holding the UTF-8 text in the surface's font.
    virtual double textHeight(const std::string& text) const = 0;

    /// Tool tip (UTF-8) shown while the pointer rests on the surface.
    virtual void setToolTip(const std::string& text) = 0;

    /// Twips per screen pixel, horizontally and vertically.
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
    /// The surface's outer left, top and height in its container, in twips.
    virtual double leftInContainer() const = 0;
    virtual double topInContainer() const = 0;
    virtual double heightInContainer() const = 0;
};

} // namespace tamarisk::ui
