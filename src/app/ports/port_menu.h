#pragma once
// The serial devices of this computer below "Com1" … "Com4" in the port menu: USB adapters by
// maker and model, then ttyUSB*, ttyACM* and the ttyS* with a UART. The list is made again each
// time the menu opens and whenever an adapter is plugged in or pulled out (the by-id directory
// changes), so an open menu follows the plug. The device chosen is checked; a remembered adapter
// that is not plugged in stays listed, marked "отключён".
#include "shell/serial_ports.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QFileSystemWatcher;
class QMenu;

class PortMenu : public QObject {
    Q_OBJECT
public:
    // `chosen` tells the device now in use ("" when a "ComN" item is).
    PortMenu(QMenu* menu, std::function<QString()> chosen);

    // Another /dev (tests); also what tells a ttyS has a UART.
    void setDevRoot(const QString& root, vorsan::UartPresent uart);

    // Lists the devices again.
    void refresh();
    // The device items now in the menu.
    const QList<QAction*>& deviceActions() const { return items_; }

    // The user chose a device (its path: the by-id link when it has one).
    Q_SIGNAL void deviceChosen(const QString& path);

    // The menu caption of a device path: "Порт:ttyUSB0", "Порт:FTDI FT232R USB UART".
    static QString caption(const QString& path);

private:
    void watch();

    QMenu* menu_;
    std::function<QString()> chosen_;
    QString devRoot_ = QStringLiteral("/dev");
    vorsan::UartPresent uart_;
    QFileSystemWatcher* watcher_ = nullptr;
    QAction* separator_ = nullptr;
    QList<QAction*> items_;
};
