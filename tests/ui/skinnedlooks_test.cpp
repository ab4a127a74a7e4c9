// The four looks of a skinned item, checked by the pixels of an image surface: which pixels each frame
// line paints and in which colour role (the corners a line's unpainted end point leaves clear included),
// the caption's colour and its place, and which look an item gets from its value, the hover and the press.

#include "ui/skinnedcontrols.h"

#include "ui/imagesurface.h"
#include "ui/skintesting.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace tamarisk::ui {
namespace {

using test::PixelSet;

// The item every look test draws: frame from (10, 20) to (70, 44).
constexpr int L = 10;
constexpr int T = 20;
constexpr int W = 60;
constexpr int H = 24;
constexpr int kCaptionHeight = 12;
const std::string kCaption = "Ab漢字";

enum class Look { Disabled, Sunken, Raised, Plain };

QRgb rgbOf(const QColor& colour) {
    return colour.rgb();
}

/// The frame pixels of each look, by colour. Sunken: lit bottom and right edges one pixel inside, with
/// (L + W, T + 1) and the whole row T + H left clear; raised: dark bottom and right edges, shadowed top
/// and left edges, every corner painted.
std::map<QRgb, PixelSet> frameOf(Look look) {
    using test::column;
    using test::row;
    using test::unite;
    switch (look) {
    case Look::Sunken:
        return {{rgbOf(test::kHighlight3D),
                 unite(row(T + H - 1, L + 1, L + W - 1), column(L + W, T + 2, T + H - 1))},
                {rgbOf(test::kDarkShadow3D), unite(row(T, L + 1, L + W), column(L, T, T + H - 1))}};
    case Look::Raised:
        return {{rgbOf(test::kDarkShadow3D), unite(row(T + H, L, L + W - 1), column(L + W, T + 1, T + H))},
                {rgbOf(test::kButtonShadow), unite(row(T, L + 1, L + W), column(L, T, T + H - 1))}};
    case Look::Disabled:
    case Look::Plain:
        return {};
    }
    return {};
}

QColor textColourOf(Look look) {
    switch (look) {
    case Look::Disabled:
        return test::kGrayText;
    case Look::Sunken:
        return test::kHighlightText;
    case Look::Raised:
    case Look::Plain:
        return test::kButtonText;
    }
    return {};
}

ImageSkinSurface makeSurface() {
    return ImageSkinSurface({100, 70}, test::windowFont(), test::distinctPalette());
}

/// Where the caption's pixels lie when its text cell's top-left corner is at (x, y).
QRect captionBoundsAt(int x, int y, const std::string& caption = kCaption) {
    ImageSkinSurface reference = makeSurface();
    reference.printText(0, 0, caption);
    return test::boundsOf(reference.image(), test::kButtonText).translated(x, y);
}

// What happens to the item before its picture is checked; each letter is one call, in order:
//   L  LostFocus (the pointer leaves)          M  MouseMove inside, no button
//   P  MouseMove inside with the left button   O  MouseMove with the left button beside the item
//   C  left click on the bottom-right corner   X  the button is disabled (CBEnabledSet 0)
//   E  the button is enabled with 5
struct LookCase {
    const char* name;
    bool button;        // a Class_Button item, else a Class_CheckBox item
    std::int16_t value; // the check box's value
    const char* steps;
    Look look;
};

void drawItem(SkinSurface& surface, const LookCase& c) {
    Class_CheckBox boxes;
    Class_Button buttons;
    detail::SkinnedGroup& group = c.button ? static_cast<detail::SkinnedGroup&>(buttons) : boxes;
    group.Picture(surface, FixedScaleGauge(kCaptionHeight));
    if (c.button)
        buttons.Add(kCaption, T, L, H, W, "tip");
    else
        boxes.Add(kCaption, T, L, H, W, c.value, "tip");
    const auto move = [&](std::int16_t button, float x, float y) {
        if (c.button)
            buttons.MouseMove(button, 0, x, y);
        else
            boxes.MouseMove(button, 0, x, y);
    };
    for (const char* step = c.steps; *step != 0; ++step) {
        switch (*step) {
        case 'L':
            group.LostFocus();
            break;
        case 'M':
            move(0, L + 6, T + 5);
            break;
        case 'P':
            move(1, L + 5, T + 5);
            break;
        case 'O':
            move(1, L + W + 1, T);
            break;
        case 'C':
            boxes.MouseDown(1, 0, L + W, T + H);
            break;
        case 'X':
            buttons.CBEnabledSet(0, 0);
            break;
        case 'E':
            buttons.CBEnabledSet(0, 5);
            break;
        default:
            FAIL() << "unknown step " << *step;
        }
    }
}

class SkinLookTest : public ::testing::TestWithParam<LookCase> {};

TEST_P(SkinLookTest, FramePixelsAreExactlyTheLooksLines) {
    ImageSkinSurface surface = makeSurface();
    drawItem(surface, GetParam());
    const std::map<QRgb, PixelSet> frame = frameOf(GetParam().look);
    for (const QColor& colour : {test::kHighlight3D, test::kDarkShadow3D, test::kButtonShadow}) {
        const auto expected = frame.find(colour.rgb());
        EXPECT_EQ(test::pixelsOf(surface.image(), colour),
                  expected == frame.end() ? PixelSet{} : expected->second)
            << "colour " << colour.name().toStdString();
    }
}

TEST_P(SkinLookTest, CaptionIsPrintedInTheLooksTextColourAtItsPlace) {
    ImageSkinSurface surface = makeSurface();
    drawItem(surface, GetParam());
    const QColor colour = textColourOf(GetParam().look);
    for (const QColor& other : {test::kGrayText, test::kHighlightText, test::kButtonText}) {
        if (other != colour) {
            EXPECT_TRUE(test::pixelsOf(surface.image(), other).empty()) << other.name().toStdString();
        }
    }
    // The caption sits 8 pixels right of the frame's left edge, 9 when sunken, and is centred on the item
    // height by the caption height: 20 + (24 - 12) / 2 = 26.
    const int x = GetParam().look == Look::Sunken ? L + 9 : L + 8;
    const QRect caption = test::boundsOf(surface.image(), colour);
    EXPECT_EQ(caption, captionBoundsAt(x, 26));
    EXPECT_GE(caption.left(), x);
}

TEST_P(SkinLookTest, NothingElseIsPainted) {
    ImageSkinSurface surface = makeSurface();
    drawItem(surface, GetParam());
    std::size_t drawn = test::pixelsOf(surface.image(), textColourOf(GetParam().look)).size();
    for (const auto& [colour, pixels] : frameOf(GetParam().look))
        drawn += pixels.size();
    const std::size_t background = test::pixelsOf(surface.image(), test::kBackground).size();
    EXPECT_EQ(drawn + background,
              static_cast<std::size_t>(surface.image().width() * surface.image().height()));
}

INSTANTIATE_TEST_SUITE_P(
    Items, SkinLookTest,
    ::testing::Values(LookCase{"BoxOffHoveredFromTheStart", false, 0, "", Look::Raised},
                      LookCase{"BoxOffAfterThePointerLeft", false, 0, "L", Look::Plain},
                      LookCase{"BoxOffHoveredAgain", false, 0, "LM", Look::Raised},
                      LookCase{"BoxOnHovered", false, 1, "", Look::Sunken},
                      LookCase{"BoxOnNotHovered", false, 1, "L", Look::Sunken},
                      LookCase{"BoxDisabledHovered", false, 2, "", Look::Disabled},
                      LookCase{"BoxThreeHovered", false, 3, "", Look::Raised},
                      LookCase{"BoxThreeNotHovered", false, 3, "L", Look::Plain},
                      LookCase{"BoxThreeClickedIsDisabled", false, 3, "C", Look::Disabled},
                      LookCase{"BoxClickedOn", false, 0, "C", Look::Sunken},
                      LookCase{"ButtonHoveredFromTheStart", true, 0, "", Look::Raised},
                      LookCase{"ButtonPressed", true, 0, "P", Look::Sunken},
                      LookCase{"ButtonHeldWhileMoving", true, 0, "PP", Look::Sunken},
                      LookCase{"ButtonReleasedAndMoved", true, 0, "PM", Look::Raised},
                      LookCase{"ButtonAfterThePointerLeft", true, 0, "L", Look::Plain},
                      // A press is drawn only on the hovered button; a press beside it hovers nothing.
                      LookCase{"ButtonPressedBesideAfterLeaving", true, 0, "LO", Look::Plain},
                      LookCase{"ButtonDisabledAndPressed", true, 0, "XP", Look::Disabled},
                      LookCase{"ButtonEnabledWithAnyNonZero", true, 0, "XEM", Look::Raised}),
    [](const auto& info) { return std::string(info.param.name); });

struct CaptionRowCase {
    const char* name;
    int height;
    int captionHeight;
    int top; // expected top of the caption's text cell
};

class SkinCaptionRowTest : public ::testing::TestWithParam<CaptionRowCase> {};

TEST_P(SkinCaptionRowTest, CaptionIsCentredInRealNumbersThenRoundedHalvesToEven) {
    const CaptionRowCase& c = GetParam();
    ImageSkinSurface surface = makeSurface();
    Class_CheckBox boxes;
    boxes.Picture(surface, FixedScaleGauge(c.captionHeight));
    boxes.Add("|", T, L, c.height, W, 0, "");
    boxes.LostFocus();
    EXPECT_EQ(test::boundsOf(surface.image(), test::kButtonText), captionBoundsAt(L + 8, c.top, "|"));
}

INSTANTIATE_TEST_SUITE_P(Heights, SkinCaptionRowTest,
                         ::testing::Values(CaptionRowCase{"Even", 24, 12, T + 6},
                                           CaptionRowCase{"HalfRoundsDownToEven", 25, 12, T + 6},
                                           CaptionRowCase{"HalfRoundsUpToEven", 27, 12, T + 8},
                                           CaptionRowCase{"TallerCaptionRisesAboveTheTop", 24, 30, T - 3},
                                           CaptionRowCase{"OwnPanelHeight", 16, 17, T}),
                         [](const auto& info) { return std::string(info.param.name); });

// The window's six toggles: 169 x 177 pixels, rows of 29 pixels, 28 high and 168 wide.
class SkinToggleColumnTest : public ::testing::Test {
protected:
    void SetUp() override {
        boxes.Picture(surface, FixedScaleGauge(kCaptionHeight));
        for (int i = 0; i < 6; ++i)
            boxes.Add("toggle", 29 * i, 0, 28, 168, 0, "tip " + std::to_string(i));
    }

    static PixelSet raisedShadowOfRow(int i) {
        return test::unite(test::row(29 * i, 1, 168), test::column(0, 29 * i, 29 * i + 27));
    }

    ImageSkinSurface surface{QSize(169, 177), test::windowFont(), test::distinctPalette()};
    Class_CheckBox boxes;
};

TEST_F(SkinToggleColumnTest, OnlyTheFirstToggleIsRaisedBeforeAnyPointerEvent) {
    EXPECT_EQ(test::pixelsOf(surface.image(), test::kButtonShadow), raisedShadowOfRow(0));
    EXPECT_EQ(surface.toolTip(), "tip 0");
}

TEST_F(SkinToggleColumnTest, TheRaisedFrameFollowsThePointerAndLeavesWithIt) {
    boxes.MouseMove(0, 0, 100, 29 * 4 + 28);
    EXPECT_EQ(test::pixelsOf(surface.image(), test::kButtonShadow), raisedShadowOfRow(4));
    EXPECT_EQ(surface.toolTip(), "tip 4");
    boxes.LostFocus();
    EXPECT_TRUE(test::pixelsOf(surface.image(), test::kButtonShadow).empty());
    EXPECT_TRUE(test::pixelsOf(surface.image(), test::kDarkShadow3D).empty());
    EXPECT_EQ(surface.toolTip(), "tip 4");
}

TEST_F(SkinToggleColumnTest, ValueSetShowsOnlyAtTheNextRepaint) {
    boxes.LostFocus();
    const QImage before = surface.image();
    boxes.CBValueSet(2, 1);
    EXPECT_EQ(surface.image(), before);
    boxes.LostFocus();
    EXPECT_EQ(test::pixelsOf(surface.image(), test::kDarkShadow3D),
              test::unite(test::row(58, 1, 168), test::column(0, 58, 85)));
}

TEST_F(SkinToggleColumnTest, RightClickLeavesThePictureAsItWas) {
    const QImage before = surface.image();
    boxes.MouseDown(2, 0, 10, 10);
    EXPECT_EQ(surface.image(), before);
    EXPECT_EQ(boxes.CBValue(0), 0);
}

TEST_F(SkinToggleColumnTest, LeftClickOnADisabledToggleRepaintsItUnchanged) {
    boxes.CBValueSet(1, 2);
    boxes.MouseDown(1, 0, 10, 40);
    EXPECT_EQ(boxes.CBValue(1), 2);
    EXPECT_FALSE(test::pixelsOf(surface.image(), test::kGrayText).empty());
}

} // namespace
} // namespace tamarisk::ui
