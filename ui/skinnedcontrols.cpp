#include "ui/skinnedcontrols.h"

#include "ui/rounding.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tamarisk::ui {

namespace {

constexpr std::int32_t kMaxCount = std::numeric_limits<std::int16_t>::max();

bool fitsInt16(double value) {
    return value >= std::numeric_limits<std::int16_t>::min() &&
           value <= std::numeric_limits<std::int16_t>::max();
}

std::int16_t toInt16(std::int32_t value, const char* what) {
    if (!fitsInt16(value))
        throw OverflowError(std::string(what) + " does not fit 16 bits: " + std::to_string(value));
    return static_cast<std::int16_t>(value);
}

std::int16_t roundToInt16(double value, const char* what) {
    const double rounded = roundHalfEven(value);
    if (!fitsInt16(rounded))
        throw OverflowError(std::string(what) + " does not fit 16 bits");
    return static_cast<std::int16_t>(rounded);
}

} // namespace

namespace detail {

void SkinnedGroup::Picture(SkinSurface& ctlNewPicture, const ScaleGauge& ctlTextHeight) {
    // Start the drawing position at the origin; the drawing itself never relies on it, since every frame
    // begins with a move and every caption gives its own position.
    ctlNewPicture.moveTo(0, 0);
    // The surface switches to pixels before the gauge is read: a surface that is its own gauge thus gives
    // its inner height in pixels.
    ctlNewPicture.usePixelScale();
    const double height = roundHalfEven(ctlTextHeight.scaleHeight());
    if (!(height >= std::numeric_limits<std::int32_t>::min() &&
          height <= std::numeric_limits<std::int32_t>::max()))
        throw OverflowError("caption height does not fit 32 bits");
    m_surface = &ctlNewPicture;
    m_captionHeight = static_cast<std::int32_t>(height);
}

std::int16_t SkinnedGroup::ClientLeft() const {
    if (m_surface == nullptr)
        throw ControlError("the group has no surface");
    return roundToInt16(m_surface->twipsPerPixelX() + m_surface->leftInContainer(), "ClientLeft");
}

std::int16_t SkinnedGroup::ClientTop() const {
    if (m_surface == nullptr)
        throw ControlError("the group has no surface");
    const double textHeight = m_surface->textHeight("|");
    return roundToInt16((textHeight + 9) * m_surface->twipsPerPixelY() + m_surface->topInContainer(),
                        "ClientTop");
}

std::int16_t SkinnedGroup::ClientWidth() const {
    if (m_surface == nullptr)
        throw ControlError("the group has no surface");
    return roundToInt16((m_surface->scaleWidth() - 3) * m_surface->twipsPerPixelX(), "ClientWidth");
}

std::int16_t SkinnedGroup::ClientHeight() const {
    if (m_surface == nullptr)
        throw ControlError("the group has no surface");
    const double textHeight = m_surface->textHeight("|");
    return roundToInt16(m_surface->heightInContainer() - (textHeight + 11) * m_surface->twipsPerPixelY(),
                        "ClientHeight");
}

void SkinnedGroup::addItem(const std::string& caption, std::int32_t top, std::int32_t left,
                           std::int32_t height, std::int32_t width, std::int16_t value, std::int16_t enabled,
                           const std::string& toolTip) {
    if (m_count >= kMaxCount)
        throw OverflowError("a group holds at most 32767 items");
    SkinItem item;
    item.ItemCaption = caption;
    item.ItemTop = toInt16(top, "item top");
    item.ItemLeft = toInt16(left, "item left");
    item.ItemHeight = toInt16(height, "item height");
    item.ItemWidth = toInt16(width, "item width");
    item.ItemValue = value;
    item.ItemEnabled = enabled;
    item.ItemToolTip = toolTip;
    m_items.push_back(std::move(item));
    ++m_count;
    RedrawItems();
}

SkinItem& SkinnedGroup::itemAt(std::int16_t index) {
    if (index < 0 || index >= m_count)
        throw IndexError("item index out of range: " + std::to_string(index));
    return m_items[static_cast<std::size_t>(index)];
}

const SkinItem& SkinnedGroup::itemAt(std::int16_t index) const {
    if (index < 0 || index >= m_count)
        throw IndexError("item index out of range: " + std::to_string(index));
    return m_items[static_cast<std::size_t>(index)];
}

bool SkinnedGroup::contains(const SkinItem& item, float x, float y) {
    // Sums in 32 bits: an item near the 16-bit limit is tested without overflow.
    const std::int32_t left = item.ItemLeft;
    const std::int32_t top = item.ItemTop;
    return left <= x && x <= left + item.ItemWidth && top <= y && y <= top + item.ItemHeight;
}

std::int16_t SkinnedGroup::firstItemAt(float x, float y, std::int16_t skip) const {
    for (std::int16_t i = 0; i < m_count; ++i) {
        if (i != skip && contains(m_items[static_cast<std::size_t>(i)], x, y))
            return i;
    }
    return -1;
}

void SkinnedGroup::RedrawItems() {
    if (m_surface == nullptr)
        return;
    m_surface->clear();
    if (m_hoverIndex >= 0 && m_hoverIndex < m_count)
        m_surface->setToolTip(m_items[static_cast<std::size_t>(m_hoverIndex)].ItemToolTip);
    for (std::int16_t i = 0; i < m_count; ++i)
        drawItem(m_items[static_cast<std::size_t>(i)], lookOf(i));
    m_surface->present();
}

void SkinnedGroup::drawItem(const SkinItem& item, Look look) {
    SkinSurface& surface = *m_surface;
    const int l = item.ItemLeft;
    const int t = item.ItemTop;
    const int w = item.ItemWidth;
    const int h = item.ItemHeight;
    int captionX = l + 8;
    switch (look) {
    case Look::Disabled:
        surface.setForeColour(SkinColour::GrayText);
        break;
    case Look::Sunken:
        surface.setForeColour(SkinColour::Highlight3D);
        surface.moveTo(l + 1, t + h - 1);
        surface.lineTo(l + w, t + h - 1);
        surface.lineTo(l + w, t + 1);
        surface.setForeColour(SkinColour::DarkShadow3D);
        surface.moveTo(l + w, t);
        surface.lineTo(l, t);
        surface.lineTo(l, t + h);
        surface.setForeColour(SkinColour::HighlightText);
        captionX = l + 9; // the caption moves with the pressed frame
        break;
    case Look::Raised:
        surface.setForeColour(SkinColour::DarkShadow3D);
        surface.moveTo(l, t + h);
        surface.lineTo(l + w, t + h);
        surface.lineTo(l + w, t);
        surface.setForeColour(SkinColour::ButtonShadow);
        surface.moveTo(l + w, t);
        surface.lineTo(l, t);
        surface.lineTo(l, t + h);
        surface.setForeColour(SkinColour::ButtonText);
        break;
    case Look::Plain:
        surface.setForeColour(SkinColour::ButtonText);
        break;
    }
    const double captionY = t + (static_cast<double>(h) - m_captionHeight) / 2;
    surface.printText(captionX, captionY, item.ItemCaption);
}

} // namespace detail

void Class_CheckBox::Add(const std::string& strCaption, std::int32_t cbTop, std::int32_t cbLeft,
                         std::int32_t cbHeight, std::int32_t cbWidth, std::int16_t cbValue,
                         const std::string& cbToolTipText) {
    addItem(strCaption, cbTop, cbLeft, cbHeight, cbWidth, cbValue, 0, cbToolTipText);
}

void Class_CheckBox::MouseDown(std::int16_t Button, std::int16_t /*Shift*/, float X, float Y) {
    if (Button != 1)
        return;
    // Every toggle under the point flips, not only the first. Values other than 0, 1 and 2 flip to
    // |value - 1| as well; only the disabled value 2 ignores clicks. The new values are checked first so
    // that an overflow leaves every toggle as it was.
    std::vector<std::int16_t> flipped(static_cast<std::size_t>(Count()));
    for (std::int16_t i = 0; i < Count(); ++i) {
        const SkinItem& item = itemAt(i);
        const std::int16_t value = valueOf(i);
        flipped[static_cast<std::size_t>(i)] = value;
        if (value != 2 && contains(item, X, Y))
            flipped[static_cast<std::size_t>(i)] = toInt16(std::abs(value - 1), "toggle value");
    }
    for (std::int16_t i = 0; i < Count(); ++i)
        CBValueSet(i, flipped[static_cast<std::size_t>(i)]);
    RedrawItems();
}

void Class_CheckBox::MouseMove(std::int16_t /*Button*/, std::int16_t /*Shift*/, float X, float Y) {
    if (X == -1)
        m_hoverIndex = -1;
    const std::int16_t hit = firstItemAt(X, Y);
    if (hit >= 0) {
        if (hit == m_hoverIndex)
            return;
        m_hoverIndex = hit;
    }
    // Off every toggle the hover index stays as it is (-1 once the pointer has left).
    RedrawItems();
}

std::int16_t Class_CheckBox::CBValue(std::int16_t Index) const {
    return valueOf(Index);
}

void Class_CheckBox::CBValueSet(std::int16_t Index, std::int16_t SValue) {
    SkinItem& item = itemAt(Index);
    const auto i = static_cast<std::size_t>(Index);
    if (i < m_values.size())
        m_values[i] = SValue;
    else
        item.ItemValue = SValue;
}

std::int16_t Class_CheckBox::valueOf(std::int16_t index) const {
    const SkinItem& item = itemAt(index);
    const auto i = static_cast<std::size_t>(index);
    if (i >= m_values.size())
        return item.ItemValue;
    return static_cast<std::int16_t>(std::clamp<int>(m_values[i], INT16_MIN, INT16_MAX));
}

Class_CheckBox::Look Class_CheckBox::lookOf(std::int16_t index) const {
    const std::int16_t value = valueOf(index);
    if (value == 2)
        return Look::Disabled;
    if (value == 1)
        return Look::Sunken;
    if (index == m_hoverIndex)
        return Look::Raised;
    return Look::Plain;
}

void Class_Button::Add(const std::string& strCaption, std::int32_t cbTop, std::int32_t cbLeft,
                       std::int32_t cbHeight, std::int32_t cbWidth, const std::string& cbToolTipText) {
    addItem(strCaption, cbTop, cbLeft, cbHeight, cbWidth, 0, -1, cbToolTipText);
}

void Class_Button::MouseMove(std::int16_t Button, std::int16_t /*Shift*/, float X, float Y) {
    if (X == -1)
        m_hoverIndex = -1;
    if (Button == 1)
        m_pressed = true;
    // A button that is already hovered is passed over, so with overlapping buttons the next one under the
    // point takes the hover; off every button the hover index stays as it is.
    const std::int16_t hit = firstItemAt(X, Y, m_hoverIndex);
    if (hit >= 0)
        m_hoverIndex = hit;
    struct ReleaseAfterDrawing {
        bool& pressed;
        ~ReleaseAfterDrawing() { pressed = false; }
    } release{m_pressed};
    RedrawItems();
}

void Class_Button::CBEnabledSet(std::int16_t Index, std::int16_t SEnabled) {
    itemAt(Index).ItemEnabled = SEnabled;
}

Class_Button::Look Class_Button::lookOf(std::int16_t index) const {
    if (itemAt(index).ItemEnabled == 0)
        return Look::Disabled;
    if (index == m_hoverIndex)
        return m_pressed ? Look::Sunken : Look::Raised;
    return Look::Plain;
}

} // namespace tamarisk::ui
