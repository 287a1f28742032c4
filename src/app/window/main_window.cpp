#include "window/main_window.h"

#include "wells/well_database_state.h"

#include "analytics/well_table_view.h"
#include "charts/graph_sheet.h"
#include "database/database_commands.h"
#include "database/database_files.h"
#include "database/database_page.h"
#include "dialogs/about_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "files/file_commands.h"
#include "print/report_commands.h"
#include "journal/journal_page.h"
#include "live/live_station.h"
#include "recorder/recorder_commands.h"
#include "recorder/recorder_page.h"
#include "monitor/line_monitor_window.h"
#include "overview/line_overview.h"
#include "overview/overview_page.h"
#include "ports/port_choice.h"
#include "settings/settings_compare_dialog.h"
#include "settings/catalogue.h"
#include "shell/window_geometry.h"
#include "state/current_state_page.h"
#include "shared/app_paths.h"
#include "shared/connection_indicator.h"
#include "window/command_lists.h"
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
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

using vorsan::Command;

namespace {

constexpr int kProbeInterval = 2000;

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
    wireWellTable();
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
    overview_ = new LineOverview(live_->session(), *pages_->page<OverviewPage>());
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

void MainWindow::wireWellTable() {
    // An oilfield or pad clicked in the database tree: the tab shows the run-life table of its
    // wells, read through the database's queue; a line of it shows its well as a tree choice does.
    auto* wells = new WellTableView;
    wells->setDatabaseRunner([this](auto operation, auto done) {
        database_->runOperation(std::move(operation), std::move(done));
    });
    DatabasePage* page = database_->page();
    page->setGroupView(wells);
    connect(page, &DatabasePage::groupChosen, wells, &WellTableView::showWells);
    connect(wells, &WellTableView::wellOpened, database_, [this, page](const vorsan::wells::WellId& well) {
        page->selectWellNode(well);
        database_->chooseWell(well);
    });
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    addCommands(bar->addMenu(QStringLiteral("Файл")), *commands_, CommandList::FileMenu);
    ports_ = new PortChoice(state_, *commands_, bar->addMenu(QString()), this, [this] { armProbe(1); });
    settingsMenu_ = bar->addMenu(QStringLiteral("Настройки"));
    addCommands(settingsMenu_, *commands_, CommandList::SettingsMenu);
    setpointsMenu_ = bar->addMenu(QStringLiteral("Уставки"));
    addCommands(setpointsMenu_, *commands_, CommandList::SetpointsMenu);
    addCommands(bar->addMenu(QStringLiteral("База данных")), *commands_, CommandList::DatabaseMenu);
    addCommands(bar->addMenu(QStringLiteral("Справка")), *commands_, CommandList::HelpMenu);
}

void MainWindow::buildToolBar() {
    auto* tools = addToolBar(QStringLiteral("Панель инструментов"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setMovable(false);
    tools->setFloatable(false);
    tools->setContextMenuPolicy(Qt::PreventContextMenu);
    tools->setIconSize(QSize(24, 24));
    addCommands(tools, *commands_, CommandList::ToolBar);

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
    ports_->readSettings();
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

QMenu* MainWindow::portMenu() const {
    return ports_->menu();
}

PortMenu* MainWindow::portDevices() const {
    return ports_->devices();
}

void MainWindow::selectPort(int n) {
    ports_->selectPort(n);
}

void MainWindow::selectDevice(const QString& path, bool warn) {
    ports_->selectDevice(path, warn);
}

QString MainWindow::portDevice() const {
    return ports_->portDevice();
}

void MainWindow::armProbe(int milliseconds) {
    probeTimer_.start(milliseconds);
}

void MainWindow::showParameters() {
    if (!parametersDialog_) {
        parametersDialog_ = new ParametersDialog(this);
        connect(parametersDialog_, &ParametersDialog::speedChosen, this, [this](std::uint32_t speed) {
            state_.settings.recorderSpeed = speed;
            ports_->writeSettings();
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
