#include "ui/picturebox.h"

#include "ui/imagesurface.h"
#include "ui/skinnedsurfacewidget.h"
#include "ui/twips.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace tamarisk::ui {

CaptionArea::CaptionArea(QWidget* parent) : QWidget(parent), m_colour(palette().color(QPalette::ButtonText)) {
    setAutoFillBackground(true);
}

void CaptionArea::addCaption(double x, double y, const QString& text) {
    m_captions.push_back({x, y, text});
    update();
}

void CaptionArea::setCaptionColour(const QColor& colour) {
    m_colour = colour;
    update();
}

void CaptionArea::setBackgroundPicture(const QImage& picture) {
    m_background = picture;
    update();
}

void CaptionArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!m_background.isNull())
        painter.drawImage(event->rect(), m_background, event->rect());
    // Printed text of the classic look: no smoothing, so two prints one pixel apart read as bold.
    QFont font = this->font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(m_colour);
    const int ascent = QFontMetrics(font).ascent();
    for (const Caption& caption : m_captions) {
        painter.drawText(QPointF(roundHalfEven(caption.x), roundHalfEven(caption.y) + ascent), caption.text);
    }
}

PictureBox::PictureBox(QWidget* parent, bool skinnedSurface) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorder);
    if (skinnedSurface)
        m_inner = new SkinnedSurfaceWidget(this);
    else
        m_inner = new CaptionArea(this);
}

void PictureBox::placeTwips(int left, int top, int width, int height) {
    setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    // A hidden widget gets its resize event only when shown; the inner area must have its size now.
    m_inner->setGeometry(kBorder, kBorder, std::max(0, this->width() - 2 * kBorder),
                         std::max(0, this->height() - 2 * kBorder));
}

CaptionArea* PictureBox::captionArea() const {
    return qobject_cast<CaptionArea*>(m_inner);
}

SkinnedSurfaceWidget* PictureBox::surfaceWidget() const {
    return qobject_cast<SkinnedSurfaceWidget*>(m_inner);
}

void PictureBox::setBackgroundPicture(const QImage& picture) {
    if (CaptionArea* area = captionArea())
        area->setBackgroundPicture(picture);
    else if (SkinnedSurfaceWidget* surface = surfaceWidget())
        surface->surface().setBackgroundPicture(picture);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_inner->setGeometry(kBorder, kBorder, std::max(0, width() - 2 * kBorder),
                         std::max(0, height() - 2 * kBorder));
}

} // namespace tamarisk::ui
