#include "ui/addresschangeeditor.h"

#include "core/urlsplit.h"
#include "ui/cp932text.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include <algorithm>

namespace tamarisk::ui {

AddressChangeEditor::AddressChangeEditor(QComboBox* Combo_DefServer, QLineEdit* Text_DefServer,
                                         core::State& state, Dialogs& dialogs, QWidget* window)
    : QObject(window), m_combo(Combo_DefServer), m_path(Text_DefServer), m_state(state), m_dialogs(dialogs),
      m_window(window) {
    // The combo box hands focus changes to its line edit directly, so they are watched on the combo box.
    m_combo->installEventFilter(this);
    m_path->installEventFilter(this);
    connect(m_combo, &QComboBox::activated, this, [this] { Combo_DefServer_Click(); });
}

bool AddressChangeEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == m_combo)
        Combo_DefServer_GotFocus();
    else if (event->type() == QEvent::FocusOut && watched == m_combo)
        Combo_DefServer_LostFocus();
    else if (event->type() == QEvent::FocusOut && watched == m_path)
        Text_DefServer_LostFocus();
    return QObject::eventFilter(watched, event);
}

void AddressChangeEditor::showDefServerItems() {
    const QSignalBlocker blocker(m_combo);
    const QString typed = m_combo->currentText();
    m_combo->clear();
    for (const std::string& item : m_state.defServerItems)
        m_combo->addItem(fromCp932(item));
    m_combo->setCurrentIndex(m_state.defServerSelected);
    if (m_state.defServerSelected < 0)
        m_combo->setEditText(typed);
    Combo_DefServer_Click();
}

void AddressChangeEditor::Combo_DefServer_GotFocus() {
    // The design text goes away when the user starts on an empty list.
    if (m_combo->count() == 0)
        m_combo->setEditText(QString());
}

void AddressChangeEditor::Combo_DefServer_LostFocus() {
    const QString typed = m_combo->currentText();
    const int current = m_combo->currentIndex();
    const std::vector<std::string>& items = m_state.defServerItems;
    const std::optional<std::string> address = cp932OrTell(m_dialogs, m_window, typed);
    // Typing an address leaves no item selected until the text is an item's own.
    int selected = current >= 0 && m_combo->itemText(current) == typed ? current : -1;
    if (selected < 0 && address) {
        const auto found = std::find(items.begin(), items.end(), *address);
        if (found != items.end())
            selected = static_cast<int>(found - items.begin());
    }
    if (selected < 0 && items.size() < static_cast<std::size_t>(core::kMaxDefServers)) {
        if (address)
            core::addAddressChange(m_state, *address, {});
        selected = static_cast<int>(items.size()) - 1;
    } else if (selected < 0) {
        m_dialogs.tell(m_window, QString::fromUtf8("鯖の数が最大です"),
                       QString::fromUtf8("これ以上鯖を増やせません"), Dialogs::Icon::Exclamation);
        selected = 0;
    }
    m_state.defServerSelected = selected;
    showDefServerItems();
}

void AddressChangeEditor::Combo_DefServer_Click() {
    const int index = m_combo->currentIndex();
    if (index < 0)
        return;
    m_state.defServerSelected = index;
    m_state.DefServerIndex = index;
    m_path->setText(fromCp932(m_state.DefServers[static_cast<std::size_t>(index)].DefPath));
}

void AddressChangeEditor::Text_DefServer_LostFocus() {
    const QString text = m_path->text();
    const std::optional<std::string> path = cp932OrTell(m_dialogs, m_window, text);
    if (!path)
        return;
    m_state.DefServers[static_cast<std::size_t>(m_state.DefServerIndex)].DefPath = *path;
    // The box shows the "/" at once; the stored path takes it the next time the box loses the focus.
    if (!text.isEmpty() && !text.endsWith('/'))
        m_path->setText(text + '/');
}

} // namespace tamarisk::ui
