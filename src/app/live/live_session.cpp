#include "live/live_session.h"

#include "dialogs/progress_window.h"
#include "live/live_window.h"
#include "shared/commands.h"
#include "shared/page_tabs.h"
#include "shared/window_state.h"

#include "link/serial_link.h"

#include <QComboBox>
#include <QMessageBox>

LiveSession::LiveSession(LiveWindow& window, LinkWorker& worker)
    : QObject(window.widget()), window_(window), worker_(worker), scheduler_(window.probeTimer(), worker) {
    connect(&worker_, &LinkWorker::progressed, this, &LiveSession::onProgress);
}

WindowState& LiveSession::state() {
    return window_.state();
}

vorsan::CommandTable& LiveSession::table() {
    return window_.commands().table();
}

QString LiveSession::device() const {
    return window_.portDevice();
}

QTimer& LiveSession::probeTimer() {
    return window_.probeTimer();
}

bool LiveSession::onCurrentStatePage() const {
    return window_.pages()->currentIndex() == kCurrentStatePage;
}

void LiveSession::finish() {
    scheduler_.resume();
}

void LiveSession::onProgress(int done, int total) {
    if (!commandRunning_) return;
    if (look_.observe) look_.observe(done, total);
    if (!progress_) {
        progress_ = new ProgressWindow(window_.widget());
        progress_->setAttribute(Qt::WA_DeleteOnClose);
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setWindowTitle(look_.caption);
        progress_->setCancelVisible(look_.cancellable || look_.cancelDisabled);
        progress_->setCancelEnabled(look_.cancellable);
        if (look_.cancellable) connect(progress_, &ProgressWindow::cancelled, &worker_, &LinkWorker::cancel);
        progress_->setRange(0, total);
        progress_->showCentredLater();
        showRemaining(done, total);
        emit progressShown(progress_);
    }
    showRemaining(done, total);
    const int position = look_.position ? look_.position(done, total) : done;
    if (position == 0) progress_->setRange(0, total);
    progress_->setValue(position);
}

void LiveSession::showRemaining(int done, int total) {
    if (!look_.bytesLeft || look_.lineSpeed <= 0) return;
    // Ten bits a byte on the line (start, eight data, stop); rounded up to whole seconds.
    const long bits = look_.bytesLeft(done, total) * 10;
    progress_->setRemaining(static_cast<int>((bits + look_.lineSpeed - 1) / look_.lineSpeed));
}

void LiveSession::releaseProgress() {
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_.clear();
    }
}

void LiveSession::showOpenFailure(const vorsan::OpenResult& result) {
    showError(QStringLiteral("Error"), QString::fromStdString(vorsan::openFailureMessage(result)));
}

void LiveSession::showError(const QString& caption, const QString& text) {
    QMessageBox::critical(window_.widget(), caption, text);
}

void LiveSession::enterStation(std::uint16_t pad, std::uint16_t well, std::uint8_t address, bool current) {
    QComboBox* list = window_.stationList();
    const QString text = QStringLiteral(" Куст: %1 ,Скважина: %2 ,адрес: %3").arg(pad).arg(well).arg(address);
    int at = list->findText(text);
    if (at < 0) {
        list->addItem(text);
        at = list->count() - 1;
    }
    list->setItemData(at, address);
    // A combo box selects its first entry by itself: the current station's entry stays selected.
    const int selected = current ? at : list->findData(state().stationAddress);
    if (selected >= 0) list->setCurrentIndex(selected);
    window_.setStationListVisible(true);
}
