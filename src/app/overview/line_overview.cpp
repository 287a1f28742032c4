#include "overview/line_overview.h"

#include "live/live_session.h"
#include "live/live_window.h"
#include "overview/overview_page.h"
#include "shared/connection_indicator.h"
#include "shared/page_tabs.h"
#include "shared/window_state.h"

#include "journal/current_state.h"
#include "link/open_failure.h"
#include "shell/command_table.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>

#include <chrono>

using vorsan::LinkError;
using vorsan::RowChange;

namespace {

const QString kScanCaption = QStringLiteral("Поиск всех станций на линии...");
constexpr int kRetryMs = 2000;
const QString kFullScanCaption = QStringLiteral("Полный поиск станций на линии (500 мс)...");

QString seconds(qint64 ms) {
    return QLocale().toString(static_cast<double>(ms) / 1000.0, 'f', 1);
}

} // namespace

LineOverview::LineOverview(LiveSession& session, OverviewPage& page)
    : QObject(&session), session_(session), page_(page) {
    LineScheduler& scheduler = session_.scheduler();
    scheduler.overview = [this] { turn(); };
    scheduler.overviewWait = [this] { return wait(); };
    connect(session_.window().pages(), &QTabWidget::currentChanged, this, &LineOverview::currentPageChanged);
    connect(&page_, &OverviewPage::scanRequested, this, &LineOverview::scan);
    connect(&page_, &OverviewPage::stationChosen, this, &LineOverview::choose);
    connect(&page_, &OverviewPage::recordingToggled, this, &LineOverview::recordingToggled);
    chooseFile = [this] {
        return QFileDialog::getSaveFileName(session_.window().widget(), QStringLiteral("Записывать в файл"),
                                            QStringLiteral("обзор линии.csv"),
                                            QStringLiteral("Таблица CSV (*.csv)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

// ---- the scan ---------------------------------------------------------------------------------

void LineOverview::scan(bool full) {
    if (session_.commandRunning()) return;
    ProgressLook look;
    look.caption = full ? kFullScanCaption : kScanCaption;
    look.cancellable = true;
    const std::uint8_t current = session_.state().stationAddress;
    // The overview lives as long as the session, which outlives the link thread: the queued calls
    // below never reach a destroyed object.
    LineOverview* self = this;
    session_.command<ScanOutcome>(
        look,
        [full, current, self](LinkJob& job) {
            ScanOutcome out;
            QElapsedTimer took;
            took.start();
            out.opened = job.openAndRun([&] {
                vorsan::LineScanOptions options;
                options.currentAddress = current;
                const vorsan::TransferProgress progress = job.progress();
                options.proceed = [&progress](const vorsan::ScanStep& step) {
                    return progress(step.done, step.total);
                };
                // Each station enters the table and the station list as soon as it is found.
                options.found = [self](const vorsan::ScannedStation& s) {
                    QMetaObject::invokeMethod(
                        self, [self, s] { self->found(s); }, Qt::QueuedConnection);
                };
                out.scan =
                    full ? vorsan::scanLineFully(job.link(), options) : vorsan::scanLine(job.link(), options);
            });
            out.elapsedMs = took.elapsed();
            return out;
        },
        [this, full](ScanOutcome& out) { scanFinished(out, full); });
}

void LineOverview::found(const vorsan::ScannedStation& station) {
    page_.model()->addStation(station);
    // Listed for the user to choose from; the current station stays the one it was.
    if (station.padWellAnswered) session_.enterStation(station.pad, station.well, station.address, false);
}

void LineOverview::scanFinished(ScanOutcome& out, bool full) {
    if (!out.opened.ok()) {
        session_.showOpenFailure(out.opened);
    } else if (out.scan.error == LinkError::Write_Error) {
        session_.showError(QStringLiteral("Error"), QStringLiteral("Ошибка записи в порт"));
    } else if (out.scan.cancelled) {
        page_.setSummary(QStringLiteral("Поиск отменён: найдено станций %1.").arg(out.scan.stations.size()));
    } else {
        page_.model()->keepOnly(out.scan.stations);
        page_.setSummary(QStringLiteral("%1: найдено станций %2 за %3 с.")
                             .arg(full ? QStringLiteral("Полный поиск") : QStringLiteral("Поиск"))
                             .arg(out.scan.stations.size())
                             .arg(seconds(out.elapsedMs)));
        if (out.scan.stations.empty())
            session_.showError(QStringLiteral("Error"),
                               QStringLiteral("Больше устройств в сети не обнаружено"));
    }
    next_ = 0;
    session_.finish();
    emit scanEnded();
}

// ---- the rounds -------------------------------------------------------------------------------

void LineOverview::currentPageChanged(int index) {
    const bool shown = index == kOverviewPage;
    if (shown == shown_) return;
    shown_ = shown;
    LineScheduler& scheduler = session_.scheduler();
    if (shown) {
        next_ = 0;
        scheduler.startOverview();
    } else {
        scheduler.stopOverview();
    }
}

void LineOverview::turn() {
    const auto& rows = page_.model()->rows();
    if (rows.empty()) return;
    if (next_ >= rows.size()) next_ = 0;
    if (next_ == 0) round_.start();
    PollOutcome start;
    start.row = rows[next_++];
    session_.worker().run<PollOutcome>(
        this, session_.device(),
        [start](LinkJob& job) {
            PollOutcome out = start;
            out.opened = job.openAndRun([&] {
                out.at = std::chrono::system_clock::now();
                out.poll = vorsan::pollStationRow(job.link(), out.row, out.at);
            });
            return out;
        },
        [this](PollOutcome& out) { applyPoll(out); });
}

int LineOverview::wait() const {
    // A port that does not open (or a line that refuses writes) is tried again a period later,
    // not at once.
    if (lineFailed_) return std::max(periodMs_, kRetryMs);
    if (next_ < page_.model()->rows().size() || !round_.isValid()) return 0;
    return static_cast<int>(std::max<qint64>(0, periodMs_ - round_.elapsed()));
}

void LineOverview::applyPoll(PollOutcome& out) {
    lineFailed_ = !out.opened.ok() || out.poll.error == LinkError::Write_Error;
    if (!out.opened.ok()) {
        page_.setRoundText(QStringLiteral("Порт не открылся: %1")
                               .arg(QString::fromStdString(vorsan::openFailureMessage(out.opened))));
        return;
    }
    if (out.poll.error == LinkError::Write_Error) {
        page_.setRoundText(QStringLiteral("Ошибка записи в порт"));
        return;
    }
    if (!page_.model()->update(out.row)) return; // no longer listed (a scan ended meanwhile)
    noteChange(out);
    if (out.poll.answered) {
        ++answers_;
        if (csv_.isOpen() && !csv_.append(*page_.model()->rowOf(out.row.address))) {
            const QString path = csvPath_;
            stopRecording();
            session_.showError(
                QStringLiteral("Ошибка"),
                QStringLiteral("Не удалось записать в файл «%1».").arg(QDir::toNativeSeparators(path)));
        }
    }
    if (next_ >= page_.model()->rows().size() && round_.isValid()) {
        lastRoundMicros_ = round_.nsecsElapsed() / 1000;
        ++rounds_;
        page_.setRoundText(QStringLiteral("Станций: %1, круг опроса %2 с.")
                               .arg(page_.model()->rows().size())
                               .arg(QLocale().toString(static_cast<double>(lastRoundMicros_) / 1e6, 'f', 2)));
        emit roundEnded(lastRoundMicros_);
    }
}

void LineOverview::noteChange(const PollOutcome& out) {
    const vorsan::StationRow& row = *page_.model()->rowOf(out.row.address);
    const QString cause = QString::fromStdString(vorsan::stopText(row.state.status));
    const QString stood =
        cause.isEmpty() ? QString::fromStdString(vorsan::modeText(row.state.status)) : cause;
    switch (out.poll.change) {
    case RowChange::Stopped:
        page_.addEvent(out.at, row, stood);
        break;
    case RowChange::Started:
        page_.addEvent(out.at, row, QStringLiteral("Работа"));
        break;
    case RowChange::WentSilent:
        page_.addEvent(out.at, row, QStringLiteral("нет ответа"));
        break;
    case RowChange::CameBack:
        page_.addEvent(out.at, row, QStringLiteral("снова отвечает"));
        break;
    case RowChange::FirstAnswer:
        if (!row.running()) page_.addEvent(out.at, row, stood);
        break;
    case RowChange::None:
        break;
    }
}

// ---- choosing a station -----------------------------------------------------------------------

void LineOverview::choose(std::uint8_t address) {
    const vorsan::StationRow* row = page_.model()->rowOf(address);
    if (!row || session_.commandRunning()) return;
    WindowState& state = session_.state();
    state.stationAddress = address;
    state.pad = row->state.padNumber;
    state.well = row->state.wellNumber;
    if (row->answering) {
        // As a search that found it: the station commands act on it at once; the probe confirms.
        ConnectionIndicator* indicator = session_.window().indicator();
        indicator->setNoConnectionShown(false);
        indicator->setConnectedHint(QStringLiteral("Есть соединение со станцией: %1").arg(address));
        session_.table().lineState(vorsan::LineState::Gen4Station);
        state.connectedGeneration = vorsan::ControllerGeneration::Gen4;
    }
    if (state.pad != vorsan::kUnknown16 || state.well != vorsan::kUnknown16)
        session_.enterStation(state.pad, state.well, address);
    session_.window().pages()->setCurrentIndex(kCurrentStatePage);
}

// ---- the CSV file -----------------------------------------------------------------------------

QString LineOverview::startRecording(const QString& path) {
    stopRecording();
    const std::string error = csv_.open(QFile::encodeName(path).toStdString());
    if (!error.empty()) {
        page_.setRecordingFile({});
        return QString::fromStdString(error);
    }
    csvPath_ = path;
    page_.setRecordingFile(path);
    return {};
}

void LineOverview::stopRecording() {
    csv_.close();
    csvPath_.clear();
    page_.setRecordingFile({});
}

void LineOverview::recordingToggled(bool on) {
    if (!on) {
        stopRecording();
        return;
    }
    const QString path = chooseFile ? chooseFile() : QString();
    if (path.isEmpty()) {
        page_.setRecordingFile({});
        return;
    }
    if (const QString error = startRecording(path); !error.isEmpty())
        session_.showError(
            QStringLiteral("Ошибка"),
            QStringLiteral("Не удалось открыть файл «%1» для записи.").arg(QDir::toNativeSeparators(path)));
}
