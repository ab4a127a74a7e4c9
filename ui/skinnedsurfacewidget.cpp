#include "ui/skinnedsurfacewidget.h"

#include "ui/imagesurface.h"
#include "ui/twips.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QString>
#include <QToolTip>

namespace tamarisk::ui {

namespace {

std::int16_t buttonCode(Qt::MouseButtons buttons) {
    std::int16_t code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

SkinnedSurfaceWidget::SkinnedSurfaceWidget(QWidget* parent)
    : QWidget(parent), m_surface(std::make_unique<ImageSkinSurface>(size(), font(), palette())) {
    // Move events arrive without a button held too: the controls track the hovered item.
    setMouseTracking(true);
    // The image covers the whole widget, so Qt need not paint a background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The window is laid out at a fixed ratio, whatever the screen's resolution.
    m_surface->setTwipsPerPixel(kTwipsPerPixel, kTwipsPerPixel);
    m_surface->followGeometry([this] { return geometry(); });
    m_surface->setPresentHandler([this] { update(); });
    m_surface->setToolTipHandler([this](const std::string& text) { showToolTip(text); });
}

SkinnedSurfaceWidget::~SkinnedSurfaceWidget() = default;

void SkinnedSurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface->image(), event->rect());
}

void SkinnedSurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_onMove) {
        const QPointF at = event->position();
        m_onMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
    }
    QWidget::mouseMoveEvent(event);
}

void SkinnedSurfaceWidget::mousePressEvent(QMouseEvent* event) {
    if (m_onDown) {
        const QPointF at = event->position();
        m_onDown(buttonCode(event->button()), shiftCode(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
    }
    QWidget::mousePressEvent(event);
}

void SkinnedSurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click arrives as this event, not as a press: the first press has
    // flipped the toggle already, and a double-click flips it once. (QWidget's default would pass it on as
    // a second press.)
    event->accept();
}

void SkinnedSurfaceWidget::leaveEvent(QEvent* event) {
    if (m_onLeave)
        m_onLeave();
    QWidget::leaveEvent(event);
}

void SkinnedSurfaceWidget::resizeEvent(QResizeEvent* event) {
    m_surface->resize(event->size());
    QWidget::resizeEvent(event);
}

void SkinnedSurfaceWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        m_surface->setFont(font());
    else if (event->type() == QEvent::PaletteChange)
        m_surface->setPalette(palette());
    QWidget::changeEvent(event);
}

void SkinnedSurfaceWidget::showToolTip(const std::string& text) {
    const QString tip = QString::fromStdString(text);
    setToolTip(tip);
    // A tip on display keeps its old text while the pointer moves on to the next item: replace it.
    if (QToolTip::isVisible() && underMouse())
        QToolTip::showText(QCursor::pos(), tip, this);
}

} // namespace tamarisk::ui
