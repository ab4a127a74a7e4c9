#include "ui/cp932text.h"

#include "core/cp932.h"
#include "ui/dialogs.h"

namespace tamarisk::ui {

QString fromCp932(const std::string& bytes) {
    return QString::fromStdString(core::cp932ToUtf8(bytes));
}

std::optional<std::string> cp932OrTell(Dialogs& dialogs, QWidget* parent, const QString& text) {
    core::Cp932Conversion converted;
    // A line break pasted into a box would split the line of a queue file or of the settings file that the
    // text is written into.
    if (text.contains(QChar('\r')) || text.contains(QChar('\n')))
        converted.error = "the text holds a line break";
    else
        converted = core::utf8ToCp932(text.toStdString());
    if (!converted.text) {
        dialogs.tell(parent, QString::fromUtf8("たまりすく"),
                     QString::fromStdString(converted.error) + QString::fromUtf8("\nこの文字は使えません。"),
                     Dialogs::Icon::Exclamation);
    }
    return converted.text;
}

} // namespace tamarisk::ui
