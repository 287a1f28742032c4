#pragma once
// The recorder page's commands: reading the directory ("Обновить", also when the recorder first
// answers the probe), downloading one chronology into the window, loading every marked chronology
// into the well database, and clearing the recorder. All line work runs on the link thread as a
// command of the live session (the probe rests meanwhile); the database adds run on the
// database's own thread one after the other.
#include "link/recorder_transfer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class DatabaseCommands;
class LiveStation;
class LiveWindow;
class QPushButton;
class RecorderPage;

class RecorderCommands : public QObject {
    Q_OBJECT
public:
    RecorderCommands(LiveWindow& window, LiveStation& live, DatabaseCommands& database, RecorderPage& page);

    // Reads the directory and shows it; `starter` shows "Ждите..." meanwhile (the refresh button
    // when null).
    void refresh(QPushButton* starter = nullptr);
    // "Загрузить хронологию?", then the entry's chronology into the window.
    void downloadEntry(int entry);
    // "Обнулить регистратор".
    void clear();
    // "Загрузить все отмеченные в базу данных".
    void loadMarked();

    RecorderPage& page() { return page_; }
    const vorsan::RecorderDirectory& directory() const { return directory_; }

    // The directory was read and shown.
    Q_SIGNAL void directoryShown();
    // A chronology was downloaded and shown in the window.
    Q_SIGNAL void entryDownloaded(int entry);
    // A batch load ended: `added` chronologies went into the database (each add finished).
    Q_SIGNAL void batchDone(int added);

private:
    void showDirectory(const vorsan::RecorderDirectory& directory);
    void startBatch(const QString& oilfield, std::vector<int> entries);
    // The progress window of a batch: its bytes left and the chronology on the line.
    struct ProgressLook batchLook(const std::vector<int>& entries, int speed);
    // On the window thread, for each chronology of a batch as it arrives from the line.
    void addToDatabase(const QString& oilfield, const vorsan::RecorderDownload& download);
    bool busy() const;

    LiveWindow& window_;
    LiveStation& live_;
    DatabaseCommands& database_;
    RecorderPage& page_;
    vorsan::RecorderDirectory directory_;
    int batchAdded_ = 0;
    QString batchFailure_;
    QString batchText_; // which chronology of a batch is on the line
};
