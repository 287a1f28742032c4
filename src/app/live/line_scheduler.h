#pragma once
// The one owner of the line's periodic work: the line probe, always, and the current-state poll of
// one generation while the page "Текущее состояние" is shown. Both come every 2 s; with the poll on
// they take turns a second apart, so neither can crowd the other out. A turn that falls due while a
// transaction still holds the line waits for it and is not lost. A command pauses the schedule and
// resumes it when it ends, whatever its outcome.
//
// While the line overview is shown its round owns the schedule instead: the probe and the poll
// rest, and each turn polls the next station of the overview as soon as the line is free (after a
// round, when the overview says its next round is due).
#include "common/types.h"

#include <QObject>

#include <functional>
#include <optional>

class LinkWorker;
class QTimer;

class LineScheduler : public QObject {
    Q_OBJECT
public:
    // `timer` is the window's probe timer: the scheduler's only clock. tick() is its timeout.
    LineScheduler(QTimer& timer, LinkWorker& worker, QObject* parent = nullptr);

    // What a turn runs: each starts one transaction on the link thread (or none, if it has nothing
    // to do).
    std::function<void()> probe;
    std::function<void(vorsan::ControllerGeneration)> poll;
    // The overview's turn (one station's transaction, or none), and how many milliseconds after the
    // line came free its next turn is due (0: at once).
    std::function<void()> overview;
    std::function<int()> overviewWait;

    void tick();

    // The poll of `generation` joins the turns; `soon`: its first turn comes in 1 ms (the page was
    // just shown).
    void startPoll(vorsan::ControllerGeneration generation, bool soon = false);
    void stopPoll();
    // The poll that takes turns, unless a command holds the line.
    std::optional<vorsan::ControllerGeneration> runningPoll() const;
    // While a poll's message is up the poll skips its turns (messages must not pile up).
    void setPollResting(bool resting) { pollResting_ = resting; }

    // The overview's round takes every turn (the probe and the poll rest) / gives them back, the
    // probe coming in 1 ms.
    void startOverview();
    void stopOverview();
    bool overviewRunning() const { return overview_; }

    // A command holds the line / has ended.
    void pause();
    void resume();
    bool paused() const { return paused_; }

private:
    void onLineFree();
    void rearm();

    QTimer& timer_;
    LinkWorker& worker_;
    std::optional<vorsan::ControllerGeneration> poll_;
    bool pollNext_ = false; // whose turn comes next when the poll is on
    bool pollResting_ = false;
    bool paused_ = false;
    bool held_ = false; // a turn fell due while the line was busy
    bool overview_ = false;
};
