#pragma once

#include "ui/skinsurface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <string>

namespace tamarisk::ui {

/// The palette colour that stands for a drawing role:
///   GrayText      -> Disabled WindowText  (grey text on the window background)
///   Highlight3D   -> Active Light         (the lit edge of a 3D frame)
///   DarkShadow3D  -> Active Shadow        (the darkest edge, black in the usual palettes)
///   ButtonShadow  -> Active Dark          (the shadowed edge, a mid grey)
///   ButtonText    -> Active ButtonText
///   HighlightText -> Active HighlightedText
QColor skinColour(const QPalette& palette, SkinColour role);

/// A surface drawn into an image that persists between repaints: what a window shows for the surface is the
/// image as last presented. Lines are set pixel by pixel, so they are exactly one pixel wide; text is
/// printed without anti-aliasing, so every text pixel has the foreground colour.
///
/// Like a picture box, the surface starts in twips (scaleWidth = pixel width x twips per pixel) until
/// usePixelScale; setUserScale gives it an arbitrary scale, as the window's text-height gauge has.
class ImageSkinSurface final : public SkinSurface {
public:
    ImageSkinSurface(const QSize& pixelSize, const QFont& font, const QPalette& palette);
    ~ImageSkinSurface() override;
    ImageSkinSurface(const ImageSkinSurface&) = delete;
    ImageSkinSurface& operator=(const ImageSkinSurface&) = delete;

    double scaleWidth() const override;
    double scaleHeight() const override;
    void usePixelScale() override;
    void clear() override;
    void present() override;
    void setForeColour(SkinColour colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void printText(double x, double y, const std::string& text) override;
    double textHeight(const std::string& text) const override;
    void setToolTip(const std::string& text) override;
    double twipsPerPixelX() const override { return m_twipsPerPixelX; }
    double twipsPerPixelY() const override { return m_twipsPerPixelY; }
    double leftInContainer() const override;
    double topInContainer() const override;
    double heightInContainer() const override;

    /// Back to the twip scale.
    void useTwipScale();
    /// A scale of width x height units over the inner area, as a picture box's ScaleWidth and ScaleHeight.
    void setUserScale(double width, double height);

    /// New pixel size: what was drawn stays at the top left, new pixels get the background.
    void resize(const QSize& pixelSize);
    /// The surface's top-left corner in its container, in pixels.
    void setPosition(const QPoint& pixels) { m_position = pixels; }
    /// Makes the surface follow a widget: its size and its position in the container (pixels) are read from
    /// the function whenever they matter, since a hidden widget hears of a new geometry only when shown.
    void followGeometry(std::function<QRect()> geometry) { m_geometry = std::move(geometry); }
    /// Defaults to 15, the twips of a pixel at 96 dots per inch.
    void setTwipsPerPixel(double x, double y);
    /// The font of printed text; anti-aliasing is turned off whatever the font asks for.
    void setFont(const QFont& font);
    /// The palette gives the colours of the roles and, by its Window colour, the background.
    void setPalette(const QPalette& palette) { m_palette = palette; }
    /// A picture drawn unscaled from the top-left corner over the background colour on every clear (a skin's
    /// piece); a null image removes it. The persistent image is cleared to the new background at once.
    void setBackgroundPicture(const QImage& picture);

    /// The persistent image.
    const QImage& image() const { return m_image; }
    const std::string& toolTip() const { return m_toolTip; }
    QColor colourOf(SkinColour role) const { return skinColour(m_palette, role); }
    QColor background() const { return m_palette.color(QPalette::Active, QPalette::Window); }

    /// Called after present, and after a change of the tool tip with the new text.
    void setPresentHandler(std::function<void()> handler) { m_onPresent = std::move(handler); }
    void setToolTipHandler(std::function<void(const std::string&)> handler) {
        m_onToolTip = std::move(handler);
    }

private:
    enum class Scale { Twips, Pixels, User };

    void setPixel(int x, int y);
    QSize pixelSize() const;
    /// Resizes the image to the followed geometry's size.
    void syncSize();

    QImage m_image;
    QFont m_font;
    QPalette m_palette;
    QImage m_backgroundPicture;
    QColor m_foreground;
    QPoint m_current;
    QPoint m_position;
    Scale m_scale = Scale::Twips;
    double m_userWidth = 0;
    double m_userHeight = 0;
    double m_twipsPerPixelX = 15;
    double m_twipsPerPixelY = 15;
    std::string m_toolTip;
    std::function<QRect()> m_geometry;
    std::function<void()> m_onPresent;
    std::function<void(const std::string&)> m_onToolTip;
};

} // namespace tamarisk::ui
