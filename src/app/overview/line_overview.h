#pragma once
// The line work of the page "Обзор линии". The scan is a command of the live session: the probe
// rests, the progress window has "Отмена", every station found enters the table and the station
// list as it is found, and the current address is never changed by it. While the page is shown the
// line scheduler gives every turn to the overview: the stations are polled in turn with the
// current-state read, one transaction at a time on the link thread, a round at most every 2 s; the
// probe waits until the page is left. Each answer may be appended to a CSV file.
#include "link/line_scan.h"
#include "link/serial_link.h"
#include "link/station_watch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class LiveSession;
class OverviewPage;

class LineOverview : public QObject {
    Q_OBJECT
public:
    LineOverview(LiveSession& session, OverviewPage& page);

    // "Найти все станции"; full: every address with the fixed 500 ms.
    void scan(bool full);
    // A double-clicked row: the station becomes the current address and "Текущее состояние" opens.
    void choose(std::uint8_t address);
    // Appends every answer to `path` from now on (a new or empty file gets the header). The reason
    // on failure, empty on success.
    QString startRecording(const QString& path);
    void stopRecording();
    bool recording() const { return csv_.isOpen(); }

    // Who asks for the CSV file's name when "Записывать в файл" is checked (the save dialog;
    // tests give their own). An empty name leaves the box unchecked.
    std::function<QString()> chooseFile;

    // A round ends every `ms` at the earliest (2000 by default; 0: the rounds follow back to back).
    void setRoundPeriod(int ms) { periodMs_ = ms; }
    // The time from the first request of the last complete round to the end of its last answer.
    qint64 lastRoundMicros() const { return lastRoundMicros_; }
    int roundsDone() const { return rounds_; }
    int answers() const { return answers_; }

    Q_SIGNAL void roundEnded(qint64 micros);
    Q_SIGNAL void scanEnded();

private:
    struct ScanOutcome {
        vorsan::OpenResult opened;
        vorsan::LineScanResult scan;
        qint64 elapsedMs = 0;
    };
    struct PollOutcome {
        vorsan::OpenResult opened;
        vorsan::StationRow row;
        vorsan::RowPoll poll;
        vorsan::WallTime at{};
    };

    void found(const vorsan::ScannedStation& station);
    void scanFinished(ScanOutcome& out, bool full);
    void turn();
    int wait() const;
    void applyPoll(PollOutcome& out);
    void noteChange(const PollOutcome& out);
    void currentPageChanged(int index);
    void recordingToggled(bool on);

    LiveSession& session_;
    OverviewPage& page_;
    bool shown_ = false;
    std::size_t next_ = 0; // the row the next turn polls
    QElapsedTimer round_;  // since the round's first request
    int periodMs_ = 2000;
    qint64 lastRoundMicros_ = 0;
    int rounds_ = 0;
    int answers_ = 0;
    bool lineFailed_ = false; // the last turn's port did not open or took no request
    vorsan::StationCsv csv_;
    QString csvPath_;
};
