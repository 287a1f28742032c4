#pragma once
// The live connection: the probe tick that finds out what is on the line (a generation 3 station,
// a generation 4 station at the station address, the recorder, or nothing) and sets the indicator,
// the recorder tab, the station commands and the read-journal binding from it; the current-state
// polls of either generation while the page "Текущее состояние" is shown; and the remote
// start/stop button of that page.
#include "common/types.h"
#include "link/current_state_read.h"
#include "link/line_probe.h"

#include <QObject>

class LiveSession;
class QPushButton;

class LineWatch : public QObject {
    Q_OBJECT
public:
    explicit LineWatch(LiveSession& session);

    QPushButton* startStopButton() const { return startStop_; }

    // Binds the read-journal menu item and tool button to the command of a generation.
    std::function<void(vorsan::ControllerGeneration)> bindReadJournal;

    // The recorder answered after it had not (its directory is to be read again).
    Q_SIGNAL void recorderAppeared();

private:
    struct ProbeOutcome {
        bool opened = false;
        vorsan::LineProbe probe;
    };
    struct PollOutcome {
        QString openFailure; // the message of a failed open ("" when it opened)
        bool opened = false;
        vorsan::CurrentStateRead read;
    };

    void probeTick();
    void applyProbe(const ProbeOutcome& outcome, std::uint8_t address);
    void pollTick(vorsan::ControllerGeneration generation);
    void applyPoll(const PollOutcome& outcome, vorsan::ControllerGeneration generation);
    void currentPageChanged(int index);
    void startStop();

    LiveSession& session_;
    QPushButton* startStop_ = nullptr;
    bool pageShown_ = false;
};
