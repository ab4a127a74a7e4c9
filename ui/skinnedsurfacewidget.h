#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace tamarisk::ui {

class ImageSkinSurface;

/// A widget that carries skinned controls: it shows the persistent image of its surface, shows the tool tip
/// the controls set on the surface, and hands its mouse events to the window's handlers. The surface
/// follows the widget's geometry (also while hidden), font and palette.
class SkinnedSurfaceWidget : public QWidget {
    Q_OBJECT

public:
    /// Button: 1 left, 2 right, 4 middle; for a move the buttons held, added up. Shift: 1 Shift, 2 Ctrl,
    /// 4 Alt, added up. X, Y: the pointer in pixels of the widget.
    using MouseHandler = std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)>;

    explicit SkinnedSurfaceWidget(QWidget* parent = nullptr);
    ~SkinnedSurfaceWidget() override;

    ImageSkinSurface& surface() { return *m_surface; }
    const ImageSkinSurface& surface() const { return *m_surface; }

    void setMouseMoveHandler(MouseHandler handler) { m_onMove = std::move(handler); }
    void setMouseDownHandler(MouseHandler handler) { m_onDown = std::move(handler); }
    void setLeaveHandler(std::function<void()> handler) { m_onLeave = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showToolTip(const std::string& text);

    std::unique_ptr<ImageSkinSurface> m_surface;
    MouseHandler m_onMove;
    MouseHandler m_onDown;
    std::function<void()> m_onLeave;
};

} // namespace tamarisk::ui
