// The port menu over a fake /dev, the line monitor watching the window's own journal read from the
// simulator, and the settings comparison on the settings page; all through the real window.
#include "files/file_commands.h"
#include "live/live_station.h"
#include "monitor/line_monitor_window.h"
#include "ports/port_menu.h"
#include "settings/settings_compare_dialog.h"
#include "settings/settings_model.h"
#include "settings/settings_page.h"
#include "shared/commands.h"
#include "shared/data_source.h"
#include "shared/data_views.h"
#include "window/main_window.h"

#include "modal_boxes.h"

#include "settings/catalogue.h"
#include "journal/settings_file.h"
#include "shell/serial_ports.h"
#include "simulator.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

using vorsan::Command;
namespace fs = std::filesystem;

namespace {

const char* const kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

// A /dev with one FTDI adapter (ttyUSB1 behind its by-id link), a ttyUSB0 and two ttyS.
void makeDev(const fs::path& root) {
    fs::create_directories(vorsan::byIdDirectory(root));
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyS0", "ttyS1"})
        std::ofstream(root / name).put('\0');
    fs::create_symlink("../../ttyUSB1", vorsan::byIdDirectory(root) / kFtdi);
}

QStringList itemTexts(PortMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->deviceActions())
        texts << a->text() + (a->isChecked() ? QStringLiteral(" *") : QString());
    return texts;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PortsMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void portMenuListsTheDevicesAndRemembersTheChoice();
    void aPortNamedOnTheCommandLineIsCheckedUntilTheMenuChooses();
    void monitorShowsAJournalReadAndCostsNothingClosed();
    void theMonitorListFollowsNewRowsAfterAResize();
    void comparisonWithASettingsFile();
    void comparisonWithTheDatabaseWellsSnapshot();
};

void PortsMonitorTest::portMenuListsTheDevicesAndRemembersTheChoice() {
    QTemporaryDir data, dev;
    const fs::path root = dev.path().toStdString();
    makeDev(root);
    const auto uart = [](const std::string& name) { return name == "ttyS0"; };
    const QString ftdi = QString::fromStdString((vorsan::byIdDirectory(root) / kFtdi).string());
    {
        MainWindow w;
        w.setDataDir(data.path());
        w.show();
        QTRY_VERIFY(w.startedUp() && !w.state().settingsDir.isEmpty());
        w.portDevices()->setDevRoot(dev.path(), uart);
        QCOMPARE(itemTexts(w.portDevices()),
                 (QStringList{"FTDI FT232R USB UART (ttyUSB1)", "ttyUSB0", "ttyS0"}));
        w.portDevices()->deviceActions().at(0)->trigger();
        QCOMPARE(w.portDevice(), ftdi);
        QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:FTDI FT232R USB UART"));
        QVERIFY(!w.commands().action(Command::Port1)->isChecked());
        // "vors.set" keeps its 7 bytes: port number 0 for a port that is none of Com1..Com4.
        QCOMPARE(fileBytes(QDir(w.state().settingsDir).filePath("vors.set")),
                 QByteArray::fromHex("ede1008025000000").left(7));
        w.portMenu()->popup({0, 0}); // the menu is made again on opening
        QTRY_VERIFY(w.portMenu()->isVisible());
        QCOMPARE(itemTexts(w.portDevices()).at(0), QStringLiteral("FTDI FT232R USB UART (ttyUSB1) *"));
        w.portMenu()->hide();

        // Pulled out: the by-id directory changes and the list follows without the menu opening.
        fs::remove(vorsan::byIdDirectory(root) / kFtdi);
        fs::remove(root / "ttyUSB1");
        QTRY_COMPARE(itemTexts(w.portDevices()),
                     (QStringList{"ttyUSB0", "ttyS0", "FTDI FT232R USB UART (отключён) *"}));
    }
    // The next start takes the device from "vorsan.ini", whatever socket it is plugged into.
    makeDev(root);
    {
        MainWindow w;
        w.setDataDir(data.path());
        w.show();
        QTRY_VERIFY(w.startedUp() && w.portDevice() == ftdi);
        // Com2 again: the named device is forgotten and "vors.set" says 2.
        w.commands().action(Command::Port2)->trigger();
        QCOMPARE(fileBytes(QDir(w.state().settingsDir).filePath("vors.set")).at(2), char(2));
        const QSettings own(QDir(w.state().settingsDir).filePath("vorsan.ini"), QSettings::IniFormat);
        QVERIFY(!own.contains("port/device"));
    }
    // Choosing an adapter that is gone says so at once.
    {
        MainWindow w;
        w.setDataDir(data.path());
        w.show();
        QTRY_VERIFY(w.startedUp() && !w.state().settingsDir.isEmpty());
        ModalBoxes boxes;
        w.selectDevice(QStringLiteral("/dev/serial/by-id/usb-FTDI_gone_X1Y2Z3W4-if00-port0"));
        QCOMPARE(boxes.captions, QStringList{"Внимание"});
        QVERIFY(boxes.texts.at(0).contains("отключён"));
    }
}

void PortsMonitorTest::aPortNamedOnTheCommandLineIsCheckedUntilTheMenuChooses() {
    QTemporaryDir data, dev;
    const fs::path root = dev.path().toStdString();
    makeDev(root);
    const QString line = dev.filePath(QStringLiteral("pts-line"));
    QFile(line).open(QIODevice::WriteOnly);
    vorsan::CommandLine commandLine;
    commandLine.portDevice = line.toStdString();
    MainWindow w(commandLine);
    w.setDataDir(data.path());
    w.show();
    QTRY_VERIFY(w.startedUp() && !w.state().settingsDir.isEmpty());
    w.portDevices()->setDevRoot(dev.path(), [](const std::string&) { return false; });
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:pts-line"));
    for (Command c : {Command::Port1, Command::Port2, Command::Port3, Command::Port4})
        QVERIFY(!w.commands().action(c)->isChecked());
    QVERIFY(itemTexts(w.portDevices()).contains(QStringLiteral("pts-line *")));
    QCOMPARE(w.portDevice(), line);
    // The menu's choice takes over: the caption and the device follow it.
    w.commands().action(Command::Port2)->trigger();
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:Com2"));
    QVERIFY(w.commands().action(Command::Port2)->isChecked());
    QVERIFY(w.portDevice() != line);
    QVERIFY(!itemTexts(w.portDevices()).contains(QStringLiteral("pts-line *")));
}

void PortsMonitorTest::monitorShowsAJournalReadAndCostsNothingClosed() {
    vorsan::sim::SimOptions o;
    o.fast = true;
    o.seed = 7;
    o.gen4Addresses = {1};
    vorsan::sim::Simulator sim(o);
    QCOMPARE(QString::fromStdString(sim.start()), QString());
    QTemporaryDir data;
    vorsan::CommandLine commandLine;
    commandLine.portDevice = sim.devicePath();
    {
        MainWindow w(commandLine);
        w.setDataDir(data.path());
        w.show();
        LineMonitorWindow* monitor = w.lineMonitor();
        QVERIFY(!monitor->tapped());
        monitor->showAction()->trigger();
        QVERIFY(monitor->tapped());
        QTRY_VERIFY_WITH_TIMEOUT(w.commands().table().enabled(Command::ReadJournal), 5000);
        QTRY_VERIFY(!w.live().worker().busy());
        w.commands().action(Command::ReadJournal)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.state().journalLoaded && !w.live().session().commandRunning(), 30000);
        w.live().session().probeTimer().stop();
        QTRY_VERIFY(!w.live().worker().busy());
        monitor->drain();
        bool block17 = false;
        for (const auto& r : monitor->model()->rows())
            block17 = block17 || r.cells[LineMonitorModel::Meaning] == QStringLiteral("чтение журнала, блок 17 из 256");
        QVERIFY(block17);
        // The probe asks for a generation 3 controller (0xFF) and the recorder (255) too; nobody
        // answers them on this line, as expected: the probe's own row counts the silences.
        const auto& stations = monitor->stationCounters().stations();
        QCOMPARE(stations.size(), std::size_t{2});
        QCOMPARE(stations[0].station, vorsan::kProbeKey);
        QCOMPARE(stations[0].good, 0u);
        QCOMPARE(stations[0].timeOuts, 0u);
        QCOMPARE(stations[0].silences, stations[0].requests);
        QCOMPARE(stations[1].station, 1);
        QVERIFY(stations[1].requests >= 256 + 16);
        QCOMPARE(stations[1].good, stations[1].requests);
        QVERIFY(monitor->text().contains(QStringLiteral("чтение уставок, блок 16 из 16")));
        // No red row: the probe's silences are grey.
        for (const auto& r : monitor->model()->rows())
            QVERIFY2(!r.bad, qPrintable(r.cells[LineMonitorModel::Meaning]));
        // Every counters row is in view.
        QVERIFY(monitor->counters()->height() >= monitor->counters()->minimumHeight());

        // The filter shows the probe's rows alone, or one station's.
        QComboBox* filter = monitor->filter();
        filter->setCurrentIndex(filter->findData(vorsan::kProbeKey));
        QAbstractItemModel* shown = monitor->view()->model();
        int silences = 0, stationRows = 0;
        for (int r = 0; r < shown->rowCount(); ++r) {
            const QString state = shown->index(r, LineMonitorModel::State).data().toString();
            silences += state.startsWith(QStringLiteral("нет ответа: ")) ? 1 : 0;
            stationRows +=
                shown->index(r, LineMonitorModel::Station).data().toString() == QStringLiteral("станция 1")
                    ? 1
                    : 0;
        }
        QCOMPARE(static_cast<std::uint64_t>(silences), stations[0].requests);
        QCOMPARE(stationRows, 0);
        filter->setCurrentIndex(filter->findData(1));
        QVERIFY(monitor->view()->model()->rowCount() > 2 * (256 + 16));
        filter->setCurrentIndex(0);
        QCOMPARE(monitor->view()->model()->rowCount(), monitor->model()->rowCount());

        // A pause keeps what comes meanwhile and shows it on resume.
        auto* pause = monitor->findChild<QPushButton*>(QStringLiteral("monitorPause"));
        pause->setChecked(true);
        const int before = monitor->model()->rowCount();
        sim.clearReceived();
        w.armProbe(1);
        QTRY_VERIFY(!sim.received().empty());
        QTRY_VERIFY(!w.live().worker().busy());
        monitor->drain();
        QCOMPARE(monitor->model()->rowCount(), before);
        QVERIFY(monitor->heldRows() >= 6);
        QVERIFY(monitor->text().count(QLatin1Char('\n')) >= before + 6);
        const std::size_t held = monitor->heldRows();
        pause->setChecked(false);
        QCOMPARE(monitor->model()->rowCount(), before + static_cast<int>(held));
        w.live().session().probeTimer().stop();
        QTRY_VERIFY(!w.live().worker().busy());

        // Closed, the link has no observer: what goes over the line afterwards is not gathered.
        monitor->close();
        QVERIFY(!monitor->tapped());
        const int rows = monitor->model()->rowCount();
        sim.clearReceived();
        w.armProbe(1);
        QTRY_VERIFY(!sim.received().empty());
        QTRY_VERIFY(!w.live().worker().busy());
        monitor->drain();
        QCOMPARE(monitor->model()->rowCount(), rows);
        w.close();
    }
    sim.stop();
}

void PortsMonitorTest::theMonitorListFollowsNewRowsAfterAResize() {
    LinkWorker worker;
    LineMonitorWindow monitor(worker, nullptr);
    monitor.resize(900, 600);
    monitor.show();
    const auto rows = [](int n) {
        std::vector<LineMonitorModel::Row> out(static_cast<std::size_t>(n));
        for (auto& r : out)
            r.cells[LineMonitorModel::Meaning] = QStringLiteral("текущее состояние, блок 1");
        return out;
    };
    QScrollBar* bar = monitor.view()->verticalScrollBar();
    monitor.model()->append(rows(200));
    QTRY_COMPARE(bar->value(), bar->maximum());
    monitor.resize(900, 300); // more rows out of view: the list still shows the last
    QTRY_COMPARE(bar->value(), bar->maximum());
    monitor.model()->append(rows(50));
    QTRY_COMPARE(bar->value(), bar->maximum());
    // Scrolled up by the user, it stays where it was.
    bar->setValue(10);
    monitor.model()->append(rows(50));
    QTest::qWait(20);
    QCOMPARE(bar->value(), 10);
    // Long cells have their whole text as a tooltip.
    const QModelIndex meaning = monitor.model()->index(0, LineMonitorModel::Meaning);
    QCOMPARE(meaning.data(Qt::ToolTipRole).toString(), QStringLiteral("текущее состояние, блок 1"));
    monitor.close();
}

void PortsMonitorTest::comparisonWithASettingsFile() {
    QTemporaryDir data;
    MainWindow w;
    w.setDataDir(data.path());
    w.show();
    QTRY_VERIFY(w.startedUp() && !w.state().settingsDir.isEmpty());
    auto catalogue = vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen4);
    for (auto& e : catalogue.entries)
        e.value = static_cast<std::uint16_t>(e.minRaw);
    const fs::path here = fs::path(data.path().toStdString()) / "here.us4";
    const fs::path there = fs::path(data.path().toStdString()) / "there.us4";
    QCOMPARE(vorsan::saveSettingsFile(here, catalogue, {}).status, vorsan::SettingsSaveStatus::ok);
    catalogue.byNumber(21)->value = 400;
    catalogue.byNumber(40)->value = 2;
    QCOMPARE(vorsan::saveSettingsFile(there, catalogue, {}).status, vorsan::SettingsSaveStatus::ok);
    QVERIFY(w.files().loadSettingsFile(QString::fromStdString(here.string())));

    SettingsPage* page = w.views().settingsPage();
    QVERIFY(compareWithSettingsFile(QString::fromStdString(there.string()), w.state(), page, &w));
    auto* dialog = w.findChild<SettingsCompareDialog*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->rowCount(), 2);
    QCOMPARE(dialog->table()->item(0, 2)->text(), QStringLiteral("100 В"));
    QCOMPARE(dialog->table()->item(0, 3)->text(), QStringLiteral("400 В"));
    QCOMPARE(dialog->table()->item(1, 3)->text(), QStringLiteral("АПВ"));
    QCOMPARE(page->model()->markedRows(), (QList<int>{0, 19}));
    QVERIFY(page->model()->data(page->model()->index(19, 1), Qt::BackgroundRole).isValid());
    QVERIFY(!page->model()->data(page->model()->index(18, 1), Qt::BackgroundRole).isValid());
    dialog->close();

    // A generation 3 file is refused and marks nothing.
    auto gen3 = vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen3);
    gen3.entries[0].value = 1;
    const fs::path other = fs::path(data.path().toStdString()) / "other.ust";
    QCOMPARE(vorsan::saveSettingsFile(other, gen3, {}).status, vorsan::SettingsSaveStatus::ok);
    w.views().showSettings(w.state().catalogue, QString());
    ModalBoxes boxes;
    QVERIFY(compareWithSettingsFile(QString::fromStdString(other.string()), w.state(), page, &w));
    QCOMPARE(boxes.captions, QStringList{"Внимание"});
    QVERIFY(boxes.texts.at(0).contains(QStringLiteral("поколения 3 (82)")));
    QVERIFY(page->model()->markedRows().isEmpty());
}

// The well shown in the database tab lends its snapshot; without one the command is disabled.
void PortsMonitorTest::comparisonWithTheDatabaseWellsSnapshot() {
    QTemporaryDir data;
    MainWindow w;
    w.setDataDir(data.path());
    w.show();
    QTRY_VERIFY(w.startedUp() && !w.state().settingsDir.isEmpty());
    auto* compare = w.findChild<QAction*>(QStringLiteral("compareSnapshotAction"));
    QVERIFY(compare);
    QVERIFY(!compare->isEnabled());

    auto catalogue = vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen4);
    for (auto& e : catalogue.entries)
        e.value = static_cast<std::uint16_t>(e.minRaw);
    w.views().showSettings(catalogue, QString());
    auto well = std::make_shared<DatabaseWellData>();
    well->well = vorsan::wells::WellId{"Новое", 12, 345};
    well->settings.present = true;
    well->settings.generation = vorsan::ControllerGeneration::Gen4;
    well->settings.catalogue = catalogue;
    well->settings.catalogue.byNumber(24)->value = 30;
    w.commands().dataSource().setDatabaseWell(well);
    QVERIFY(compare->isEnabled());
    compare->trigger();
    auto* dialog = w.findChild<SettingsCompareDialog*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->rowCount(), 1);
    QCOMPARE(dialog->table()->item(0, 0)->text(), QStringLiteral("24"));
    QCOMPARE(dialog->table()->item(0, 3)->text(), QStringLiteral("30 сек"));
    QCOMPARE(w.views().settingsPage()->model()->markedRows(), QList<int>{3});
}

QTEST_MAIN(PortsMonitorTest)
#include "ports_monitor_test.moc"
