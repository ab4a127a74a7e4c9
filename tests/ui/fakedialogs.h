#pragma once

#include "ui/dialogs.h"

#include <QMainWindow>
#include <QString>

#include <string>
#include <vector>

namespace tamarisk::test {

/// Answers the window's questions and file dialog, and records what it asked and showed, as "title|text".
class FakeDialogs : public ui::Dialogs {
public:
    bool askYesNo(QWidget*, const QString& title, const QString& text, Icon icon) override {
        asked.push_back((title + "|" + text).toStdString());
        askedIcon = icon;
        clientEnabledWhileAsked = window != nullptr && window->centralWidget()->isEnabled();
        return answer;
    }
    void tell(QWidget*, const QString& title, const QString& text, Icon icon) override {
        told.push_back((title + "|" + text).toStdString());
        toldIcon = icon;
    }
    QString openFile(QWidget*, const QString& title, const QString& filter) override {
        fileDialogs.push_back((title + "|" + filter).toStdString());
        return nextFile;
    }

    bool answer = false;
    QString nextFile;
    QMainWindow* window = nullptr; // whose contents are checked while a question is asked
    std::vector<std::string> asked;
    std::vector<std::string> told;
    std::vector<std::string> fileDialogs;
    Icon askedIcon = Icon::Critical;
    Icon toldIcon = Icon::Information;
    bool clientEnabledWhileAsked = true;
};

} // namespace tamarisk::test
