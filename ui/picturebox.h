#pragma once

#include <QFrame>
#include <QImage>
#include <QString>

#include <vector>

namespace tamarisk::ui {

class SkinnedSurfaceWidget;

/// The inner area of a picture box: its background (a piece of the skin, when there is one) with the
/// captions printed on it. Child controls are placed in it; coordinates are pixels of the inner area.
class CaptionArea : public QWidget {
    Q_OBJECT
public:
    explicit CaptionArea(QWidget* parent = nullptr);

    /// Prints text with the top-left corner of its text cell at (x, y) pixels, each time the area is drawn.
    void addCaption(double x, double y, const QString& text);
    void setCaptionColour(const QColor& colour);
    void setBackgroundPicture(const QImage& picture);
    const QImage& backgroundPicture() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Caption {
        double x;
        double y;
        QString text;
    };
    std::vector<Caption> m_captions;
    QColor m_colour;
    QImage m_background;
};

/// A picture box: a panel with the classic two-pixel sunken border whose inner area is either a caption area
/// with controls or the surface of a group of skinned controls.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    /// The border of a picture box in pixels (30 twips at 15 twips to a pixel).
    static constexpr int kBorder = 2;

    PictureBox(QWidget* parent, bool skinnedSurface);

    /// Places the box by its outer rectangle in twips of its container, as the window's design gives it.
    void placeTwips(int left, int top, int width, int height);
    /// The inner area: a CaptionArea, or the SkinnedSurfaceWidget when the box carries skinned controls.
    QWidget* inner() const { return m_inner; }
    CaptionArea* captionArea() const;
    SkinnedSurfaceWidget* surfaceWidget() const;
    /// The piece of the skin shown behind the inner area.
    void setBackgroundPicture(const QImage& picture);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_inner = nullptr;
};

} // namespace tamarisk::ui
