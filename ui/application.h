#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QCoreApplication;

namespace tamarisk::ui {

class InstanceServer;
class MainWindow;

struct WindowStart {
    std::filesystem::path settingsFile;
    std::optional<std::uint32_t> seed;
    std::filesystem::path programFolder;
};

/// The lock that keeps one window per user and settings file. A lock left behind by a process that no
/// longer runs is taken over.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& settingsFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool tryLock();
    std::string fileName() const;

private:
    struct Lock;
    std::unique_ptr<Lock> m_lock;
};

/// Loads Qt's Japanese translations, so that Qt's own dialogs and buttons speak the window's language;
/// false when they are not installed.
bool installQtTranslations(QCoreApplication& application);

/// Makes window answer a second start with the same settings file: it comes to the front when asked, and
/// converts the files handed to it. False when the socket cannot be made.
bool listenForSecondStarts(InstanceServer& server, MainWindow& window,
                           const std::filesystem::path& settingsFile);

/// Runs the window until it is closed. A second start while a window runs with the same settings file is
/// refused with a message box; the lock never outlives a crashed first instance. Returns the exit status.
int runWindow(int& argc, char** argv, const WindowStart& start);

/// Shows the failures of a command-line run in one message box, for runs that have no terminal (a queue
/// file opened from a file manager).
void showFailures(int& argc, char** argv, const std::string& text);

} // namespace tamarisk::ui
