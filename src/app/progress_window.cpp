#include "progress_window.h"

#include "centred_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 55;
} // namespace

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Чтение данных..."));
    auto* column = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    text_->hide();
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->hide();
    column->addWidget(text_);
    column->addWidget(bar_);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, &TForm3::requestCancel);
    setFixedWidth(kClientWidth);
    setMinimumHeight(kClientHeight);
}

void TForm3::setRange(int minimum, int maximum) {
    bar_->setRange(minimum, maximum);
    bar_->setValue(minimum);
}

void TForm3::step() {
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    paintNow();
}

void TForm3::setValue(int value) {
    bar_->setValue(std::clamp(value, bar_->minimum(), bar_->maximum()));
}

int TForm3::value() const {
    return bar_->value();
}

void TForm3::setText(const QString& text) {
    text_->setText(text);
    text_->setVisible(!text.isEmpty());
    adjustSize();
}

void TForm3::setCancelVisible(bool visible) {
    cancel_->setVisible(visible);
    adjustSize();
}

void TForm3::showCentred() {
    showCentredLater();
    paintNow();
}

void TForm3::showCentredLater() {
    showCentredOnScreen(*this);
}

void TForm3::processEvents() {
    QCoreApplication::processEvents();
}

void TForm3::paintNow() {
    // Transfers run on the window's thread: without this the window would only be painted after
    // the operation ended. User input stays queued, so nothing else starts meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm3::requestCancel() {
    cancelRequested_ = true;
    emit cancelled();
}

void TForm3::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        if (!cancel_->isHidden()) requestCancel();
        return;
    }
    QWidget::closeEvent(event);
}
