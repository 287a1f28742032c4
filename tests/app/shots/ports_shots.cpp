// Screenshots of the port menu (over a fake /dev with two adapters and a UART) and of a settings
// comparison. Run by hand under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/release/shot_ports DIR
#include "ports/port_menu.h"
#include "files/file_commands.h"
#include "settings/settings_compare_dialog.h"
#include "shared/data_views.h"
#include "window/main_window.h"

#include "settings/catalogue.h"
#include "journal/settings_file.h"
#include "shell/serial_ports.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void shoot(const QString& dir, const QString& name) {
    QTest::qWait(400);
    const QString file = QDir(dir).filePath(name);
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    std::printf("%s: %s\n", qPrintable(file), saved ? "saved" : "NOT saved");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString shots = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(shots);
    QTemporaryDir data, dev;
    const fs::path root = dev.path().toStdString();
    fs::create_directories(vorsan::byIdDirectory(root));
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1"})
        std::ofstream(root / name).put('\0');
    fs::create_symlink("../../ttyUSB0", vorsan::byIdDirectory(root) / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    fs::create_symlink("../../ttyUSB1", vorsan::byIdDirectory(root) / "usb-1a86_USB_Serial-if00-port0");
    fs::create_symlink("../../ttyACM0", vorsan::byIdDirectory(root) /
                                            "usb-Silicon_Labs_CP2102N_USB_to_UART_Bridge_Controller_0001-if00");

    MainWindow window;
    window.setDataDir(data.path());
    window.show();
    QTest::qWait(800);
    window.portDevices()->setDevRoot(dev.path(), [](const std::string& n) { return n == "ttyS0"; });
    window.portDevices()->deviceActions().at(1)->trigger();
    QMenu* menu = window.portMenu();
    menu->popup(window.mapToGlobal(QPoint(60, 22)));
    shoot(shots, QStringLiteral("port_menu.png"));
    menu->hide();

    auto catalogue = vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen4);
    for (auto& e : catalogue.entries)
        e.value = static_cast<std::uint16_t>(e.minRaw);
    catalogue.byNumber(21)->value = 380;
    catalogue.byNumber(34)->value = 320;
    const fs::path here = fs::path(data.path().toStdString()) / "Куст12_Ск345.us4";
    const fs::path there = fs::path(data.path().toStdString()) / "Куст12_Ск345_офис.us4";
    vorsan::saveSettingsFile(here, catalogue, {});
    catalogue.byNumber(21)->value = 400;
    catalogue.byNumber(22)->value = 2;
    catalogue.byNumber(34)->value = 355;
    catalogue.byNumber(39)->value = 90;
    vorsan::saveSettingsFile(there, catalogue, {});
    window.files().loadSettingsFile(QString::fromStdString(here.string()));
    QTest::qWait(300);
    compareWithSettingsFile(QString::fromStdString(there.string()), window.state(), window.views().settingsPage(),
                            &window);
    if (auto* dialog = window.findChild<SettingsCompareDialog*>()) dialog->move(window.x() + 330, window.y() + 300);
    shoot(shots, QStringLiteral("settings_comparison.png"));
    return 0;
}
