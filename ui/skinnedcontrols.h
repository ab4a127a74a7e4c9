#pragma once

// Owner-drawn toggles and push buttons: a group of items drawn with one-pixel frames and printed captions on
// one surface, so that they sit flat on a skinned background.

#include "ui/skinsurface.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tamarisk::ui {

/// A run-time error of a skinned control group; the group is left as it was.
class ControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An item index outside 0 .. Count - 1.
class IndexError : public ControlError {
public:
    using ControlError::ControlError;
};

/// A number that does not fit the 16-bit field it goes to, or a group that is full.
class OverflowError : public ControlError {
public:
    using ControlError::ControlError;
};

/// One toggle or button. Coordinates are pixels of the surface; the frame's right and bottom edges are
/// ItemLeft + ItemWidth and ItemTop + ItemHeight. ItemValue belongs to the check box (0 off, 1 on,
/// 2 disabled), ItemEnabled to the button (0 disabled, anything else enabled, -1 when added).
struct SkinItem {
    std::string ItemCaption; ///< UTF-8
    std::int16_t ItemLeft = 0;
    std::int16_t ItemTop = 0;
    std::int16_t ItemWidth = 0;
    std::int16_t ItemHeight = 0;
    std::int16_t ItemValue = 0;
    std::int16_t ItemEnabled = 0;
    std::string ItemToolTip; ///< UTF-8
};

namespace detail {

/// What the check box and the button share: the items, the surface, the hover index, the drawing and the
/// client rectangle. The two classes differ in how an item's look is chosen and in their mouse handling.
class SkinnedGroup {
public:
    virtual ~SkinnedGroup() = default;
    SkinnedGroup(const SkinnedGroup&) = delete;
    SkinnedGroup& operator=(const SkinnedGroup&) = delete;

    /// Draws on ctlNewPicture from now on, switched to pixels; the caption height is ctlTextHeight's scale
    /// height read after that switch (so a surface that is its own gauge gives its inner pixel height).
    /// The surface must outlive the group or be replaced by another call.
    void Picture(SkinSurface& ctlNewPicture, const ScaleGauge& ctlTextHeight);

    std::int16_t Count() const { return m_count; }
    void GotFocus() {}

    /// The pointer has left the surface: no item is hovered any more, and the items are repainted.
    virtual void LostFocus() = 0;

    /// A twip rectangle inside the surface, from its place in its container and the height of a line of
    /// text. Throws ControlError without a surface, OverflowError when a value does not fit 16 bits.
    std::int16_t ClientLeft() const;
    std::int16_t ClientTop() const;
    std::int16_t ClientWidth() const;
    std::int16_t ClientHeight() const;

    /// The item under the pointer, -1 for none.
    std::int16_t CBSelectedIndex() const { return m_hoverIndex; }

    std::int16_t HoverIndex() const { return m_hoverIndex; }
    std::int32_t CaptionHeight() const { return m_captionHeight; }
    const std::vector<SkinItem>& Items() const { return m_items; }

protected:
    enum class Look { Disabled, Sunken, Raised, Plain };

    SkinnedGroup() = default;

    /// Appends the item with its coordinates checked against 16 bits, then repaints.
    void addItem(const std::string& caption, std::int32_t top, std::int32_t left, std::int32_t height,
                 std::int32_t width, std::int16_t value, std::int16_t enabled, const std::string& toolTip);
    /// Throws IndexError unless 0 <= index < Count.
    SkinItem& itemAt(std::int16_t index);
    const SkinItem& itemAt(std::int16_t index) const;
    /// Index of the first item whose rectangle, edges included, holds (x, y); -1 for none. Items equal to
    /// skip are passed over.
    std::int16_t firstItemAt(float x, float y, std::int16_t skip = -2) const;
    static bool contains(const SkinItem& item, float x, float y);

    virtual Look lookOf(std::int16_t index) const = 0;
    /// Repaints every item; without a surface nothing is drawn.
    void RedrawItems();

    std::int16_t m_hoverIndex = 0; // 0, not -1: until the first pointer event the first item looks hovered

private:
    void drawItem(const SkinItem& item, Look look);

    std::int32_t m_captionHeight = 0;
    std::vector<SkinItem> m_items;
    SkinSurface* m_surface = nullptr;
    std::int16_t m_count = 0;
};

} // namespace detail

/// A group of toggles with a value each (0 off, 1 on, 2 disabled); a left click flips a toggle.
class Class_CheckBox final : public detail::SkinnedGroup {
public:
    Class_CheckBox() = default;

    /// Appends a toggle and repaints. Throws OverflowError, adding nothing, when a coordinate does not fit
    /// 16 bits or the group already holds 32767 items.
    void Add(const std::string& strCaption, std::int32_t cbTop, std::int32_t cbLeft, std::int32_t cbHeight,
             std::int32_t cbWidth, std::int16_t cbValue, const std::string& cbToolTipText);

    /// Left button (1): every toggle under (X, Y) that is not disabled gets |value - 1|; then one repaint.
    /// Any other button does nothing.
    void MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    /// Hovers the first toggle under (X, Y); X = -1 reports that the pointer has left. Repaints unless the
    /// pointer stays on the toggle that is already hovered.
    void MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void LostFocus() override { MouseMove(0, 0, -1, -1); }

    std::int16_t CBValue(std::int16_t Index) const;
    /// Sets the value without repainting; the next repaint shows it.
    void CBValueSet(std::int16_t Index, std::int16_t SValue);

    /// Keeps the toggles' values in values (one per item, in index order) instead of in the items, so that
    /// the values have one owner: the group shows and flips what it finds there.
    void bindValues(std::span<int> values) { m_values = values; }

private:
    Look lookOf(std::int16_t index) const override;
    std::int16_t valueOf(std::int16_t index) const;

    std::span<int> m_values;
};

/// A group of push buttons that look pressed while the left button is down over them. The window passes a
/// button press to MouseMove, whose Button argument carries it.
class Class_Button final : public detail::SkinnedGroup {
public:
    Class_Button() = default;

    /// Appends an enabled button (ItemEnabled -1) and repaints; errors as Class_CheckBox::Add.
    void Add(const std::string& strCaption, std::int32_t cbTop, std::int32_t cbLeft, std::int32_t cbHeight,
             std::int32_t cbWidth, const std::string& cbToolTipText);

    /// Button 1 (left) shows the hovered button pressed for this repaint. The first button under (X, Y)
    /// that is not hovered yet becomes hovered; X = -1 reports that the pointer has left. Always repaints.
    void MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void LostFocus() override { MouseMove(0, 0, -1, -1); }

    /// Sets ItemEnabled without repainting.
    void CBEnabledSet(std::int16_t Index, std::int16_t SEnabled);

    /// True only while MouseMove draws; it is false again when MouseMove returns.
    bool Pressed() const { return m_pressed; }

private:
    Look lookOf(std::int16_t index) const override;

    bool m_pressed = false;
};

} // namespace tamarisk::ui
