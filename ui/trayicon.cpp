#include "ui/trayicon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tamarisk::ui {

TrayIcon::TrayIcon(const QIcon& icon, const QString& toolTip, QMenu* menu, QObject* parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this)), m_watch(new QTimer(this)),
      m_available([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
    m_icon->setToolTip(toolTip);
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit pressed();
    });
    // Nothing tells a program that the notification area has gone: it is asked while it matters.
    m_watch->setInterval(1000);
    connect(m_watch, &QTimer::timeout, this, &TrayIcon::checkStillThere);
}

bool TrayIcon::isAvailable() const {
    return m_available && m_available();
}

void TrayIcon::show() {
    m_icon->show();
    m_watch->start();
}

void TrayIcon::hide() {
    m_watch->stop();
    m_icon->hide();
}

bool TrayIcon::isVisible() const {
    return m_icon->isVisible();
}

void TrayIcon::checkStillThere() {
    if (!m_icon->isVisible() || isAvailable())
        return;
    hide();
    emit vanished();
}

} // namespace tamarisk::ui
