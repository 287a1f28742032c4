#pragma once
// The command "Синхронизировать с сервером…": its dialog, and the sync run as one operation of
// the database tab's queue off the window's thread. The server's address is kept in the
// program's settings (never a password: libpq takes it from ~/.pgpass, PGPASSFILE or a service
// file, or the dialog asks for it and keeps it for that one sync).
#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class DatabaseCommands;
class DatabaseWindow;
class SyncDialog;

class DatabaseSync : public QObject {
    Q_OBJECT
public:
    DatabaseSync(DatabaseCommands& tab, DatabaseWindow& window);

    void openDialog();
    // Stops a sync under way after its batch (the window is closing).
    void cancel();
    SyncDialog* dialog() const;

private:
    void start();
    void finished(bool ok, const QString& text, bool needsPassword, bool pulled);

    DatabaseCommands& tab_;
    DatabaseWindow& window_;
    QPointer<SyncDialog> dialog_;
    std::shared_ptr<std::atomic<bool>> cancel_;
};
