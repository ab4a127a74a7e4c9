// The widget that carries skinned controls: it hands mouse events on with the window's button and shift
// codes and pixel positions, shows the tool tip the controls set and paints the persistent image.

#include "ui/skinnedsurfacewidget.h"

#include "ui/imagesurface.h"
#include "ui/skinnedcontrols.h"
#include "ui/skintesting.h"

#include <QCoreApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <vector>

namespace tamarisk::ui {
namespace {

struct MouseCall {
    std::int16_t button;
    std::int16_t shift;
    float x;
    float y;
    bool operator==(const MouseCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const MouseCall& c) {
    return out << "{button " << c.button << ", shift " << c.shift << ", " << c.x << ", " << c.y << "}";
}

class SkinnedSurfaceWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget.setPalette(test::distinctPalette());
        widget.setFont(test::windowFont());
        widget.setGeometry(20, 30, 169, 177);
        widget.setMouseMoveHandler([this](std::int16_t b, std::int16_t s, float x, float y) {
            moves.push_back({b, s, x, y});
        });
        widget.setMouseDownHandler([this](std::int16_t b, std::int16_t s, float x, float y) {
            downs.push_back({b, s, x, y});
        });
        widget.setLeaveHandler([this] { ++leaves; });
        window.resize(300, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    SkinnedSurfaceWidget& widget = *new SkinnedSurfaceWidget(&window);
    std::vector<MouseCall> moves;
    std::vector<MouseCall> downs;
    int leaves = 0;
};

TEST_F(SkinnedSurfaceWidgetTest, SurfaceFollowsTheWidgetsPlaceSizeAndColours) {
    EXPECT_EQ(widget.surface().image().size(), QSize(169, 177));
    EXPECT_DOUBLE_EQ(widget.surface().leftInContainer(), 20 * widget.surface().twipsPerPixelX());
    EXPECT_DOUBLE_EQ(widget.surface().topInContainer(), 30 * widget.surface().twipsPerPixelY());
    EXPECT_EQ(widget.surface().colourOf(SkinColour::Highlight3D), test::kHighlight3D);
    EXPECT_EQ(widget.surface().background(), test::kBackground);
}

TEST(HiddenSkinnedSurfaceWidgetTest, SurfaceTakesTheGeometryBeforeTheWidgetIsShown) {
    // The window lays its panels out and draws the toggles before it shows itself.
    QWidget window;
    auto* widget = new SkinnedSurfaceWidget(&window);
    widget->setPalette(test::distinctPalette());
    widget->setGeometry(16, 8, 169, 177);
    ImageSkinSurface& surface = widget->surface();
    surface.usePixelScale();
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 169);
    EXPECT_DOUBLE_EQ(surface.scaleHeight(), 177);
    EXPECT_DOUBLE_EQ(surface.leftInContainer(), 16 * surface.twipsPerPixelX());
    Class_CheckBox boxes;
    boxes.Picture(surface, FixedScaleGauge(12));
    boxes.Add("a", 0, 0, 28, 168, 0, "");
    EXPECT_EQ(surface.image().size(), QSize(169, 177));
    EXPECT_EQ(test::colourAt(surface.image(), 168, 28), test::kDarkShadow3D);
}

TEST_F(SkinnedSurfaceWidgetTest, MovesArriveWithoutAButtonHeld) {
    QTest::mouseMove(&widget, QPoint(12, 40));
    QTest::mouseMove(&widget, QPoint(13, 41));
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), (MouseCall{0, 0, 13, 41}));
}

struct PressCase {
    const char* name;
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    std::int16_t buttonCode;
    std::int16_t shiftCode;
};

class SkinnedWidgetPressTest : public SkinnedSurfaceWidgetTest,
                               public ::testing::WithParamInterface<PressCase> {};

TEST_P(SkinnedWidgetPressTest, PressCarriesTheButtonAndShiftCodes) {
    QTest::mouseClick(&widget, GetParam().button, GetParam().modifiers, QPoint(7, 9));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], (MouseCall{GetParam().buttonCode, GetParam().shiftCode, 7, 9}));
}

INSTANTIATE_TEST_SUITE_P(Buttons, SkinnedWidgetPressTest,
                         ::testing::Values(PressCase{"Left", Qt::LeftButton, Qt::NoModifier, 1, 0},
                                           PressCase{"Right", Qt::RightButton, Qt::NoModifier, 2, 0},
                                           PressCase{"Middle", Qt::MiddleButton, Qt::NoModifier, 4, 0},
                                           PressCase{"ShiftLeft", Qt::LeftButton, Qt::ShiftModifier, 1, 1},
                                           PressCase{"CtrlAltLeft", Qt::LeftButton,
                                                     Qt::ControlModifier | Qt::AltModifier, 1, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinnedSurfaceWidgetTest, DragCarriesTheHeldButton) {
    QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(&widget, QPoint(8, 6));
    QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(8, 6));
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), (MouseCall{1, 0, 8, 6}));
}

TEST_F(SkinnedSurfaceWidgetTest, LeavingIsReported) {
    QTest::mouseMove(&widget, QPoint(5, 5));
    QTest::mouseMove(&window, QPoint(250, 250));
    EXPECT_GE(leaves, 1);
}

class SkinnedWidgetWithTogglesTest : public SkinnedSurfaceWidgetTest {
protected:
    void SetUp() override {
        SkinnedSurfaceWidgetTest::SetUp();
        boxes.Picture(widget.surface(), FixedScaleGauge(12));
        for (int i = 0; i < 6; ++i)
            boxes.Add("toggle " + std::to_string(i), 29 * i, 0, 28, 168, 0, "tip " + std::to_string(i));
        widget.setMouseMoveHandler(
            [this](std::int16_t b, std::int16_t s, float x, float y) { boxes.MouseMove(b, s, x, y); });
        widget.setMouseDownHandler(
            [this](std::int16_t b, std::int16_t s, float x, float y) { boxes.MouseDown(b, s, x, y); });
    }

    Class_CheckBox boxes;
};

TEST_F(SkinnedWidgetWithTogglesTest, ToolTipIsTheHoveredToggles) {
    EXPECT_EQ(widget.toolTip(), QStringLiteral("tip 0"));
    QTest::mouseMove(&widget, QPoint(50, 29 * 3 + 5));
    EXPECT_EQ(boxes.CBSelectedIndex(), 3);
    EXPECT_EQ(widget.toolTip(), QStringLiteral("tip 3"));

    // The tip the platform shows on a tool-tip event.
    const QPoint at(50, 29 * 3 + 5);
    QHelpEvent help(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QCoreApplication::sendEvent(&widget, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("tip 3"));
    QToolTip::hideText();
}

TEST_F(SkinnedWidgetWithTogglesTest, JapaneseToolTipTextSurvives) {
    Class_CheckBox list;
    list.Picture(widget.surface(), FixedScaleGauge(12));
    list.Add("非WRGファイルはそのまま", 0, 0, 16, 160, 0, "URLリストをD&Dしたとき、WRGを作りません");
    EXPECT_EQ(widget.toolTip(), QStringLiteral("URLリストをD&Dしたとき、WRGを作りません"));
}

TEST_F(SkinnedWidgetWithTogglesTest, ClickFlipsTheToggleAndTheWidgetShowsIt) {
    QTest::mouseMove(&widget, QPoint(40, 29 * 2 + 10));
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(40, 29 * 2 + 10));
    EXPECT_EQ(boxes.CBValue(2), 1);
    QTest::mouseClick(&widget, Qt::RightButton, Qt::NoModifier, QPoint(40, 29 * 2 + 10));
    EXPECT_EQ(boxes.CBValue(2), 1);

    // Sunken toggle 2: its top edge in the dark shadow, its bottom edge lit one pixel inside.
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(test::colourAt(shown, 80, 58), test::kDarkShadow3D);
    EXPECT_EQ(test::colourAt(shown, 80, 58 + 27), test::kHighlight3D);
    EXPECT_EQ(test::colourAt(shown, 168, 59), test::kBackground); // the corner LineTo leaves clear
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), widget.surface().image());
}

} // namespace
} // namespace tamarisk::ui
