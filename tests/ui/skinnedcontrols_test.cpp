// The behaviour of the skinned check box and button that does not depend on pixels: the hover index, the
// inclusive hit test, clicks and their values, when a repaint happens, index and overflow errors, the
// caption height and the client rectangle. Repaints are counted on a mock surface (one clear each).

#include "ui/skinnedcontrols.h"

#include "ui/imagesurface.h"
#include "ui/skintesting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace tamarisk::ui {
namespace {

using test::MockSkinSurface;
using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

// The six option toggles of the window: 169 x 177 pixels split into six rows of 29 pixels, 168 wide.
constexpr int kRow = 29;

void addToggles(Class_CheckBox& boxes, int count = 6) {
    for (int i = 0; i < count; ++i)
        boxes.Add("toggle " + std::to_string(i), kRow * i, 0, kRow - 1, 168, 0, "tip " + std::to_string(i));
}

class SkinCheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        boxes.Picture(surface, FixedScaleGauge(12));
        addToggles(boxes);
    }

    NiceMock<MockSkinSurface> surface;
    Class_CheckBox boxes;
};

struct HitCase {
    const char* name;
    float x;
    float y;
    std::int16_t hovered; // -1: the point is on no item
};

class SkinCheckBoxHitTest : public SkinCheckBoxTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(SkinCheckBoxHitTest, EdgesBelongToTheItemAndTheFirstItemWins) {
    boxes.LostFocus();
    boxes.MouseMove(0, 0, GetParam().x, GetParam().y);
    EXPECT_EQ(boxes.CBSelectedIndex(), GetParam().hovered);
}

// Item i spans x 0..168 and y 29i..29i+28 with both edges inside; 29i+28 < 29(i+1), so rows do not touch.
INSTANTIATE_TEST_SUITE_P(
    Points, SkinCheckBoxHitTest,
    ::testing::Values(HitCase{"TopLeftCorner", 0, 0, 0}, HitCase{"RightEdge", 168, 10, 0},
                      HitCase{"BottomEdge", 5, 28, 0}, HitCase{"BottomRightCorner", 168, 28, 0},
                      HitCase{"JustPastTheRightEdge", 168.01f, 10, -1},
                      HitCase{"GapBetweenRows", 5, 28.5f, -1}, HitCase{"LeftOfTheItems", -0.01f, 10, -1},
                      HitCase{"SecondRowTop", 5, 29, 1}, HitCase{"LastRowBottomEdge", 168, 173, 5},
                      HitCase{"StripBelowTheLastRow", 5, 174, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinCheckBoxTest, MovingWithinTheHoveredItemDoesNotRepaint) {
    boxes.MouseMove(0, 0, 5, kRow + 3);
    EXPECT_CALL(surface, clear()).Times(0);
    boxes.MouseMove(0, 0, 100, kRow + 20);
    EXPECT_EQ(boxes.CBSelectedIndex(), 1);
}

TEST_F(SkinCheckBoxTest, MovingToAnotherItemRepaintsWithItsToolTip) {
    EXPECT_CALL(surface, clear()).Times(1);
    EXPECT_CALL(surface, setToolTip("tip 3")).Times(1);
    boxes.MouseMove(0, 0, 5, 3 * kRow + 1);
    EXPECT_EQ(boxes.CBSelectedIndex(), 3);
}

TEST_F(SkinCheckBoxTest, OffEveryItemTheHoverStaysButTheSurfaceIsRepainted) {
    boxes.MouseMove(0, 0, 5, 2 * kRow + 1);
    EXPECT_CALL(surface, clear()).Times(1);
    boxes.MouseMove(0, 0, 5, 200);
    EXPECT_EQ(boxes.CBSelectedIndex(), 2);
}

TEST_F(SkinCheckBoxTest, LostFocusClearsTheHoverAndKeepsTheToolTip) {
    EXPECT_CALL(surface, clear()).Times(1);
    EXPECT_CALL(surface, setToolTip(_)).Times(0);
    boxes.LostFocus();
    EXPECT_EQ(boxes.CBSelectedIndex(), -1);
}

struct ClickCase {
    const char* name;
    std::int16_t before;
    std::int16_t after;
};

class SkinCheckBoxClickTest : public SkinCheckBoxTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(SkinCheckBoxClickTest, LeftClickGivesTheDistanceFromOneExceptWhenDisabled) {
    boxes.CBValueSet(2, GetParam().before);
    EXPECT_CALL(surface, clear()).Times(1);
    boxes.MouseDown(1, 0, 40, 2 * kRow + 10);
    EXPECT_EQ(boxes.CBValue(2), GetParam().after);
    EXPECT_EQ(boxes.CBValue(1), 0);
    EXPECT_EQ(boxes.CBValue(3), 0);
}

INSTANTIATE_TEST_SUITE_P(Values, SkinCheckBoxClickTest,
                         ::testing::Values(ClickCase{"OffBecomesOn", 0, 1}, ClickCase{"OnBecomesOff", 1, 0},
                                           ClickCase{"DisabledStays", 2, 2},
                                           ClickCase{"ThreeBecomesTwo", 3, 2},
                                           ClickCase{"MinusOneBecomesTwo", -1, 2},
                                           ClickCase{"SevenBecomesSix", 7, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinCheckBoxTest, RightAndMiddleClicksChangeNothingAndDoNotRepaint) {
    EXPECT_CALL(surface, clear()).Times(0);
    boxes.MouseDown(2, 0, 40, 10);
    boxes.MouseDown(4, 0, 40, 10);
    boxes.MouseDown(3, 0, 40, 10); // left and right together is not a left click
    EXPECT_EQ(boxes.CBValue(0), 0);
}

TEST_F(SkinCheckBoxTest, ClickBesideEveryItemChangesNothingButRepaints) {
    EXPECT_CALL(surface, clear()).Times(1);
    boxes.MouseDown(1, 0, 40, 176);
    for (std::int16_t i = 0; i < 6; ++i)
        EXPECT_EQ(boxes.CBValue(i), 0);
}

TEST(SkinCheckBoxOverlapTest, ClickFlipsEveryItemUnderThePointerOnce) {
    NiceMock<MockSkinSurface> surface;
    Class_CheckBox boxes;
    boxes.Picture(surface, FixedScaleGauge(12));
    boxes.Add("a", 0, 0, 20, 20, 0, "");
    boxes.Add("b", 10, 10, 20, 20, 1, "");
    boxes.Add("c", 30, 30, 20, 20, 0, "");
    EXPECT_CALL(surface, clear()).Times(1);
    boxes.MouseDown(1, 0, 15, 15);
    EXPECT_EQ(boxes.CBValue(0), 1);
    EXPECT_EQ(boxes.CBValue(1), 0);
    EXPECT_EQ(boxes.CBValue(2), 0);
}

TEST_F(SkinCheckBoxTest, ValueSetDoesNotRepaint) {
    EXPECT_CALL(surface, clear()).Times(0);
    EXPECT_CALL(surface, printText(_, _, _)).Times(0);
    boxes.CBValueSet(4, 1);
    EXPECT_EQ(boxes.CBValue(4), 1);
}

struct BadIndexCase {
    const char* name;
    std::function<void(Class_CheckBox&)> call;
};

class SkinCheckBoxIndexErrorTest : public SkinCheckBoxTest,
                                   public ::testing::WithParamInterface<BadIndexCase> {};

TEST_P(SkinCheckBoxIndexErrorTest, ThrowsAndLeavesTheGroupAsItWas) {
    EXPECT_CALL(surface, clear()).Times(0);
    EXPECT_THROW(GetParam().call(boxes), IndexError);
    EXPECT_EQ(boxes.Count(), 6);
    for (std::int16_t i = 0; i < 6; ++i)
        EXPECT_EQ(boxes.CBValue(i), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Indices, SkinCheckBoxIndexErrorTest,
    ::testing::Values(BadIndexCase{"ValueOfMinusOne", [](Class_CheckBox& b) { b.CBValue(-1); }},
                      BadIndexCase{"ValueOfCount", [](Class_CheckBox& b) { b.CBValue(6); }},
                      BadIndexCase{"SetMinusOne", [](Class_CheckBox& b) { b.CBValueSet(-1, 1); }},
                      BadIndexCase{"SetCount", [](Class_CheckBox& b) { b.CBValueSet(6, 1); }},
                      BadIndexCase{"SetFarOut", [](Class_CheckBox& b) { b.CBValueSet(32767, 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinCheckBoxIndexErrorTest, AnEmptyGroupHasNoIndex) {
    Class_CheckBox boxes;
    EXPECT_THROW(boxes.CBValue(0), IndexError);
    Class_Button buttons;
    EXPECT_THROW(buttons.CBEnabledSet(0, 1), IndexError);
}

struct OverflowCase {
    const char* name;
    std::int32_t top;
    std::int32_t left;
    std::int32_t height;
    std::int32_t width;
    bool fits;
};

class SkinAddOverflowTest : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(SkinAddOverflowTest, ACoordinateBeyond16BitsAddsNothing) {
    const OverflowCase& c = GetParam();
    NiceMock<MockSkinSurface> surface;
    Class_CheckBox boxes;
    Class_Button buttons;
    boxes.Picture(surface, FixedScaleGauge(12));
    buttons.Picture(surface, FixedScaleGauge(12));
    if (c.fits) {
        EXPECT_CALL(surface, clear()).Times(2);
        boxes.Add("a", c.top, c.left, c.height, c.width, 0, "");
        buttons.Add("a", c.top, c.left, c.height, c.width, "");
        EXPECT_EQ(boxes.Count(), 1);
        EXPECT_EQ(buttons.Count(), 1);
    } else {
        EXPECT_CALL(surface, clear()).Times(0);
        EXPECT_THROW(boxes.Add("a", c.top, c.left, c.height, c.width, 0, ""), OverflowError);
        EXPECT_THROW(buttons.Add("a", c.top, c.left, c.height, c.width, ""), OverflowError);
        EXPECT_EQ(boxes.Count(), 0);
        EXPECT_EQ(buttons.Count(), 0);
        EXPECT_TRUE(boxes.Items().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Coordinates, SkinAddOverflowTest,
                         ::testing::Values(OverflowCase{"Limits", 32767, -32768, 32767, -32768, true},
                                           OverflowCase{"Top", 32768, 0, 10, 10, false},
                                           OverflowCase{"Left", 0, -32769, 10, 10, false},
                                           OverflowCase{"Height", 0, 0, 40000, 10, false},
                                           OverflowCase{"Width", 0, 0, 10, 65536, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SkinAddOverflowTest, AGroupHoldsAtMost32767Items) {
    Class_Button buttons; // no surface: nothing is drawn, which keeps this quick
    for (int i = 0; i < 32767; ++i)
        buttons.Add("", 0, 0, 1, 1, "");
    EXPECT_THROW(buttons.Add("", 0, 0, 1, 1, ""), OverflowError);
    EXPECT_EQ(buttons.Count(), 32767);
    EXPECT_EQ(buttons.Items().size(), 32767u);
}

TEST(SkinClickOverflowTest, AValueWhoseFlipDoesNotFit16BitsLeavesEveryValue) {
    Class_CheckBox boxes;
    boxes.Add("a", 0, 0, 10, 10, 0, "");
    boxes.Add("b", 0, 0, 10, 10, -32767, "");
    EXPECT_THROW(boxes.MouseDown(1, 0, 5, 5), OverflowError);
    EXPECT_EQ(boxes.CBValue(0), 0);
    EXPECT_EQ(boxes.CBValue(1), -32767);
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        buttons.Picture(surface, FixedScaleGauge(12));
        buttons.Add("set", 0, 0, 24, 70, "tip set");
        buttons.Add("reset", 0, 72, 24, 70, "tip reset");
    }

    NiceMock<MockSkinSurface> surface;
    Class_Button buttons;
};

TEST_F(SkinButtonTest, AddedButtonsAreEnabledWithMinusOne) {
    EXPECT_EQ(buttons.Items()[0].ItemEnabled, -1);
    EXPECT_EQ(buttons.Items()[1].ItemEnabled, -1);
    EXPECT_EQ(buttons.CBSelectedIndex(), 0);
}

TEST_F(SkinButtonTest, EveryMoveRepaintsEvenOnTheHoveredButton) {
    EXPECT_CALL(surface, clear()).Times(3);
    buttons.MouseMove(0, 0, 80, 5);
    buttons.MouseMove(0, 0, 81, 6);
    buttons.MouseMove(0, 0, 300, 5);
    EXPECT_EQ(buttons.CBSelectedIndex(), 1); // off every button the hover stays
}

TEST_F(SkinButtonTest, PressIsSeenOnlyWhileDrawing) {
    bool pressedWhileDrawing = false;
    ON_CALL(surface, clear()).WillByDefault([&] { pressedWhileDrawing = buttons.Pressed(); });
    buttons.MouseMove(1, 0, 10, 10);
    EXPECT_TRUE(pressedWhileDrawing);
    EXPECT_FALSE(buttons.Pressed());
    buttons.MouseMove(2, 0, 10, 10); // the right button does not press
    EXPECT_FALSE(pressedWhileDrawing);
}

TEST_F(SkinButtonTest, LostFocusClearsTheHover) {
    EXPECT_CALL(surface, clear()).Times(1);
    buttons.LostFocus();
    EXPECT_EQ(buttons.CBSelectedIndex(), -1);
}

TEST_F(SkinButtonTest, EdgesAreInside) {
    buttons.LostFocus();
    buttons.MouseMove(0, 0, 70, 24);
    EXPECT_EQ(buttons.CBSelectedIndex(), 0);
    buttons.MouseMove(0, 0, 72, 0);
    EXPECT_EQ(buttons.CBSelectedIndex(), 1);
    buttons.MouseMove(0, 0, 71, 5); // between the buttons: the hover stays
    EXPECT_EQ(buttons.CBSelectedIndex(), 1);
}

TEST(SkinButtonOverlapTest, TheHoveredButtonIsPassedOverForTheNextOneUnderThePointer) {
    NiceMock<MockSkinSurface> surface;
    Class_Button buttons;
    buttons.Picture(surface, FixedScaleGauge(12));
    buttons.Add("a", 0, 0, 20, 20, "");
    buttons.Add("b", 0, 10, 20, 20, "");
    buttons.MouseMove(0, 0, 15, 5); // 0 is hovered already, so 1 takes the hover
    EXPECT_EQ(buttons.CBSelectedIndex(), 1);
    buttons.MouseMove(0, 0, 15, 5);
    EXPECT_EQ(buttons.CBSelectedIndex(), 0);
}

TEST_F(SkinButtonTest, EnabledSetDoesNotRepaint) {
    EXPECT_CALL(surface, clear()).Times(0);
    buttons.CBEnabledSet(1, 0);
    EXPECT_EQ(buttons.Items()[1].ItemEnabled, 0);
}

TEST(SkinGroupWithoutSurfaceTest, KeepsItsStateAndHasNoClientRectangle) {
    Class_CheckBox boxes;
    boxes.Add("a", 0, 0, 10, 10, 0, "");
    boxes.MouseDown(1, 0, 5, 5);
    EXPECT_EQ(boxes.CBValue(0), 1);
    EXPECT_THROW(boxes.ClientLeft(), ControlError);
}

struct GaugeCase {
    double scaleHeight;
    std::int32_t captionHeight;
};

class SkinCaptionHeightTest : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(SkinCaptionHeightTest, IsTheGaugesScaleHeightRoundedHalvesToEven) {
    NiceMock<MockSkinSurface> surface;
    Class_Button buttons;
    buttons.Picture(surface, FixedScaleGauge(GetParam().scaleHeight));
    EXPECT_EQ(buttons.CaptionHeight(), GetParam().captionHeight);
}

INSTANTIATE_TEST_SUITE_P(Heights, SkinCaptionHeightTest,
                         ::testing::Values(GaugeCase{17, 17}, GaugeCase{12.5, 12}, GaugeCase{13.5, 14},
                                           GaugeCase{12.49, 12}, GaugeCase{-0.5, 0}));

TEST(SkinPictureTest, ASurfaceThatIsItsOwnGaugeGivesItsInnerPixelHeight) {
    // The list toggle's panel: 161 x 17 pixels, whose scale is set to the label's 2175 x 255 first.
    ImageSkinSurface panel(QSize(161, 17), test::windowFont(), test::distinctPalette());
    panel.setUserScale(2175, 255);
    Class_CheckBox list;
    list.Picture(panel, panel);
    EXPECT_EQ(list.CaptionHeight(), 17);
    EXPECT_DOUBLE_EQ(panel.scaleWidth(), 161);
}

struct ClientCase {
    const char* name;
    double twipsPerPixel;
    double left, top, height; // twips in the container
    double scaleWidth;        // pixels
    double textHeight;        // pixels
    std::int16_t clientLeft, clientTop, clientWidth, clientHeight;
};

class SkinClientRectangleTest : public ::testing::TestWithParam<ClientCase> {};

TEST_P(SkinClientRectangleTest, FollowsTheSurfacesPlaceAndTheTextHeight) {
    const ClientCase& c = GetParam();
    NiceMock<MockSkinSurface> surface;
    ON_CALL(surface, twipsPerPixelX()).WillByDefault(Return(c.twipsPerPixel));
    ON_CALL(surface, twipsPerPixelY()).WillByDefault(Return(c.twipsPerPixel));
    ON_CALL(surface, leftInContainer()).WillByDefault(Return(c.left));
    ON_CALL(surface, topInContainer()).WillByDefault(Return(c.top));
    ON_CALL(surface, heightInContainer()).WillByDefault(Return(c.height));
    ON_CALL(surface, scaleWidth()).WillByDefault(Return(c.scaleWidth));
    EXPECT_CALL(surface, textHeight("|")).WillRepeatedly(Return(c.textHeight));
    Class_CheckBox boxes;
    boxes.Picture(surface, FixedScaleGauge(12));
    EXPECT_EQ(boxes.ClientLeft(), c.clientLeft);
    EXPECT_EQ(boxes.ClientTop(), c.clientTop);
    EXPECT_EQ(boxes.ClientWidth(), c.clientWidth);
    EXPECT_EQ(boxes.ClientHeight(), c.clientHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, SkinClientRectangleTest,
    ::testing::Values(
        // picCBox at 240, 120, 2535 x 2655 twips, 169 pixels wide inside, text 12 pixels high.
        ClientCase{"OptionToggles", 15, 240, 120, 2655, 169, 12, 255, 435, 2490, 2310},
        // 14.5 twips per pixel: 254.5 -> 254, (12+9)*14.5+0 = 304.5 -> 304, (4-3)*14.5 -> 14,
        // 100 - 23*14.5 = -233.5 -> -234.
        ClientCase{"HalvesToEven", 14.5, 240, 0, 100, 4, 12, 254, 304, 14, -234}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinClientRectangleTest, AValueBeyond16BitsIsAnOverflow) {
    NiceMock<MockSkinSurface> surface;
    ON_CALL(surface, twipsPerPixelX()).WillByDefault(Return(15));
    ON_CALL(surface, scaleWidth()).WillByDefault(Return(3000));
    Class_Button buttons;
    buttons.Picture(surface, FixedScaleGauge(12));
    EXPECT_THROW(buttons.ClientWidth(), OverflowError);
}

} // namespace
} // namespace tamarisk::ui
