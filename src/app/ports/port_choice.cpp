#include "ports/port_choice.h"

#include "link/open_failure.h"
#include "ports/port_menu.h"
#include "shared/commands.h"
#include "shared/window_state.h"
#include "shell/port_device.h"
#include "shell/program_settings.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>

namespace {

constexpr vorsan::Command kPortCommands[] = {vorsan::Command::Port1, vorsan::Command::Port2,
                                             vorsan::Command::Port3, vorsan::Command::Port4};

QString portMenuCaption(int n) {
    return QStringLiteral("Порт:Com%1").arg(n);
}

// The program's own settings beside "vors.set", which keeps its 7 bytes: the device chosen by name.
const QString kOwnSettingsFile = QStringLiteral("vorsan.ini");
const QString kChosenDeviceKey = QStringLiteral("port/device");

} // namespace

PortChoice::PortChoice(WindowState& state, CommandSet& commands, QMenu* menu, QWidget* window,
                       std::function<void()> probeNow)
    : QObject(window), state_(state), commands_(commands), menu_(menu), window_(window),
      probeNow_(std::move(probeNow)) {
    menu_->setTitle(portMenuCaption(1));
    menu_->setObjectName(QStringLiteral("portMenu"));
    menu_->setToolTipsVisible(true);
    for (vorsan::Command c : kPortCommands)
        menu_->addAction(commands_.action(c));
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        // Each item's hint is the device it stands for on this machine.
        for (int n = 1; n <= vorsan::kPortCount; ++n) {
            const auto device =
                vorsan::portDevice(vorsan::portNameOf(n), state_.portDeviceOverride.toStdString());
            commands_.action(kPortCommands[n - 1])->setToolTip(QString::fromStdString(device));
        }
    });
    devices_ = new PortMenu(menu_, [this] {
        // The device in use: the one named by --port until the user chooses from the menu.
        if (!state_.portDeviceOverride.isEmpty()) return state_.portDeviceOverride;
        const auto& name = state_.settings.portName;
        return name.starts_with('/') ? QString::fromStdString(name) : QString();
    });
    connect(devices_, &PortMenu::deviceChosen, this, [this](const QString& path) { selectDevice(path); });
    for (int n = 1; n <= vorsan::kPortCount; ++n)
        commands_.bind(kPortCommands[n - 1], [this, n] { selectPort(n); });
}

void PortChoice::showOverride() {
    // Started with --port: that device is in use, whatever "vors.set" says; no ComN item is.
    for (vorsan::Command c : kPortCommands)
        commands_.action(c)->setChecked(false);
    menu_->setTitle(PortMenu::caption(state_.portDeviceOverride));
    probeNow_();
}

void PortChoice::readSettings() {
    state_.settings = {};
    const auto file = QDir(state_.settingsDir).filePath(QString::fromLatin1(vorsan::kSettingsFileName));
    vorsan::readSettingsFile(file.toStdString(), state_.settings);
    if (!state_.portDeviceOverride.isEmpty()) {
        showOverride();
        return;
    }
    const int n = state_.settings.portNumber;
    if (n >= 1 && n <= vorsan::kPortCount) {
        applyPort(n);
        return;
    }
    const QSettings own(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat);
    if (const QString device = own.value(kChosenDeviceKey).toString(); device.startsWith(QLatin1Char('/')))
        applyDevice(device, false);
}

void PortChoice::writeSettings() {
    const auto file = QDir(state_.settingsDir).filePath(QString::fromLatin1(vorsan::kSettingsFileName));
    if (vorsan::writeSettingsFile(file.toStdString(), state_.settings) !=
        vorsan::SettingsWriteStatus::Written)
        QMessageBox::critical(
            window_, QStringLiteral("Ошибка"),
            QStringLiteral("Не удалось записать файл настроек %1").arg(QDir::toNativeSeparators(file)));
}

void PortChoice::selectPort(int n) {
    if (n < 1 || n > vorsan::kPortCount) return;
    state_.portDeviceOverride.clear(); // the user's choice takes over from --port
    applyPort(n);
}

void PortChoice::selectDevice(const QString& path, bool warn) {
    state_.portDeviceOverride.clear();
    applyDevice(path, warn);
}

void PortChoice::applyPort(int n) {
    for (int i = 1; i <= vorsan::kPortCount; ++i)
        commands_.action(kPortCommands[i - 1])->setChecked(i == n);
    state_.settings.portName = vorsan::portNameOf(n);
    menu_->setTitle(portMenuCaption(n));
    devices_->refresh(); // the device items' checks follow
    probeNow_();
    writeSettings();
    QSettings(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat)
        .remove(kChosenDeviceKey);
}

void PortChoice::applyDevice(const QString& path, bool warn) {
    for (vorsan::Command c : kPortCommands)
        commands_.action(c)->setChecked(false);
    state_.settings.portName = path.toStdString();
    menu_->setTitle(PortMenu::caption(path));
    devices_->refresh();
    probeNow_();
    writeSettings();
    QSettings(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat)
        .setValue(kChosenDeviceKey, path);
    if (!warn) return;
    if (const auto problem = vorsan::portAccessWarning(path.toStdString()); !problem.empty())
        QMessageBox::warning(window_, QStringLiteral("Внимание"), QString::fromStdString(problem));
}

QString PortChoice::portDevice() const {
    return QString::fromStdString(
        vorsan::portDevice(state_.settings.portName, state_.portDeviceOverride.toStdString()));
}
