// The main window: menus, tool bar, pages, status bar, port commands, start-up and the graph keys.
#include "charts/all_graphs_page.h"
#include "charts/graph_sheet.h"
#include "charts/one_graph_page.h"
#include "shared/commands.h"
#include "shared/connection_indicator.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "shared/status_panels.h"

#include "journal_samples.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using vorsan::Command;

namespace {

// A menu as text: one line per item, "caption|shortcut", "-" for a separator.
QStringList describe(const QList<QAction*>& actions) {
    QStringList lines;
    for (const QAction* a : actions) {
        if (a->isSeparator())
            lines << QStringLiteral("-");
        else if (a->isVisible())
            lines << a->text() + QLatin1Char('|') + a->shortcut().toString(QKeySequence::PortableText);
    }
    return lines;
}

QMenu* menuNamed(MainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void menusCarryTheListedItems();
    void toolBarOrderAndHints();
    void pagesAndCaptions();
    void graphSheetsTakeTurns();
    void statusBarPanels();
    void geometryAndCaption();
    void commandStatesFollowTheTable();
    void sharedSlotsFollowTheirTarget();
    void portCommandWritesSettings();
    void startUpReadsSettings();
    void startUpWithForeignPortNumber();
    void graphKeys();
    void connectionIndicator();
    void pendingFileWaitsForItsOpener();
    void missingHelpFileIsReported();
};

void MainWindowTest::menusCarryTheListedItems() {
    MainWindow w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"Файл", "Порт:Com1", "Настройки", "Уставки", "База данных", "Справка"}));

    QCOMPARE(
        describe(menuNamed(w, "Файл")->actions()),
        (QStringList{"Открыть файл журнала|Ctrl+O", "Сохранить журнал в файл|Ctrl+S",
                     "Сохранить журнал в текстовый файл|Ctrl+T", "-", "Считать журнал событий|Ctrl+R", "-",
                     "Печать журнала событий|", "Экспорт журнала в MS Excel|Ctrl+E", "-", "Выход|Ctrl+Q"}));
    QCOMPARE(describe(w.portMenu()->actions()), (QStringList{"Com1|", "Com2|", "Com3|", "Com4|"}));
    QCOMPARE(describe(menuNamed(w, "Настройки")->actions()),
             (QStringList{"Обнуление хронологии событий|", "Параметры...|", "Монитор линии|"}));
    QCOMPARE(describe(menuNamed(w, "Уставки")->actions()),
             (QStringList{"Загрузить файл уставок|", "Считать уставки с контроллера|",
                          "Сохранить уставки в файл|", "Запись уставок в контроллер|", "-",
                          "Сравнить уставки…|", "Сравнить уставки со скважиной из базы данных|"}));
    QCOMPARE(describe(menuNamed(w, "База данных")->actions()),
             (QStringList{"Добавить скважину из файла|", "Сохранить скважину в файл|", "-",
                          "Удалить скважину из базы данных|", "-", "Найти скважину|", "-",
                          "Обновить базу данных из архива|", "Создать архив базы данных|", "-",
                          "Синхронизировать с сервером…|"}));
    QCOMPARE(describe(menuNamed(w, "Справка")->actions()),
             (QStringList{"Справка по программе|F1", "-", "О программе|"}));
    for (QAction* a : w.portMenu()->actions())
        QVERIFY(a->isCheckable() && !a->isChecked());
}

void MainWindowTest::toolBarOrderAndHints() {
    MainWindow w;
    auto* tools = w.findChild<QToolBar*>(QStringLiteral("toolBar"));
    QVERIFY(tools);
    QStringList hints;
    for (QAction* a : tools->actions()) {
        if (a->isSeparator())
            hints << QStringLiteral("-");
        else if (!a->text().isEmpty()) // the widgets (station list, indicator) carry no text
            hints << a->toolTip();
    }
    QCOMPARE(hints, (QStringList{"Открыть файл журнала",
                                 "Сохранить журнал в файл",
                                 "Сохранить журнал в текстовый файл",
                                 "-",
                                 "Считать журнал событий",
                                 "-",
                                 "Печать журнала событий",
                                 "Экспорт журнала в MS Excel",
                                 "-",
                                 "Обнуление хронологии событий",
                                 "Загрузить файл уставок",
                                 "Считать уставки с контроллера",
                                 "Сохранить уставки в файл",
                                 "Запись уставок в контроллер",
                                 "-",
                                 "Работа с базой данных",
                                 "-",
                                 "поиск предыдущего устройства в сети",
                                 "Поиск устройства в сети",
                                 "поиск следующего устройства в сети",
                                 "-"}));
    for (QAction* a : tools->actions())
        if (!a->isSeparator() && !a->text().isEmpty()) QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
    // The station list sits at the end, hidden until stations are seen.
    QVERIFY(w.stationList());
    QVERIFY(!w.stationListShown());
    w.setStationListVisible(true);
    QVERIFY(w.stationListShown());
}

void MainWindowTest::pagesAndCaptions() {
    MainWindow w;
    PageControl* pages = w.pages();
    QCOMPARE(pages->count(), 10);
    const QStringList captions{"Журнал событий", "Уставки", "Текущее состояние", "Диаграммы", "Графики",
                               "Графики",        "Регистратор", "База данных",   "Анализ", "Обзор линии"};
    const char* classes[] = {"JournalPage",  "SettingsPage", "CurrentStatePage", "DiagramsPage", "OneGraphPage",
                             "AllGraphsPage", "RecorderPage", "DatabasePage",     "AnalysisPage", "OverviewPage"};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->widget(i)->metaObject()->className(), classes[i]);
    }
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(!pages->isTabVisible(kSpareGraphPage));
    QVERIFY(!pages->isTabVisible(kRecorderPage));
    for (int i : {0, 1, 2, 3, 4, 7, 8})
        QVERIFY(pages->isTabVisible(i));
    pages->setRecorderTabVisible(true);
    QVERIFY(pages->recorderTabVisible());
}

void MainWindowTest::graphSheetsTakeTurns() {
    MainWindow w;
    PageControl* pages = w.pages();
    auto* one = pages->page<OneGraphPage>();
    auto* all = pages->page<AllGraphsPage>();
    one->switchButton()->click(); // "Просмотр всех графиков на одном экране"
    QCOMPARE(pages->widget(kGraphPage), all);
    QCOMPARE(pages->widget(kSpareGraphPage), one);
    QCOMPARE(pages->currentIndex(), int(kGraphPage));
    QVERIFY(pages->isTabVisible(kGraphPage));
    QVERIFY(!pages->isTabVisible(kSpareGraphPage));
    QCOMPARE(pages->tabText(kGraphPage), QStringLiteral("Графики"));
    all->switchButton()->click(); // "Просмотр одного графика на экране"
    QCOMPARE(pages->widget(kGraphPage), one);
    QCOMPARE(pages->widget(kSpareGraphPage), all);
    QVERIFY(!pages->isTabVisible(kSpareGraphPage));
    QCOMPARE(all->switchButton()->text(), QStringLiteral("Просмотр одного графика на экране"));
    QCOMPARE(one->switchButton()->text(), QStringLiteral("Просмотр всех графиков на одном экране"));
}

void MainWindowTest::statusBarPanels() {
    MainWindow w;
    const int d = QFontMetrics(w.statusBar()->font()).horizontalAdvance(QLatin1Char('d'));
    QCOMPARE(w.status()->panel(0)->width(), 35 * d);
    QCOMPARE(w.status()->panel(1)->width(), 40 * d);
    QVERIFY(w.status()->panel(0)->alignment() & Qt::AlignHCenter);
    w.status()->setActivity(QStringLiteral("Чтение текущих параметров"));
    w.status()->setWell(QStringLiteral("куст №5  скважина №12"));
    QCOMPARE(w.status()->activity(), QStringLiteral("Чтение текущих параметров"));
    w.status()->clear();
    QVERIFY(w.status()->activity().isEmpty() && w.status()->well().isEmpty());
}

void MainWindowTest::geometryAndCaption() {
    MainWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("ВОРСАН 4.074 "));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QCOMPARE(w.size(), QSize(screen.width() * 5 / 6, screen.height() * 3 / 4));
    QCOMPARE(w.pos(), QPoint((screen.width() - w.width()) / 2, (screen.height() - w.height()) / 2));
}

void MainWindowTest::commandStatesFollowTheTable() {
    MainWindow w;
    CommandSet& c = w.commands();
    QVERIFY(c.action(Command::OpenJournal)->isEnabled());
    QVERIFY(!c.action(Command::ReadJournal)->isEnabled());
    QVERIFY(!c.action(Command::SaveJournal)->isEnabled());
    QVERIFY(!c.action(Command::SaveWellToFile)->isEnabled());
    QVERIFY(c.action(Command::SearchDevice)->isEnabled());
    QVERIFY(!c.action(Command::SearchNext)->isEnabled());

    c.table().lineState(vorsan::LineState::Gen3Station);
    QVERIFY(c.action(Command::ReadJournal)->isEnabled());
    QVERIFY(c.action(Command::ClearChronology)->isEnabled());
    QVERIFY(!c.action(Command::SearchDevice)->isEnabled());

    int ran = 0;
    c.bind(Command::ReadJournal, [&] { ++ran; });
    c.action(Command::ReadJournal)->trigger();
    QCOMPARE(ran, 1);
    c.table().lineState(vorsan::LineState::Nothing);
    c.action(Command::ReadJournal)->trigger(); // disabled: does not run
    QCOMPARE(ran, 1);
}

void MainWindowTest::sharedSlotsFollowTheirTarget() {
    MainWindow w;
    CommandSet& c = w.commands();
    QAction* print = c.slotAction(CommandSlot::Print);
    QCOMPARE(print->text(), QStringLiteral("Печать журнала событий"));
    QVERIFY(!print->isEnabled());
    c.table().journalLoaded();
    QVERIFY(print->isEnabled());

    int printedSettings = 0;
    c.bind(Command::PrintSettings, [&] { ++printedSettings; });
    c.table().set(vorsan::kJournalCommands, false);
    c.retarget(CommandSlot::Print, Command::PrintSettings);
    QCOMPARE(print->text(), QStringLiteral("Печать уставок"));
    QVERIFY(print->isEnabled());
    print->trigger();
    QCOMPARE(printedSettings, 1);
}

void MainWindowTest::portCommandWritesSettings() {
    QTemporaryDir dir;
    MainWindow w;
    w.state().settingsDir = dir.path();
    w.state().settings.recorderSpeed = 57600;
    w.selectPort(2);
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:Com2"));
    const auto items = w.portMenu()->actions();
    QVERIFY(!items[0]->isChecked() && items[1]->isChecked() && !items[2]->isChecked() &&
            !items[3]->isChecked());
    QCOMPARE(QString::fromStdString(w.state().settings.portName), QStringLiteral("com2"));
    QCOMPARE(readAll(dir.filePath("vors.set")), QByteArray("\xED\xE1\x02\x00\xE1\x00\x00", 7));
    QVERIFY(w.probeTimer().isActive()); // the new port is probed at once

    w.commands().action(Command::Port4)->trigger();
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:Com4"));
    QVERIFY(items[3]->isChecked() && !items[1]->isChecked());
    QCOMPARE(readAll(dir.filePath("vors.set")).at(2), '\x04');
}

void MainWindowTest::startUpReadsSettings() {
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("vors.set"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xED\xE1\x03\x00\xE1\x00\x00", 7));
    }
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(w.state().journalImage != nullptr);
    QCOMPARE(QString::fromStdString(w.state().settings.portName), QStringLiteral("com3"));
    QCOMPARE(w.state().settings.recorderSpeed, 57600u);
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:Com3"));
    QVERIFY(w.portMenu()->actions()[2]->isChecked());
    QCOMPARE(w.state().databaseDir, QDir(dir.path()).filePath("bd"));
    QCOMPARE(w.state().stationAddress, 1);
    QCOMPARE(w.state().pad, vorsan::kUnknown16);
    QCOMPARE(w.pages()->currentIndex(), 0);
    w.close();
}

void MainWindowTest::startUpWithForeignPortNumber() {
    QTemporaryDir dir;
    const QByteArray bytes("\xED\xE1\x07\x00\x4B\x00\x00", 7);
    {
        QFile f(dir.filePath("vors.set"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(w.state().journalImage != nullptr);
    QCOMPARE(QString::fromStdString(w.state().settings.portName), QStringLiteral("com1"));
    QCOMPARE(w.state().settings.portNumber, 7);
    QCOMPARE(w.state().settings.recorderSpeed, 19200u);
    QCOMPARE(w.portMenu()->title(), QStringLiteral("Порт:Com1"));
    for (QAction* a : w.portMenu()->actions())
        QVERIFY(!a->isChecked());
    QCOMPARE(readAll(dir.filePath("vors.set")), bytes); // no port command ran, nothing rewritten
    w.close();
}

void MainWindowTest::graphKeys() {
    QTemporaryDir dir;
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    PageControl* pages = w.pages();
    auto* one = pages->page<OneGraphPage>();
    auto* all = pages->page<AllGraphsPage>();
    // A journal of an hour: both sheets can zoom in, and out again after a zoom in.
    QVERIFY(QTest::qWaitFor([&] { return w.state().journalImage != nullptr; }));
    w.setOilfieldQuestion([] {});
    w.showJournal(vorsan::ControllerGeneration::Gen4,
                  samples::imageOf(samples::smallGen4(), vorsan::ControllerGeneration::Gen4), std::nullopt,
                  std::nullopt);
    pages->setCurrentIndex(kJournalPage);
    QSignalSpy allIn(all->zoomInButton(), &QPushButton::clicked);
    QSignalSpy allOut(all->zoomOutButton(), &QPushButton::clicked);
    QSignalSpy oneIn(one->zoomInButton(), &QPushButton::clicked);

    // Page 0: nothing.
    QVERIFY(!w.handleGraphKey(Qt::Key_Plus));
    QTest::keyClick(&w, Qt::Key_Plus);
    QCOMPARE(oneIn.count() + allIn.count(), 0);

    one->switchButton()->click(); // all graphs at index 4
    QTest::keyClick(pages, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(allIn.count(), 1);
    QTest::keyClick(pages, Qt::Key_Equal);
    QCOMPARE(allIn.count(), 2);
    QTest::keyClick(pages, Qt::Key_Minus);
    QCOMPARE(allOut.count(), 1);
    QCOMPARE(oneIn.count(), 0);
    QTest::keyClick(pages, Qt::Key_A);
    QCOMPARE(allIn.count() + allOut.count(), 3);

    all->zoomInButton()->setEnabled(false); // a disabled button is not pressed
    QVERIFY(!w.handleGraphKey(Qt::Key_Plus));
    QCOMPARE(allIn.count(), 2);

    all->switchButton()->click();
    QVERIFY(w.handleGraphKey(Qt::Key_Plus));
    QCOMPARE(oneIn.count(), 1);
}

void MainWindowTest::connectionIndicator() {
    QTemporaryDir dir;
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    auto* noConnection = w.indicator()->findChild<QLabel*>(QStringLiteral("noConnectionPicture"));
    QVERIFY(noConnection);
    QVERIFY(w.indicator()->noConnectionShown());
    QCOMPARE(noConnection->toolTip(), QStringLiteral("Нет соединения со станцией"));
    w.indicator()->setNoConnectionShown(false);
    QVERIFY(!w.indicator()->noConnectionShown());
}

void MainWindowTest::pendingFileWaitsForItsOpener() {
    QTemporaryDir dir;
    const auto cl = vorsan::parseCommandLine({"--port", "/dev/pts/9", "/tmp/x 1.VR4"});
    MainWindow w(cl);
    QCOMPARE(w.portDevice(), QStringLiteral("/dev/pts/9"));
    QCOMPARE(w.state().pendingFile, QStringLiteral("/tmp/x 1.VR4"));
    w.setDataDir(dir.path());
    // Openers registered before start-up (these replace the file commands' own) wait for it.
    QString opened;
    w.setFileOpener(vorsan::PendingFileKind::Settings, [&](const QString& f) { opened = "settings:" + f; });
    w.setFileOpener(vorsan::PendingFileKind::Journal, [&](const QString& f) { opened = f; });
    QVERIFY(opened.isEmpty());
    QCOMPARE(w.state().pendingFile, QStringLiteral("/tmp/x 1.VR4"));
    w.show();
    QTRY_COMPARE(opened, QStringLiteral("/tmp/x 1.VR4"));
    QVERIFY(w.state().pendingFile.isEmpty());
    w.close();

    MainWindow ignored(vorsan::parseCommandLine({"/tmp/x.Vr4"}));
    ignored.setDataDir(dir.path());
    ignored.setFileOpener(vorsan::PendingFileKind::Journal, [&](const QString& f) { opened = f + "!"; });
    ignored.show();
    QTRY_VERIFY(ignored.state().journalImage != nullptr);
    QCOMPARE(opened, QStringLiteral("/tmp/x 1.VR4"));
    QVERIFY(ignored.state().pendingFile.isEmpty());
    ignored.close();

    // A well file goes to the database's opener, not to the journal's.
    MainWindow well(vorsan::parseCommandLine({"/tmp/Куст1_Ск2.VBD"}));
    well.setDataDir(dir.path());
    well.setFileOpener(vorsan::PendingFileKind::Journal, [&](const QString& f) { opened = "journal:" + f; });
    well.setFileOpener(vorsan::PendingFileKind::Well, [&](const QString& f) { opened = "well:" + f; });
    well.show();
    QTRY_COMPARE(opened, QStringLiteral("well:/tmp/Куст1_Ск2.VBD"));
}

void MainWindowTest::missingHelpFileIsReported() {
    QTemporaryDir dir;
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(w.state().journalImage != nullptr);
    QString said;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    w.commands().action(Command::Help)->trigger();
    QCOMPARE(said, QStringLiteral("Файл справки «vor_help.chm» не найден."));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
