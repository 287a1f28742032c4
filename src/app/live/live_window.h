#pragma once
// What the live line needs from the window it works in: the state, the command set, the pages and
// views, the status panels, the connection indicator, the station list, the probe timer and the
// start/stop button. The main window implements it; the live side includes only this header, so
// the window depends on the live side and never the other way round.
#include "common/types.h"
#include "journal/current_state.h"
#include "settings/setting_def.h"

#include <QString>

#include <functional>
#include <optional>

class CommandSet;
class ConnectionIndicator;
class DataViews;
class PageTabs;
class QComboBox;
class QPushButton;
class QTimer;
class QWidget;
class StatusPanels;
struct WindowState;

inline const QString kJournalReadCaption = QStringLiteral("ВОРСАН 4.074 : журнал событий");
inline const QString kControllerSettingsTitle = QStringLiteral("Текущие уставки контроллера");

class LiveWindow {
public:
    // Parent of the link thread's objects, of progress windows and of message boxes.
    virtual QWidget* widget() = 0;
    virtual WindowState& state() = 0;
    virtual CommandSet& commands() = 0;
    virtual PageTabs* pages() const = 0;
    virtual StatusPanels* status() const = 0;
    virtual ConnectionIndicator* indicator() const = 0;
    virtual DataViews& views() const = 0;

    virtual QComboBox* stationList() const = 0;
    virtual void setStationListVisible(bool visible) = 0;
    // The serial device behind the chosen port.
    virtual QString portDevice() const = 0;
    // The probe timer and what its tick does (see LiveWindow::setProbe).
    virtual QTimer& probeTimer() = 0;
    virtual void setProbe(std::function<void()> tick) = 0;
    virtual QPushButton* startStopButton() const = 0;

    // What the station commands show (see LiveWindow for the rules).
    virtual void showJournal(vorsan::ControllerGeneration generation, const vorsan::JournalImage& image,
                             const std::optional<vorsan::SettingsCatalogue>& settings,
                             const std::optional<vorsan::CurrentState>& state,
                             const QString& caption = kJournalReadCaption,
                             const QString& settingsTitle = kControllerSettingsTitle) = 0;
    virtual void showSettings(const vorsan::SettingsCatalogue& settings,
                              const QString& title = kControllerSettingsTitle) = 0;
    virtual void showCurrentState(const vorsan::CurrentState& state) = 0;

protected:
    ~LiveWindow() = default;
};
