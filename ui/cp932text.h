#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

namespace tamarisk::ui {

class Dialogs;

/// CP932 bytes of the option state as text for a control.
QString fromCp932(const std::string& bytes);

/// The text as CP932 bytes for the option state; a character CP932 cannot hold, or a line break, is named
/// in a message box and nothing is returned.
std::optional<std::string> cp932OrTell(Dialogs& dialogs, QWidget* parent, const QString& text);

} // namespace tamarisk::ui
