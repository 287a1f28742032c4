#include "dialogs/progress_window.h"

#include "dialogs/centred_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 55;
} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("ProgressWindow"));
    setWindowTitle(QStringLiteral("Чтение данных..."));
    auto* column = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    text_->hide();
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    remaining_ = new QLabel(this);
    remaining_->setObjectName(QStringLiteral("remaining"));
    remaining_->setAlignment(Qt::AlignCenter);
    remaining_->hide();
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->hide();
    column->addWidget(text_);
    column->addWidget(bar_);
    column->addWidget(remaining_);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::requestCancel);
    setFixedWidth(kClientWidth);
    setMinimumHeight(kClientHeight);
}

void ProgressWindow::setRange(int minimum, int maximum) {
    bar_->setRange(minimum, maximum);
    bar_->setValue(minimum);
}

void ProgressWindow::step() {
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    paintNow();
}

void ProgressWindow::setValue(int value) {
    bar_->setValue(std::clamp(value, bar_->minimum(), bar_->maximum()));
}

int ProgressWindow::value() const {
    return bar_->value();
}

void ProgressWindow::setText(const QString& text) {
    text_->setText(text);
    text_->setVisible(!text.isEmpty());
    adjustSize();
}

void ProgressWindow::setCancelVisible(bool visible) {
    cancel_->setVisible(visible);
    adjustSize();
}

void ProgressWindow::setCancelEnabled(bool enabled) {
    cancel_->setEnabled(enabled);
}

void ProgressWindow::setRemaining(int seconds) {
    const bool shown = seconds > 0;
    const QString text = shown ? QStringLiteral("Осталось: %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10,
                                                                                        QLatin1Char('0'))
                               : QString();
    if (text == remaining_->text()) return;
    remaining_->setText(text);
    if (remaining_->isVisible() != shown) {
        remaining_->setVisible(shown);
        adjustSize();
    }
}

QString ProgressWindow::remainingText() const {
    return remaining_->text();
}

void ProgressWindow::showCentred() {
    showCentredLater();
    paintNow();
}

void ProgressWindow::showCentredLater() {
    showCentredOnScreen(*this);
}

void ProgressWindow::processEvents() {
    QCoreApplication::processEvents();
}

void ProgressWindow::paintNow() {
    // Transfers run on the window's thread: without this the window would only be painted after
    // the operation ended. User input stays queued, so nothing else starts meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::requestCancel() {
    cancelRequested_ = true;
    emit cancelled();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        if (cancelAvailable()) requestCancel();
        return;
    }
    QWidget::closeEvent(event);
}

bool ProgressWindow::cancelAvailable() const {
    return !cancel_->isHidden() && cancel_->isEnabled();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (cancelAvailable()) requestCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}
