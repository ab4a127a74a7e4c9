#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <filesystem>
#include <string>

class QWidget;

namespace tamarisk::ui {

class Dialogs;

/// Where a window of size goes beside main (frame rectangles) inside the screen's available area: right
/// of it, else left of it, else as far right as the screen allows; its top is main's, moved up as far as
/// needed to stay on the screen.
QPoint placeBeside(const QRect& main, const QSize& size, const QRect& screen);

/// The help file in a window of its own: an ordinary top-level window, not owned by the main window, so it
/// neither stays above it nor hides it, placed beside it where the screen allows. Returns the window, or
/// nullptr with error set to the file and the reason when the file cannot be read.
QWidget* openHelpWindow(const std::filesystem::path& file, QWidget* beside, std::string& error);

/// The About box: the program's name, version and what it does.
void showAbout(Dialogs& dialogs, QWidget* parent);

} // namespace tamarisk::ui
