#include "ui/serverlisteditor.h"

#include "ui/cp932text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <limits>

namespace tamarisk::ui {

namespace {

std::int16_t to16(long long value) {
    return static_cast<std::int16_t>(std::clamp<long long>(value, std::numeric_limits<std::int16_t>::min(),
                                                           std::numeric_limits<std::int16_t>::max()));
}

} // namespace

ServerListEditor::ServerListEditor(const Controls& controls, core::State& state, Dialogs& dialogs,
                                   QWidget* window)
    : QObject(window), m_controls(controls), m_state(state), m_dialogs(dialogs), m_window(window) {
    connect(m_controls.chkIPList, &QCheckBox::clicked, this, &ServerListEditor::chkIPList_Click);
    connect(m_controls.Combo_Kimeuchi, &QComboBox::currentIndexChanged, this,
            [this] { Combo_Kimeuchi_Click(); });
    connect(m_controls.Text_Kimeuchi, &QLineEdit::editingFinished, this,
            &ServerListEditor::Text_Kimeuchi_LostFocus);
    connect(m_controls.Text_Webjump, &QLineEdit::editingFinished, this,
            &ServerListEditor::Text_Webjump_LostFocus);
}

int ServerListEditor::selectedServer() const {
    return m_controls.Combo_Kimeuchi->currentIndex() + 1;
}

void ServerListEditor::fillServerList() {
    QComboBox* servers = m_controls.Combo_Kimeuchi;
    const QSignalBlocker blocker(servers);
    servers->clear();
    for (int i = 1; i <= m_state.ServerCount; ++i) {
        const core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(i)];
        servers->addItem(fromCp932(server.ServerHead + "." + server.ServerDomain));
    }
    if (servers->count() > 0) {
        servers->setCurrentIndex(0);
        Combo_Kimeuchi_Click();
    } else {
        servers->hide();
        m_controls.Text_Kimeuchi->hide();
    }
}

void ServerListEditor::commitEdits() {
    if (m_controls.chkIPList->isChecked()) {
        m_controls.chkIPList->setChecked(false);
        chkIPList_Click();
    }
    Text_Kimeuchi_LostFocus();
}

void ServerListEditor::showWebjumpNumber() {
    m_controls.Text_Webjump->setText(fromCp932(m_state.options.Text_Webjump));
}

void ServerListEditor::Combo_Kimeuchi_Click() {
    const core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(selectedServer())];
    m_controls.Text_Kimeuchi->setText(QString::number(server.SKimeuchi));
    if (m_controls.chkIPList->isChecked()) {
        // Stores the open list for the old server and opens it for the new one.
        m_controls.chkIPList->setChecked(false);
        chkIPList_Click();
        m_controls.chkIPList->setChecked(true);
        chkIPList_Click();
    }
    m_controls.Text_Kimeuchi->setEnabled(server.SNumberCount != 0);
}

void ServerListEditor::Text_Kimeuchi_LostFocus() {
    m_state.Servers[static_cast<std::size_t>(selectedServer())].SKimeuchi =
        to16(core::leadingInteger(m_controls.Text_Kimeuchi->text().toStdString()));
}

void ServerListEditor::chkIPList_Click() {
    QListWidget* list = m_controls.ListIPchk;
    const int s = selectedServer();
    core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(s)];
    if (m_controls.chkIPList->isChecked() && server.IPCount >= 1) {
        list->clear();
        for (int j = 0; j <= server.IPCount; ++j) {
            const core::IPEntry& entry = server.IPList[static_cast<std::size_t>(j)];
            auto* item = new QListWidgetItem(fromCp932(entry.IPName), list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(entry.IPUse == -1 ? Qt::Checked : Qt::Unchecked);
        }
        m_ipListTag = QString::number(s);
        // The list is shown for editing: it goes above the save-location controls it shares its place with.
        list->raise();
        list->show();
        return;
    }
    // A server without addresses cannot be opened: the tick goes away at once.
    m_controls.chkIPList->setChecked(false);
    if (!m_ipListTag.isEmpty()) {
        core::ServerRec& edited = m_state.Servers[static_cast<std::size_t>(m_ipListTag.toInt())];
        edited.IPUseCount = 0;
        for (int j = 0; j <= edited.IPCount && j < list->count(); ++j) {
            const bool ticked = list->item(j)->checkState() == Qt::Checked;
            edited.IPList[static_cast<std::size_t>(j)].IPUse = ticked ? -1 : 0;
            if (j >= 1 && ticked)
                ++edited.IPUseCount;
        }
        // With nothing enabled at all the first address is, though it is not counted.
        if (edited.IPUseCount == 0 && edited.IPList[0].IPUse != -1)
            edited.IPList[1].IPUse = -1;
        m_ipListTag.clear();
    }
    list->hide();
}

void ServerListEditor::Text_Webjump_LostFocus() {
    if (const std::optional<std::string> text =
            cp932OrTell(m_dialogs, m_window, m_controls.Text_Webjump->text()))
        m_state.options.Text_Webjump = *text;
    core::normaliseWebjumpNumber(m_state.options);
    showWebjumpNumber();
}

} // namespace tamarisk::ui
