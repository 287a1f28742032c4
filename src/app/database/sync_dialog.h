#pragma once
// "Синхронизировать с сервером…": where the company archive is (a server, port, database and
// user, or a service name), the password when the server asks for one, the progress of a sync
// with "Отмена" between batches, and its summary. The dialog only shows and asks; DatabaseSync
// runs the sync.
#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

struct SyncFields {
    QString host, database, user, service;
    int port = 5432;
    QString conninfo; // a whole libpq connection string instead of the fields (sslmode=...)
};

class SyncDialog : public QDialog {
    Q_OBJECT
public:
    explicit SyncDialog(QWidget* parent);

    SyncFields fields() const;
    void setFields(const SyncFields& f);
    // The password typed for this sync (empty: none); cleared once taken.
    QString takePassword();
    // The server asked for a password (or refused the one given): the field is shown.
    void askPassword(const QString& why);

    void setRunning(bool running);
    bool running() const { return running_; }
    void showProgress(const QString& stage, int done, int total);
    void showResult(const QString& text, bool ok);

    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLineEdit* passwordEdit() const { return password_; }
    QLabel* resultLabel() const { return result_; }

    Q_SIGNAL void startRequested();
    Q_SIGNAL void cancelRequested();

private:
    QLineEdit *host_, *database_, *user_, *service_, *conninfo_, *password_;
    QSpinBox* port_;
    QLabel *passwordLabel_, *stage_, *result_;
    QProgressBar* bar_;
    QPushButton *start_, *cancel_;
    bool running_ = false;
};
