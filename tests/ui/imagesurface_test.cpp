// The image surface's primitives: lines that leave their end point unpainted, clearing to the background
// and its picture, text in the foreground colour only at rounded positions, and the scales.

#include "ui/imagesurface.h"

#include "ui/skintesting.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace tamarisk::ui {
namespace {

using test::kBackground;
using test::kDarkShadow3D;
using test::kHighlight3D;
using test::PixelSet;

ImageSkinSurface makeSurface(QSize size = {40, 30}) {
    return ImageSkinSurface(size, test::windowFont(), test::distinctPalette());
}

struct LineCase {
    const char* name;
    QPoint from;
    QPoint to;
    PixelSet painted;
};

class SkinSurfaceLineToTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SkinSurfaceLineToTest, PaintsFromTheStartUpToButNotIncludingTheEnd) {
    const LineCase& c = GetParam();
    ImageSkinSurface surface = makeSurface();
    surface.setForeColour(SkinColour::Highlight3D);
    surface.moveTo(c.from.x(), c.from.y());
    surface.lineTo(c.to.x(), c.to.y());
    EXPECT_EQ(test::pixelsOf(surface.image(), kHighlight3D), c.painted);
}

INSTANTIATE_TEST_SUITE_P(Lines, SkinSurfaceLineToTest,
                         ::testing::Values(LineCase{"Rightwards", {2, 5}, {6, 5}, test::row(5, 2, 5)},
                                           LineCase{"Leftwards", {6, 5}, {2, 5}, test::row(5, 3, 6)},
                                           LineCase{"Downwards", {4, 1}, {4, 4}, test::column(4, 1, 3)},
                                           LineCase{"Upwards", {4, 4}, {4, 1}, test::column(4, 2, 4)},
                                           LineCase{"ZeroLengthPaintsNothing", {3, 3}, {3, 3}, {}},
                                           LineCase{"Diagonal", {0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
                                           LineCase{"ClippedAtTheEdge", {-2, 0}, {2, 0}, test::row(0, 0, 1)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageSkinSurfaceTest, ChainedLinesPaintEachJointOnceAndLeaveTheLastEndPoint) {
    ImageSkinSurface surface = makeSurface();
    surface.setForeColour(SkinColour::Highlight3D);
    surface.moveTo(1, 1);
    surface.lineTo(5, 1);
    surface.setForeColour(SkinColour::DarkShadow3D);
    surface.lineTo(5, 4);
    EXPECT_EQ(test::pixelsOf(surface.image(), kHighlight3D), test::row(1, 1, 4));
    // The joint (5, 1) is the second line's start, so it takes the second colour; (5, 4) stays clear.
    EXPECT_EQ(test::pixelsOf(surface.image(), kDarkShadow3D), test::column(5, 1, 3));
    EXPECT_EQ(test::colourAt(surface.image(), 5, 4), kBackground);
}

TEST(ImageSkinSurfaceTest, ClearRestoresTheBackgroundColourAndPicture) {
    ImageSkinSurface surface = makeSurface({10, 10});
    QImage piece(4, 3, QImage::Format_RGB32);
    piece.fill(QColor(10, 20, 30));
    surface.setBackgroundPicture(piece);
    surface.setForeColour(SkinColour::DarkShadow3D);
    surface.moveTo(0, 0);
    surface.lineTo(9, 9);
    surface.clear();
    EXPECT_EQ(test::pixelsOf(surface.image(), QColor(10, 20, 30)),
              test::unite(test::unite(test::row(0, 0, 3), test::row(1, 0, 3)), test::row(2, 0, 3)));
    EXPECT_EQ(test::pixelsOf(surface.image(), kBackground).size(), 100u - 12u);
}

TEST(ImageSkinSurfaceTest, PrintedTextHasOnlyTheForegroundColour) {
    ImageSkinSurface surface = makeSurface({120, 30});
    surface.setForeColour(SkinColour::HighlightText);
    surface.printText(2, 2, "ファイルさんと一緒");
    const QImage& image = surface.image();
    const std::size_t text = test::pixelsOf(image, test::kHighlightText).size();
    const std::size_t background = test::pixelsOf(image, kBackground).size();
    EXPECT_GT(text, 50u);
    EXPECT_EQ(text + background, static_cast<std::size_t>(image.width() * image.height()));
}

struct TextPlaceCase {
    double x;
    double y;
    int shiftX; // expected offset from the text printed at (10, 10)
    int shiftY;
};

class SkinSurfacePrintTextPlaceTest : public ::testing::TestWithParam<TextPlaceCase> {};

TEST_P(SkinSurfacePrintTextPlaceTest, RoundsThePositionToTheNearestPixelHalvesToEven) {
    const TextPlaceCase& c = GetParam();
    ImageSkinSurface reference = makeSurface({60, 40});
    reference.setForeColour(SkinColour::ButtonText);
    reference.printText(10, 10, "|a");
    ImageSkinSurface surface = makeSurface({60, 40});
    surface.setForeColour(SkinColour::ButtonText);
    surface.printText(c.x, c.y, "|a");
    const QRect expected =
        test::boundsOf(reference.image(), test::kButtonText).translated(c.shiftX, c.shiftY);
    EXPECT_EQ(test::boundsOf(surface.image(), test::kButtonText), expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, SkinSurfacePrintTextPlaceTest,
                         ::testing::Values(TextPlaceCase{10, 10, 0, 0}, TextPlaceCase{10.5, 10.5, 0, 0},
                                           TextPlaceCase{11.5, 11.5, 2, 2}, TextPlaceCase{10.4, 9.6, 0, 0},
                                           TextPlaceCase{12, 7, 2, -3}));

TEST(ImageSkinSurfaceTest, TextCellTopIsThePrintPosition) {
    // The glyph "|" fills most of the text cell: it starts near the cell's top and within it.
    ImageSkinSurface surface = makeSurface({40, 40});
    surface.printText(5, 7, "|");
    const QRect bar = test::boundsOf(surface.image(), test::kButtonText);
    ASSERT_FALSE(bar.isNull());
    EXPECT_GE(bar.top(), 7);
    EXPECT_LE(bar.bottom(), 7 + static_cast<int>(surface.textHeight("|")));
    EXPECT_GE(bar.left(), 5);
}

TEST(ImageSkinSurfaceTest, ScaleIsTwipsUntilSwitchedToPixelsOrAUserScale) {
    ImageSkinSurface surface = makeSurface({161, 17});
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 161 * 15.0);
    EXPECT_DOUBLE_EQ(surface.scaleHeight(), 17 * 15.0);
    surface.setUserScale(2175, 255);
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 2175);
    EXPECT_DOUBLE_EQ(surface.scaleHeight(), 255);
    surface.usePixelScale();
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 161);
    EXPECT_DOUBLE_EQ(surface.scaleHeight(), 17);
}

TEST(ImageSkinSurfaceTest, ResizeKeepsTheDrawingAndFillsNewPixelsWithTheBackground) {
    ImageSkinSurface surface = makeSurface({5, 5});
    surface.setForeColour(SkinColour::Highlight3D);
    surface.moveTo(0, 4);
    surface.lineTo(5, 4);
    surface.resize({8, 6});
    EXPECT_EQ(test::pixelsOf(surface.image(), kHighlight3D), test::row(4, 0, 4));
    EXPECT_EQ(test::pixelsOf(surface.image(), kBackground).size(), 48u - 5u);
}

} // namespace
} // namespace tamarisk::ui
