#include "ui/imagesurface.h"

#include "ui/rounding.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <cstdlib>

namespace tamarisk::ui {

QColor skinColour(const QPalette& palette, SkinColour role) {
    switch (role) {
    case SkinColour::GrayText:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case SkinColour::Highlight3D:
        return palette.color(QPalette::Active, QPalette::Light);
    case SkinColour::DarkShadow3D:
        return palette.color(QPalette::Active, QPalette::Shadow);
    case SkinColour::ButtonShadow:
        return palette.color(QPalette::Active, QPalette::Dark);
    case SkinColour::ButtonText:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case SkinColour::HighlightText:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

ImageSkinSurface::ImageSkinSurface(const QSize& pixelSize, const QFont& font, const QPalette& palette)
    : m_image(pixelSize, QImage::Format_RGB32), m_palette(palette),
      m_foreground(skinColour(palette, SkinColour::ButtonText)) {
    setFont(font);
    clear();
}

ImageSkinSurface::~ImageSkinSurface() = default;

QSize ImageSkinSurface::pixelSize() const {
    return m_geometry ? m_geometry().size() : m_image.size();
}

void ImageSkinSurface::syncSize() {
    if (m_geometry)
        resize(m_geometry().size());
}

double ImageSkinSurface::scaleWidth() const {
    switch (m_scale) {
    case Scale::Twips:
        return pixelSize().width() * m_twipsPerPixelX;
    case Scale::Pixels:
        return pixelSize().width();
    case Scale::User:
        return m_userWidth;
    }
    return pixelSize().width();
}

double ImageSkinSurface::scaleHeight() const {
    switch (m_scale) {
    case Scale::Twips:
        return pixelSize().height() * m_twipsPerPixelY;
    case Scale::Pixels:
        return pixelSize().height();
    case Scale::User:
        return m_userHeight;
    }
    return pixelSize().height();
}

void ImageSkinSurface::usePixelScale() {
    m_scale = Scale::Pixels;
}

void ImageSkinSurface::useTwipScale() {
    m_scale = Scale::Twips;
}

void ImageSkinSurface::setUserScale(double width, double height) {
    m_scale = Scale::User;
    m_userWidth = width;
    m_userHeight = height;
}

void ImageSkinSurface::clear() {
    syncSize();
    m_image.fill(background());
    if (!m_backgroundPicture.isNull()) {
        QPainter painter(&m_image);
        painter.drawImage(0, 0, m_backgroundPicture);
    }
}

void ImageSkinSurface::present() {
    if (m_onPresent)
        m_onPresent();
}

void ImageSkinSurface::setForeColour(SkinColour colour) {
    m_foreground = colourOf(colour);
}

void ImageSkinSurface::moveTo(int x, int y) {
    m_current = QPoint(x, y);
}

void ImageSkinSurface::setPixel(int x, int y) {
    if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height())
        m_image.setPixel(x, y, m_foreground.rgb());
}

void ImageSkinSurface::lineTo(int x, int y) {
    syncSize();
    // Bresenham from the current position; the loop stops before the end point, which GDI's LineTo leaves
    // unpainted so that a run of lines paints each joint once.
    int px = m_current.x();
    int py = m_current.y();
    const int dx = std::abs(x - px);
    const int dy = -std::abs(y - py);
    const int stepX = px < x ? 1 : -1;
    const int stepY = py < y ? 1 : -1;
    int error = dx + dy;
    while (px != x || py != y) {
        setPixel(px, py);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            px += stepX;
        }
        if (twice <= dx) {
            error += dx;
            py += stepY;
        }
    }
    m_current = QPoint(x, y);
}

void ImageSkinSurface::printText(double x, double y, const std::string& text) {
    syncSize();
    QPainter painter(&m_image);
    painter.setFont(m_font);
    painter.setPen(m_foreground);
    const QFontMetrics metrics(m_font, &m_image);
    const int left = static_cast<int>(roundHalfEven(x));
    const int top = static_cast<int>(roundHalfEven(y));
    painter.drawText(QPoint(left, top + metrics.ascent()), QString::fromStdString(text));
}

double ImageSkinSurface::textHeight(const std::string& text) const {
    const QFontMetrics metrics(m_font, &m_image);
    return metrics.size(0, QString::fromStdString(text)).height();
}

void ImageSkinSurface::setToolTip(const std::string& text) {
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    if (m_onToolTip)
        m_onToolTip(m_toolTip);
}

double ImageSkinSurface::leftInContainer() const {
    return (m_geometry ? m_geometry().x() : m_position.x()) * m_twipsPerPixelX;
}

double ImageSkinSurface::topInContainer() const {
    return (m_geometry ? m_geometry().y() : m_position.y()) * m_twipsPerPixelY;
}

double ImageSkinSurface::heightInContainer() const {
    return pixelSize().height() * m_twipsPerPixelY;
}

void ImageSkinSurface::resize(const QSize& pixelSize) {
    if (pixelSize == m_image.size())
        return;
    QImage resized(pixelSize, QImage::Format_RGB32);
    resized.fill(background());
    {
        QPainter painter(&resized);
        if (!m_backgroundPicture.isNull())
            painter.drawImage(0, 0, m_backgroundPicture);
        painter.drawImage(0, 0, m_image);
    }
    m_image = resized;
}

void ImageSkinSurface::setTwipsPerPixel(double x, double y) {
    m_twipsPerPixelX = x;
    m_twipsPerPixelY = y;
}

void ImageSkinSurface::setFont(const QFont& font) {
    m_font = font;
    // Captions are drawn in the text colour only, as the classic bitmap fonts were, so that no blended
    // edge pixels appear over a skin.
    m_font.setStyleStrategy(QFont::NoAntialias);
}

void ImageSkinSurface::setBackgroundPicture(const QImage& picture) {
    m_backgroundPicture = picture;
    clear();
}

} // namespace tamarisk::ui
