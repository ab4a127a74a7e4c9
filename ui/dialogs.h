#pragma once

#include <QString>

class QWidget;

namespace tamarisk::ui {

/// The window's message boxes and file dialog, behind one interface so that tests answer them instead of a
/// person.
class Dialogs {
public:
    enum class Icon { Information, Exclamation, Critical };

    virtual ~Dialogs() = default;
    /// A Yes/No message box; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
    /// A message box with an OK button.
    virtual void tell(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
    /// The open-file dialog; an empty string when the user cancels.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
};

/// The real dialogs of the desktop.
class QtDialogs final : public Dialogs {
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    void tell(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
};

} // namespace tamarisk::ui
