#pragma once

// The window on the offscreen platform, started as the program starts it, with its dialogs answered by
// FakeDialogs and its controls looked up by object name.

#include "support/testutil.h"
#include "ui/fakedialogs.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

// Readable failure messages; found by argument-dependent lookup, so beside Qt's types.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << '(' << point.x() << ", " << point.y() << ')';
}

namespace tamarisk::test {

class WindowFixture : public testing::Test {
protected:
    /// Starts the window with the settings file's text (none: the file is left as it is); the program's
    /// folder is the test's folder.
    void start(const std::string& settings = "") {
        if (!settings.empty())
            writeFile(dir / "tamcfg.dat", settings);
        state.AppDir = dir.path().string() + "/";
        window = std::make_unique<ui::MainWindow>(state, dir / "tamcfg.dat", dialogs);
        dialogs.window = window.get();
        prepare();
        window->Form_Load();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get())); // focus changes need an active window
    }
    /// Replaces the window's seams before it loads its settings.
    virtual void prepare() {}

    template <typename T>
    T* find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    TempDir dir;
    core::State state;
    FakeDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace tamarisk::test
