#pragma once

#include "core/state.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QWidget;

namespace tamarisk::ui {

class Dialogs;

/// The editors of the server groups on the settings panel: the server list with its fixed number, the
/// address list of the selected server ("IP List"), and the Webjump server number of option panel 2.
class ServerListEditor : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox* Combo_Kimeuchi;
        QLineEdit* Text_Kimeuchi;
        QCheckBox* chkIPList;
        QListWidget* ListIPchk;
        QLineEdit* Text_Webjump;
    };

    ServerListEditor(const Controls& controls, core::State& state, Dialogs& dialogs, QWidget* window);

    /// One item per loaded server; the first is selected. Without servers the list and the fixed number
    /// are hidden.
    void fillServerList();
    /// Stores what is being edited: the address list is closed (which stores it) and the fixed number
    /// being typed is applied. The window calls this before it hands files over.
    void commitEdits();
    /// Shows the Webjump number the conversion used.
    void showWebjumpNumber();

    void Combo_Kimeuchi_Click();
    void Text_Kimeuchi_LostFocus();
    void chkIPList_Click();
    void Text_Webjump_LostFocus();

private:
    int selectedServer() const;

    Controls m_controls;
    core::State& m_state;
    Dialogs& m_dialogs;
    QWidget* m_window;
    QString m_ipListTag; // the server whose address list is open, empty while it is closed
};

} // namespace tamarisk::ui
