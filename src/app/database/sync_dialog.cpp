#include "database/sync_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

SyncDialog::SyncDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Синхронизация с сервером"));
    auto* form = new QFormLayout;
    host_ = new QLineEdit(this);
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(5432);
    database_ = new QLineEdit(this);
    user_ = new QLineEdit(this);
    service_ = new QLineEdit(this);
    service_->setPlaceholderText(QStringLiteral("вместо сервера: имя из pg_service.conf"));
    conninfo_ = new QLineEdit(this);
    conninfo_->setPlaceholderText(
        QStringLiteral("или вся строка подключения libpq: host=… sslmode=verify-full"));
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    // Wide enough for the longest hint, so that what a field is for can be read in full.
    conninfo_->setMinimumWidth(conninfo_->fontMetrics().horizontalAdvance(conninfo_->placeholderText()) + 24);
    form->addRow(QStringLiteral("Сервер:"), host_);
    form->addRow(QStringLiteral("Порт:"), port_);
    form->addRow(QStringLiteral("База данных:"), database_);
    form->addRow(QStringLiteral("Пользователь:"), user_);
    form->addRow(QStringLiteral("Служба:"), service_);
    form->addRow(QStringLiteral("Строка подключения:"), conninfo_);
    passwordLabel_ = new QLabel(QStringLiteral("Пароль:"), this);
    form->addRow(passwordLabel_, password_);
    passwordLabel_->hide();
    password_->hide();

    stage_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->hide();
    result_ = new QLabel(this);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    start_ = buttons->addButton(QStringLiteral("Синхронизировать"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(start_, &QPushButton::clicked, this, &SyncDialog::startRequested);
    // While a sync runs, "Отмена" stops it between two batches; otherwise it closes the dialog.
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (running_)
            emit cancelRequested();
        else
            reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(stage_);
    layout->addWidget(bar_);
    layout->addWidget(result_);
    layout->addWidget(buttons);
}

SyncFields SyncDialog::fields() const {
    return {host_->text().trimmed(), database_->text().trimmed(),
            user_->text().trimmed(), service_->text().trimmed(),
            port_->value(),          conninfo_->text().trimmed()};
}

void SyncDialog::setFields(const SyncFields& f) {
    host_->setText(f.host);
    port_->setValue(f.port);
    database_->setText(f.database);
    user_->setText(f.user);
    service_->setText(f.service);
    conninfo_->setText(f.conninfo);
}

QString SyncDialog::takePassword() {
    const QString p = password_->text();
    password_->clear();
    return p;
}

void SyncDialog::askPassword(const QString& why) {
    passwordLabel_->show();
    password_->show();
    password_->setFocus();
    showResult(why, false);
}

void SyncDialog::setRunning(bool running) {
    running_ = running;
    start_->setEnabled(!running);
    for (QWidget* w :
         {static_cast<QWidget*>(host_), static_cast<QWidget*>(port_), static_cast<QWidget*>(database_),
          static_cast<QWidget*>(user_), static_cast<QWidget*>(service_), static_cast<QWidget*>(conninfo_),
          static_cast<QWidget*>(password_)})
        w->setEnabled(!running);
    bar_->setVisible(running);
    if (running) {
        bar_->setRange(0, 0); // busy until the first batch says how far it got
        result_->clear();
        stage_->setText(QStringLiteral("Подключение к серверу..."));
    } else {
        stage_->clear();
    }
}

void SyncDialog::showProgress(const QString& stage, int done, int total) {
    stage_->setText(total > 0 ? QStringLiteral("%1: %2 из %3").arg(stage).arg(done).arg(total)
                              : QStringLiteral("%1: пакет %2").arg(stage).arg(done));
    if (total > 0) {
        bar_->setRange(0, total);
        bar_->setValue(done);
    }
}

void SyncDialog::showResult(const QString& text, bool ok) {
    result_->setText(text);
    result_->setStyleSheet(ok ? QString() : QStringLiteral("color: #b00000"));
}
