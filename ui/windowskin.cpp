#include "ui/mainwindow.h"

#include "core/cp932.h"

#include "ui/imagesurface.h"
#include "ui/picturebox.h"
#include "ui/twips.h"

// Skins: the picture behind the window, and each panel's piece of it.

namespace tamarisk::ui {

void MainWindow::applySkin(const std::string& pictureFile) {
    // A picture that does not load leaves the earlier one (or none) in place.
    const QImage picture(QString::fromStdString(core::cp932ToUtf8(pictureFile)));
    if (!picture.isNull())
        m_skinPicture = picture.convertToFormat(QImage::Format_RGB32);
    if (m_skinPicture.isNull())
        return;
    static_cast<CaptionArea*>(m_client)->setBackgroundPicture(m_skinPicture);
    constexpr int kPanelBorder = 30; // twips: the panels' two-pixel three-dimensional border
    SkinSetPict(m_allPass, 0, 0, 0);
    SkinSetPict(m_picCBox, kPanelBorder, 0, 0);
    SkinSetPict(m_setDir, 0, m_allPass->x() * kTwipsPerPixel, m_allPass->y() * kTwipsPerPixel);
    for (PictureBox* panel : m_optMC)
        SkinSetPict(panel, kPanelBorder, 0, 0);
    // The skinned controls draw over their new pieces.
    m_optCheckBoxes.LostFocus();
    m_listCheckBox.LostFocus();
    m_dirButtons.LostFocus();
}

void MainWindow::SkinSetPict(PictureBox* picMount, int borderWidth, int soutaiLeft, int soutaiTop) {
    if (m_tmpPicbox.isNull()) {
        m_tmpPicbox = QImage(twipsToPixels(6375), twipsToPixels(3615), QImage::Format_RGB32);
        m_tmpPicbox.fill(palette().color(QPalette::Window));
    }
    // The piece of the skin under the panel's inner area, copied unscaled onto the scratch picture; where
    // the skin ends, the scratch picture keeps what it held before.
    const int left = picMount->x() + twipsToPixels(borderWidth + soutaiLeft);
    const int top = picMount->y() + twipsToPixels(borderWidth + soutaiTop);
    const QSize inner = picMount->inner()->size();
    for (int y = 0; y < inner.height() && y < m_tmpPicbox.height(); ++y) {
        for (int x = 0; x < inner.width() && x < m_tmpPicbox.width(); ++x) {
            if (left + x >= 0 && top + y >= 0 && left + x < m_skinPicture.width() &&
                top + y < m_skinPicture.height())
                m_tmpPicbox.setPixel(x, y, m_skinPicture.pixel(left + x, top + y));
        }
    }
    picMount->setBackgroundPicture(m_tmpPicbox.copy(0, 0, inner.width(), inner.height()));
}

} // namespace tamarisk::ui
