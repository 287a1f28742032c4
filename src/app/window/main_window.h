#pragma once
// The main window: owns the long-lived state (WindowState), builds the menus, tool bar, page
// control and status bar, runs start-up, and wires commands to the pages that implement them.
// The pages own their views; the link, journal, settings and database code bind their commands
// through commands() and reach the window through their own interfaces (LiveWindow,
// DatabaseWindow), which it implements.
#include "database/database_window.h"
#include "journal/current_state.h"
#include "live/link_worker.h"
#include "live/live_window.h"
#include "settings/setting_def.h"
#include "shared/commands.h"
#include "shared/window_state.h"
#include "window/page_control.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class ConnectionIndicator;
class DatabaseCommands;
class RecorderCommands;
class DataViews;
class FileCommands;
class ReportCommands;
class LiveStation;
class QPushButton;
class QAction;
class QComboBox;
class QMenu;
class StatusPanels;
class ParametersDialog;
class PortChoice;
class PortMenu;
class LineMonitorWindow;
class LineOverview;

inline const QString kMainCaption = QStringLiteral("ВОРСАН 4.074 ");
inline const QString kHelpFile = QStringLiteral("vor_help.chm");

class MainWindow : public QMainWindow, public LiveWindow, public DatabaseWindow {
    Q_OBJECT
public:
    // The link factory makes the serial link of the link thread (a port unless told otherwise).
    explicit MainWindow(const vorsan::CommandLine& commandLine = {}, QWidget* parent = nullptr,
                    LinkWorker::LinkFactory linkFactory = {});
    ~MainWindow() override;

    QWidget* widget() override { return this; }
    WindowState& state() override { return state_; }
    CommandSet& commands() override { return *commands_; }
    PageControl* pages() const override { return pages_; }
    StatusPanels* status() const override { return status_; }
    ConnectionIndicator* indicator() const override { return indicator_; }
    // The live line: probe, polls, start/stop, station commands, searches.
    LiveStation& live() { return *live_; }
    QMenu* portMenu() const;
    QComboBox* stationList() const override { return stationList_; }
    void setStationListVisible(bool visible) override;
    bool stationListShown() const;

    // The port command N (1..4): checks its item, names the port, probes it at once and writes
    // the settings file.
    void selectPort(int n);
    // The serial device behind the chosen port.
    QString portDevice() const override;
    // A device chosen by name from the port menu: the ComN items are unchecked, the port is probed
    // at once, "vors.set" is written (port number 0, as for any name that is not ComN) and the
    // device is remembered in "vorsan.ini" beside it. With `warn`, a device the user may not open
    // (or that is gone) is said so at once.
    void selectDevice(const QString& path, bool warn = true);
    // The devices part of the port menu.
    PortMenu* portDevices() const;
    // "Монитор линии" (menu "Настройки").
    LineMonitorWindow* lineMonitor() const { return lineMonitor_; }
    // The line work of the page "Обзор линии".
    LineOverview& overview() const { return *overview_; }

    void showParameters();
    void showHelp();
    void showAbout();

    // The graph page's keys: minus and plus press the zoom buttons of the graph sheet in use, only
    // while it is the active page and only if the button is enabled. Returns whether one was pressed.
    bool handleGraphKey(int key);

    // Who opens a file named on the command line: the journal files, the settings files and the
    // database's well files code register here. A file that arrives before its opener is kept in
    // state().pendingFile.
    void setFileOpener(vorsan::PendingFileKind kind, std::function<void(const QString&)> opener);

    // The line probe ticks here (first 1 ms after start and after every port choice, then every
    // 2000 ms). The link code sets what a tick does; the timer is stopped around every transaction.
    void setProbe(std::function<void()> tick) override { probeTick_ = std::move(tick); }
    QTimer& probeTimer() override { return probeTimer_; }
    void armProbe(int milliseconds);

    bool startedUp() const { return startedUp_; }

    // ---- Showing what was read from a station or downloaded from the recorder ----
    // A journal just read: `settings` (when given) become the window's settings, shown under
    // `settingsTitle`; `image` is decoded for `generation` and shown; `state` (when given) is shown
    // on the current-state page. The caption becomes `caption`, the journal commands are enabled,
    // the journal page becomes active with the grid focused, and the oilfield question is asked.
    // Settings must come with the journal when they changed: setting-change texts name them.
    void showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image,
                     const std::optional<vorsan::SettingsCatalogue>& settings,
                     const std::optional<vorsan::CurrentState>& state,
                     const QString& caption = kJournalReadCaption,
                     const QString& settingsTitle = kControllerSettingsTitle) override;
    // Settings read from a station: they replace the window's (and the loaded generation) and are
    // shown with `title` in the settings page's title panel.
    void showSettings(const vorsan::SettingsCatalogue& settings,
                      const QString& title = kControllerSettingsTitle) override;
    // A current state (a poll, a transfer): replaces the window's and is shown; the start/stop
    // button's caption follows its status word.
    void showCurrentState(const vorsan::CurrentState& state) override;
    // The remote start/stop button on the current-state page (disabled, "Стоп" at start); the link
    // code binds its click and enables it.
    QPushButton* startStopButton() const override;
    // Where the well database asks for the oilfield after a journal is shown.
    void setOilfieldQuestion(std::function<void()> ask);

    // Emitted before the window releases the well database (closing): its operations must end.
    Q_SIGNAL void closingDatabase();

    DataViews& views() const override { return *views_; }
    FileCommands& files() { return *files_; }
    ReportCommands& reports() override { return *reports_; }
    ChartSource* chartSource() const override { return pages_->chartSource(); }
    // The well database's commands, dialogs and the operations behind the database tab.
    DatabaseCommands& database() { return *database_; }
    RecorderCommands& recorder() { return *recorder_; }

    // Keeps "vors.set" and the database in `dir` instead of beside the program (set before the
    // window is shown; used by the tests).
    void setDataDir(const QString& dir) { dataDirOverride_ = dir; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void wireWellTable();
    void buildToolBar();
    void bindShellCommands();
    void startUp();
    // Opens the settings and scratch tables of the well database. When the table code refuses a
    // table it says so and the program ends (returns false).
    bool openTables();
    void runPendingFile();

    WindowState state_;
    CommandSet* commands_ = nullptr;
    PageControl* pages_ = nullptr;
    StatusPanels* status_ = nullptr;
    DataViews* views_ = nullptr; // the window's PageViews
    FileCommands* files_ = nullptr;
    ReportCommands* reports_ = nullptr;
    DatabaseCommands* database_ = nullptr;
    RecorderCommands* recorder_ = nullptr;
    ConnectionIndicator* indicator_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QMenu* setpointsMenu_ = nullptr;
    PortChoice* ports_ = nullptr; // the port menu and "vors.set"
    LineMonitorWindow* lineMonitor_ = nullptr;
    LineOverview* overview_ = nullptr;
    QComboBox* stationList_ = nullptr;
    QAction* stationListAction_ = nullptr;
    ParametersDialog* parametersDialog_ = nullptr;
    QTimer probeTimer_;
    std::function<void()> probeTick_;
    std::function<void(const QString&)> journalOpener_;
    std::function<void(const QString&)> settingsOpener_;
    std::function<void(const QString&)> wellOpener_; // "Добавить скважину из файла" of the database
    QString dataDirOverride_;
    std::unique_ptr<LiveStation> live_;
    bool startedUp_ = false;
};
