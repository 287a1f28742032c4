#include "window/main_window.h"

#include "wells/well_database_state.h"

#include "charts/graph_sheet.h"
#include "database/database_commands.h"
#include "database/database_files.h"
#include "dialogs/about_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "files/file_commands.h"
#include "print/report_commands.h"
#include "journal/journal_page.h"
#include "live/live_station.h"
#include "recorder/recorder_commands.h"
#include "recorder/recorder_page.h"
#include "monitor/line_monitor_window.h"
#include "ports/port_menu.h"
#include "settings/settings_compare_dialog.h"
#include "link/open_failure.h"
#include "settings/catalogue.h"
#include "shell/port_device.h"
#include "shell/window_geometry.h"
#include "state/current_state_page.h"
#include "shared/app_paths.h"
#include "shared/connection_indicator.h"
#include "window/page_views.h"
#include "shared/loaded_data.h"
#include "shared/page.h"
#include "window/page_control.h"
#include "shared/status_panels.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

using vorsan::Command;

namespace {

constexpr Command kPortCommands[] = {Command::Port1, Command::Port2, Command::Port3, Command::Port4};
constexpr int kProbeInterval = 2000;

// One entry of a menu or tool bar: a command, a shared slot, or a separator.
struct Entry {
    enum Kind { Cmd, Slot, Separator } kind;
    Command command = Command::Exit;
    CommandSlot slot = CommandSlot::Print;
};
constexpr Entry cmd(Command c) {
    return {Entry::Cmd, c, CommandSlot::Print};
}
constexpr Entry slot(CommandSlot s) {
    return {Entry::Slot, Command::Exit, s};
}
constexpr Entry sep() {
    return {Entry::Separator};
}

const Entry kFileMenu[] = {cmd(Command::OpenJournal),
                           cmd(Command::SaveJournal),
                           slot(CommandSlot::SaveText),
                           sep(),
                           cmd(Command::ReadJournal),
                           sep(),
                           slot(CommandSlot::Print),
                           slot(CommandSlot::Export),
                           sep(),
                           cmd(Command::Exit)};
const Entry kSettingsMenu[] = {cmd(Command::ClearChronology), cmd(Command::Parameters)};
const Entry kSetpointsMenu[] = {cmd(Command::LoadSettingsFile), cmd(Command::ReadSettings),
                                cmd(Command::SaveSettingsFile), cmd(Command::WriteSettings)};
const Entry kDatabaseMenu[] = {cmd(Command::AddWellFromFile),
                               cmd(Command::SaveWellToFile),
                               sep(),
                               cmd(Command::DeleteWell),
                               sep(),
                               cmd(Command::FindWell),
                               sep(),
                               cmd(Command::RestoreDatabase),
                               cmd(Command::ArchiveDatabase)};
const Entry kHelpMenu[] = {cmd(Command::Help), sep(), cmd(Command::About)};
const Entry kToolBar[] = {cmd(Command::OpenJournal),
                          cmd(Command::SaveJournal),
                          slot(CommandSlot::SaveText),
                          sep(),
                          cmd(Command::ReadJournal),
                          sep(),
                          slot(CommandSlot::Print),
                          slot(CommandSlot::Export),
                          sep(),
                          cmd(Command::ClearChronology),
                          cmd(Command::LoadSettingsFile),
                          cmd(Command::ReadSettings),
                          cmd(Command::SaveSettingsFile),
                          cmd(Command::WriteSettings),
                          sep(),
                          cmd(Command::OpenDatabase),
                          sep(),
                          cmd(Command::SearchPrevious),
                          cmd(Command::SearchDevice),
                          cmd(Command::SearchNext),
                          sep()};

template <class Container, std::size_t N>
void addEntries(Container* to, CommandSet& commands, const Entry (&entries)[N]) {
    for (const auto& e : entries) {
        switch (e.kind) {
        case Entry::Cmd:
            to->addAction(commands.action(e.command));
            break;
        case Entry::Slot:
            to->addAction(commands.slotAction(e.slot));
            break;
        case Entry::Separator:
            to->addSeparator();
            break;
        }
    }
}

QString portMenuCaption(int n) {
    return QStringLiteral("Порт:Com%1").arg(n);
}

// The program's own settings beside "vors.set", which keeps its 7 bytes: the device chosen by name.
const QString kOwnSettingsFile = QStringLiteral("vorsan.ini");
const QString kChosenDeviceKey = QStringLiteral("port/device");

} // namespace

MainWindow::MainWindow(const vorsan::CommandLine& commandLine, QWidget* parent, LinkWorker::LinkFactory linkFactory)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(kMainCaption);
    state_.portDeviceOverride = QString::fromStdString(commandLine.portDevice);
    if (!commandLine.file.empty()) {
        // Made absolute now: start-up changes the working directory.
        state_.pendingFile = QFileInfo(QString::fromStdString(commandLine.file)).absoluteFilePath();
        state_.pendingFileKind = commandLine.fileKind;
    }

    commands_ = new CommandSet(this);
    buildMenus();
    buildToolBar();
    pages_ = new PageControl(state_, this);
    setCentralWidget(pages_);
    status_ = new StatusPanels(statusBar());
    bindShellCommands();
    const PageContext context{this, commands_, status_, indicator_, pages_};
    for (int i = 0; i < pages_->count(); ++i)
        pages_->pageAt(i)->attach(context);
    views_ = new PageViews(state_, pages_, status_, commands_);
    files_ = new FileCommands(state_, *views_, *commands_, this, pages_);
    reports_ = new ReportCommands(state_, *views_, *commands_, this);
    database_ = new DatabaseCommands(*this);
    setOilfieldQuestion([this] { database_->askToAdd(); });
    // A well file named on the command line (a file manager opening it with the program).
    setFileOpener(vorsan::PendingFileKind::Well, [this](const QString& path) { database_->files().addWellFileAt(path); });
    connect(this, &MainWindow::closingDatabase, database_, &DatabaseCommands::release);
    setFileOpener(vorsan::PendingFileKind::Journal,
                  [this](const QString& path) { files_->openJournalFile(path, true); });
    setFileOpener(vorsan::PendingFileKind::Settings,
                  [this](const QString& path) { files_->loadSettingsFile(path); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const auto size = screen->size();
        const auto r = vorsan::mainWindowGeometry(size.width(), size.height());
        resize(r.width, r.height);
        move(r.left, r.top);
    }

    probeTimer_.setSingleShot(false);
    connect(&probeTimer_, &QTimer::timeout, this, [this] {
        probeTimer_.setInterval(kProbeInterval);
        if (probeTick_) probeTick_();
    });
    live_ = std::make_unique<LiveStation>(*this, std::move(linkFactory));
    lineMonitor_ = new LineMonitorWindow(live_->worker(), this);
    recorder_ = new RecorderCommands(*this, *live_, *database_, *pages_->page<RecorderPage>());
    settingsMenu_->addAction(lineMonitor_->showAction());
    attachSettingsComparison(setpointsMenu_, views_->settingsPage(), state_, this);
    attachSnapshotComparison(setpointsMenu_, views_->settingsPage(), state_, commands_->dataSource(), this);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    emit closingDatabase();
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    addEntries(bar->addMenu(QStringLiteral("Файл")), *commands_, kFileMenu);
    portMenu_ = bar->addMenu(portMenuCaption(1));
    portMenu_->setObjectName(QStringLiteral("portMenu"));
    portMenu_->setToolTipsVisible(true);
    for (Command c : kPortCommands)
        portMenu_->addAction(commands_->action(c));
    connect(portMenu_, &QMenu::aboutToShow, this, [this] {
        // Each item's hint is the device it stands for on this machine.
        for (int n = 1; n <= vorsan::kPortCount; ++n) {
            const auto device =
                vorsan::portDevice(vorsan::portNameOf(n), state_.portDeviceOverride.toStdString());
            commands_->action(kPortCommands[n - 1])->setToolTip(QString::fromStdString(device));
        }
    });
    portDevices_ = new PortMenu(portMenu_, [this] {
        const auto& name = state_.settings.portName;
        return name.starts_with('/') ? QString::fromStdString(name) : QString();
    });
    connect(portDevices_, &PortMenu::deviceChosen, this, [this](const QString& path) { selectDevice(path); });
    settingsMenu_ = bar->addMenu(QStringLiteral("Настройки"));
    addEntries(settingsMenu_, *commands_, kSettingsMenu);
    setpointsMenu_ = bar->addMenu(QStringLiteral("Уставки"));
    addEntries(setpointsMenu_, *commands_, kSetpointsMenu);
    addEntries(bar->addMenu(QStringLiteral("База данных")), *commands_, kDatabaseMenu);
    addEntries(bar->addMenu(QStringLiteral("Справка")), *commands_, kHelpMenu);
}

void MainWindow::buildToolBar() {
    auto* tools = addToolBar(QStringLiteral("Панель инструментов"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setMovable(false);
    tools->setFloatable(false);
    tools->setContextMenuPolicy(Qt::PreventContextMenu);
    tools->setIconSize(QSize(24, 24));
    addEntries(tools, *commands_, kToolBar);

    stationList_ = new QComboBox(tools);
    stationList_->setObjectName(QStringLiteral("stationList"));
    stationList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    stationListAction_ = tools->addWidget(stationList_);
    stationListAction_->setVisible(false);

    auto* spacer = new QWidget(tools);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tools->addWidget(spacer);
    indicator_ = new ConnectionIndicator(tools);
    tools->addWidget(indicator_);
}

void MainWindow::bindShellCommands() {
    commands_->bind(Command::Exit, [this] { close(); });
    for (int n = 1; n <= vorsan::kPortCount; ++n)
        commands_->bind(kPortCommands[n - 1], [this, n] { selectPort(n); });
    commands_->bind(Command::Parameters, [this] { showParameters(); });
    commands_->bind(Command::Help, [this] { showHelp(); });
    commands_->bind(Command::About, [this] { showAbout(); });
}

void MainWindow::setStationListVisible(bool visible) {
    stationListAction_->setVisible(visible);
}

bool MainWindow::stationListShown() const {
    return stationListAction_->isVisible();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!startedUp_) {
        startedUp_ = true;
        // After the window is up, so that a refusing table can still show its message over it.
        QTimer::singleShot(0, this, [this] { startUp(); });
    }
}

void MainWindow::startUp() {
    setUpPaths(state_, dataDirOverride_);
    QDir().mkpath(state_.dataDir);
    QDir::setCurrent(state_.dataDir);
    if (!openTables()) {
        close();
        return;
    }
    readProgramSettings();
    state_.journalLoaded = false;
    state_.loadedGeneration = vorsan::ControllerGeneration::Gen4;
    views_->showSettings(vorsan::buildCatalogue(state_.loadedGeneration), {});
    pages_->setCurrentIndex(kJournalPage);
    setWindowTitle(kMainCaption);
    state_.journalImage = std::make_unique<vorsan::JournalImage>();
    status_->clear();
    state_.pad = vorsan::kUnknown16;
    state_.well = vorsan::kUnknown16;
    state_.stationAddress = 1;
    commands_->table().wellSelected(false);
    runPendingFile();
    armProbe(1);
}

bool MainWindow::openTables() {
    // A database directory that does not exist yet is a first run: it is made with empty tables.
    // The directory stays locked for this program until it ends.
    vorsan::wells::Outcome outcome;
    auto database = vorsan::wells::WellDatabase::open(state_.databaseDir.toStdString(), decimalSeparator(), outcome);
    if (database) {
        state_.database = std::move(database);
        return true;
    }
    QMessageBox::warning(this, QString::fromStdString(outcome.caption), QString::fromStdString(outcome.message));
    return false;
}

void MainWindow::readProgramSettings() {
    state_.settings = {};
    const auto file = QDir(state_.settingsDir).filePath(QString::fromLatin1(vorsan::kSettingsFileName));
    vorsan::readSettingsFile(file.toStdString(), state_.settings);
    const int n = state_.settings.portNumber;
    if (n >= 1 && n <= vorsan::kPortCount) {
        selectPort(n);
        return;
    }
    const QSettings own(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat);
    if (const QString device = own.value(kChosenDeviceKey).toString(); device.startsWith(QLatin1Char('/')))
        selectDevice(device, false);
}

void MainWindow::writeProgramSettings() {
    const auto file = QDir(state_.settingsDir).filePath(QString::fromLatin1(vorsan::kSettingsFileName));
    if (vorsan::writeSettingsFile(file.toStdString(), state_.settings) !=
        vorsan::SettingsWriteStatus::Written)
        QMessageBox::critical(
            this, QStringLiteral("Ошибка"),
            QStringLiteral("Не удалось записать файл настроек %1").arg(QDir::toNativeSeparators(file)));
}

void MainWindow::selectPort(int n) {
    if (n < 1 || n > vorsan::kPortCount) return;
    for (int i = 1; i <= vorsan::kPortCount; ++i)
        commands_->action(kPortCommands[i - 1])->setChecked(i == n);
    state_.settings.portName = vorsan::portNameOf(n);
    portMenu_->setTitle(portMenuCaption(n));
    armProbe(1);
    writeProgramSettings();
    QSettings(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat).remove(kChosenDeviceKey);
}

void MainWindow::selectDevice(const QString& path, bool warn) {
    for (Command c : kPortCommands)
        commands_->action(c)->setChecked(false);
    state_.settings.portName = path.toStdString();
    portMenu_->setTitle(PortMenu::caption(path));
    armProbe(1);
    writeProgramSettings();
    QSettings(QDir(state_.settingsDir).filePath(kOwnSettingsFile), QSettings::IniFormat)
        .setValue(kChosenDeviceKey, path);
    if (!warn) return;
    if (const auto problem = vorsan::portAccessWarning(path.toStdString()); !problem.empty())
        QMessageBox::warning(this, QStringLiteral("Внимание"), QString::fromStdString(problem));
}

QString MainWindow::portDevice() const {
    return QString::fromStdString(
        vorsan::portDevice(state_.settings.portName, state_.portDeviceOverride.toStdString()));
}

void MainWindow::armProbe(int milliseconds) {
    probeTimer_.start(milliseconds);
}

void MainWindow::showParameters() {
    if (!parametersDialog_) {
        parametersDialog_ = new ParametersDialog(this);
        connect(parametersDialog_, &ParametersDialog::speedChosen, this, [this](std::uint32_t speed) {
            state_.settings.recorderSpeed = speed;
            writeProgramSettings();
        });
    }
    parametersDialog_->showFor(state_.settings.recorderSpeed);
}

void MainWindow::showHelp() {
    // The help file is looked for in the working directory (the data directory) and then beside
    // the program. Without it the user's guide installed with the program is the help.
    QFileInfo help(kHelpFile);
    if (!help.exists()) help = QFileInfo(QDir(state_.programDir).filePath(kHelpFile));
    if (!help.exists()) {
        const QString guide = userGuidePage(state_.programDir);
        if (!guide.isEmpty()) help = QFileInfo(guide);
    }
    if (!help.exists()) {
        QMessageBox::information(this, QStringLiteral("Внимание"),
                                 QStringLiteral("Файл справки «%1» не найден.").arg(kHelpFile));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(help.absoluteFilePath())))
        QMessageBox::information(
            this, QStringLiteral("Внимание"),
            QStringLiteral("Не удалось открыть файл справки «%1»: в системе нет программы для "
                           "его просмотра.")
                .arg(QDir::toNativeSeparators(help.absoluteFilePath())));
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

bool MainWindow::handleGraphKey(int key) {
    if (pages_->currentIndex() != kGraphPage) return false;
    GraphSheet* sheet = pages_->graphSheetInUse();
    if (!sheet) return false;
    switch (key) {
    case Qt::Key_Minus:
        return sheet->pressZoomOut();
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return sheet->pressZoomIn();
    default:
        return false;
    }
}

void MainWindow::setFileOpener(vorsan::PendingFileKind kind, std::function<void(const QString&)> opener) {
    if (kind == vorsan::PendingFileKind::Journal) journalOpener_ = std::move(opener);
    if (kind == vorsan::PendingFileKind::Settings) settingsOpener_ = std::move(opener);
    if (kind == vorsan::PendingFileKind::Well) wellOpener_ = std::move(opener);
    if (startedUp_) runPendingFile();
}

void MainWindow::runPendingFile() {
    const auto& opener = state_.pendingFileKind == vorsan::PendingFileKind::Journal    ? journalOpener_
                         : state_.pendingFileKind == vorsan::PendingFileKind::Settings ? settingsOpener_
                         : state_.pendingFileKind == vorsan::PendingFileKind::Well     ? wellOpener_
                                                                                       : nullptr;
    if (state_.pendingFileKind == vorsan::PendingFileKind::None) state_.pendingFile.clear();
    if (!opener || state_.pendingFile.isEmpty()) return;
    const QString file = state_.pendingFile;
    state_.pendingFile.clear();
    state_.pendingFileKind = vorsan::PendingFileKind::None;
    opener(file);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!pages_) return;
    for (int i = 0; i < pages_->count(); ++i)
        pages_->pageAt(i)->windowResized(width());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    probeTimer_.stop();
    lineMonitor_->close(); // takes its observer off the link while the link thread is still there
    live_->session().stopPolls();
    live_->shutDown();
    state_.journalImage.reset();
    // Closing the window ends the program: the database is released for the next one (after the
    // operation under way, if any, ended).
    emit closingDatabase();
    state_.database.reset();
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Key releases anywhere in this window reach the graph page's key rule first (the window
    // previews keys); a key that presses a button goes no further.
    if (event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == this && !key->isAutoRepeat() && handleGraphKey(key->key()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image,
                         const std::optional<vorsan::SettingsCatalogue>& settings,
                         const std::optional<vorsan::CurrentState>& state, const QString& caption,
                         const QString& settingsTitle) {
    if (settings) views_->showSettings(*settings, settingsTitle);
    views_->showJournal(generation, image);
    if (state) views_->showCurrentState(*state);
    setWindowTitle(caption);
    pages_->setCurrentIndex(kJournalPage);
    views_->showPadAndWell();
    views_->journalPage()->grid()->setFocus();
    views_->askOilfield();
}

void MainWindow::showSettings(const vorsan::SettingsCatalogue& settings, const QString& title) {
    views_->showSettings(settings, title);
}

void MainWindow::showCurrentState(const vorsan::CurrentState& state) {
    views_->showCurrentState(state);
}

QPushButton* MainWindow::startStopButton() const {
    return views_->currentStatePage()->startStopButton();
}

void MainWindow::setOilfieldQuestion(std::function<void()> ask) {
    views_->setOilfieldQuestion(std::move(ask));
}
