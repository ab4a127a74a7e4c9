#pragma once

#include "core/state.h"

#include <QObject>

class QComboBox;
class QLineEdit;
class QWidget;

namespace tamarisk::ui {

class Dialogs;

/// The address-change list of the settings panel: the old addresses in Combo_DefServer, where a typed
/// address joins the list, and the replacement path of the selected one in Text_DefServer.
class AddressChangeEditor : public QObject {
    Q_OBJECT
public:
    AddressChangeEditor(QComboBox* Combo_DefServer, QLineEdit* Text_DefServer, core::State& state,
                        Dialogs& dialogs, QWidget* window);

    /// Shows the table's items again, after a relocation file added some.
    void showDefServerItems();

    void Combo_DefServer_GotFocus();
    void Combo_DefServer_LostFocus();
    void Combo_DefServer_Click();
    void Text_DefServer_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_combo;
    QLineEdit* m_path;
    core::State& m_state;
    Dialogs& m_dialogs;
    QWidget* m_window;
};

} // namespace tamarisk::ui
