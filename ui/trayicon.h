#pragma once

#include <QObject>

#include <functional>

class QIcon;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace tamarisk::ui {

/// The window's icon in the notification area, and the answer to "is a notification area really there?".
/// While the icon is shown it keeps checking: a notification area can go away (its host ends or restarts),
/// and a window hidden in it would then be out of reach, so vanished() is reported at once.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(const QIcon& icon, const QString& toolTip, QMenu* menu, QObject* parent);

    /// Whether the desktop has a notification area now.
    bool isAvailable() const;
    /// Replaces the platform's check; tests answer it.
    void setAvailabilityCheck(std::function<bool()> available) { m_available = std::move(available); }

    void show();
    void hide();
    bool isVisible() const;
    QSystemTrayIcon* icon() const { return m_icon; }

    /// Checks that the notification area is still there while the icon is shown; runs every second then.
    void checkStillThere();

signals:
    /// A left press on the icon.
    void pressed();
    /// The notification area went away while the icon was shown; the icon is hidden.
    void vanished();

private:
    QSystemTrayIcon* m_icon = nullptr;
    QTimer* m_watch = nullptr;
    std::function<bool()> m_available;
};

} // namespace tamarisk::ui
