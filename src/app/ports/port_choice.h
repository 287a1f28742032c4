#pragma once
// The port the program talks through: the items "Com1" … "Com4" of the port menu, the serial
// devices listed below them (PortMenu), the menu's caption, and the program settings file
// "vors.set" (port and recorder speed) with "vorsan.ini" beside it, which remembers a device
// chosen by name.
#include <QObject>
#include <QString>

#include <functional>

class CommandSet;
class PortMenu;
class QMenu;
class QWidget;
struct WindowState;

class PortChoice : public QObject {
    Q_OBJECT
public:
    // `menu` is the menu bar's port menu, filled here; `probeNow` probes the chosen port at once;
    // `window` is the parent of the messages.
    PortChoice(WindowState& state, CommandSet& commands, QMenu* menu, QWidget* window,
               std::function<void()> probeNow);

    // At start-up: "vors.set" read into the state and its port chosen, or else the device that
    // "vorsan.ini" remembers.
    void readSettings();
    // "vors.set" written from the state; a failure is said.
    void writeSettings();

    // The port command N (1..4): checks its item, names the port, probes it at once and writes
    // the settings file. A choice of the user's takes over from the device named by --port.
    void selectPort(int n);
    // A device chosen by name (see MainWindow::selectDevice).
    void selectDevice(const QString& path, bool warn = true);
    // The serial device behind the chosen port.
    QString portDevice() const;

    QMenu* menu() const { return menu_; }
    PortMenu* devices() const { return devices_; }

private:
    void applyPort(int n);
    void applyDevice(const QString& path, bool warn);
    void showOverride();

    WindowState& state_;
    CommandSet& commands_;
    QMenu* menu_;
    QWidget* window_;
    std::function<void()> probeNow_;
    PortMenu* devices_ = nullptr;
};
