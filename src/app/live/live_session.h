#pragma once
// What the parts that work with a live station share: the window and its state, the link thread,
// the probe and poll timers, the progress window of the command that runs, the station list, and
// the rule every command follows: while it runs the probe and the polls rest and the progress
// window keeps the user's hands off the window; when it ends the progress window goes, the port is
// already closed, its messages are shown, and the probe starts again whatever the outcome.
#include "common/types.h"
#include "dialogs/progress_window.h"
#include "live/line_scheduler.h"
#include "live/link_worker.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class LiveWindow;
struct WindowState;
namespace vorsan {
class CommandTable;
struct OpenResult;
} // namespace vorsan

// How a command's progress window looks.
struct ProgressLook {
    QString caption = QStringLiteral("Чтение данных...");
    bool cancellable = false;
    // "Отмена" shown but disabled: a transfer of a kind that can stop, but not this one (a
    // generation 3 block stream runs to its end once started).
    bool cancelDisabled = false;
    // Bytes still to cross the line (requests and replies) after report (done, total); with the
    // line speed it gives the time remaining shown under the bar. Empty: no estimate.
    std::function<long(int done, int total)> bytesLeft;
    int lineSpeed = 9600;
    // Turns a report (done, total) into the bar's position; by default the bar stands at `done`.
    std::function<int(int done, int total)> position;
    // Told of every report on the window thread, before the bar moves.
    std::function<void(int done, int total)> observe;
};

class LiveSession : public QObject {
    Q_OBJECT
public:
    LiveSession(LiveWindow& window, LinkWorker& worker);

    LiveWindow& window() { return window_; }
    WindowState& state();
    vorsan::CommandTable& table();
    LinkWorker& worker() { return worker_; }
    // The device behind the chosen port, taken when a transaction is asked for.
    QString device() const;

    // ---- the line's periodic work ----
    QTimer& probeTimer();
    LineScheduler& scheduler() { return scheduler_; }
    // The poll that takes turns with the probe, if one does.
    std::optional<vorsan::ControllerGeneration> runningPoll() const { return scheduler_.runningPoll(); }
    void stopPolls() { scheduler_.stopPoll(); }
    bool onCurrentStatePage() const;

    // ---- commands ----
    // Runs a command's transaction. The probe and the polls are stopped first; the progress window
    // opens at the transaction's first report (after the port opened) and is released before
    // `done` runs. `done` calls finish() when its messages have been shown.
    template <class Result>
    void command(ProgressLook look, std::function<Result(LinkJob&)> job, std::function<void(Result&)> done);
    bool commandRunning() const { return commandRunning_; }
    ProgressWindow* progressWindow() const { return progress_; }
    // The end of every command, whatever its outcome: the probe and (while its page is shown) the
    // poll take their turns again.
    void finish();

    // ---- what commands show ----
    void showOpenFailure(const vorsan::OpenResult& result);
    // A message box with the given caption (Error, Ошибка, ...).
    void showError(const QString& caption, const QString& text);
    // Adds the station list's entry of this station when new and shows the list; the entry is
    // selected when the station is the current one (`current`), as after a search.
    void enterStation(std::uint16_t pad, std::uint16_t well, std::uint8_t address, bool current = true);

    // Emitted when a transaction's progress window is shown (tests and the stall driver watch it).
    Q_SIGNAL void progressShown(ProgressWindow* window);

private:
    void onProgress(int done, int total);
    void releaseProgress();
    void showRemaining(int done, int total);

    LiveWindow& window_;
    LinkWorker& worker_;
    LineScheduler scheduler_;
    bool commandRunning_ = false;
    ProgressLook look_;
    QPointer<ProgressWindow> progress_;
};

template <class Result>
void LiveSession::command(ProgressLook look, std::function<Result(LinkJob&)> job,
                          std::function<void(Result&)> done) {
    scheduler_.pause();
    commandRunning_ = true;
    look_ = std::move(look);
    worker_.run<Result>(this, device(), std::move(job), [this, done = std::move(done)](Result& result) {
        releaseProgress();
        commandRunning_ = false;
        done(result);
    });
}
