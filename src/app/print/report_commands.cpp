#include "print/report_commands.h"

#include "dialogs/progress_window.h"
#include "journal/journal_file.h"
#include "journal/journal_page.h"
#include "print/print_dialog.h"
#include "print/report_painter.h"
#include "report/journal_export.h"
#include "settings/settings_model.h"
#include "settings/settings_page.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/window_state.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <memory>

using vorsan::Command;

namespace {

// Above this many rows the workbook is written behind a progress window (a database well); a
// window journal (1184 records at most) is done before the window could paint one.
constexpr std::size_t kQuietExportRows = 20000;

const QString kWorkbookFilter = QStringLiteral("Книга MS Excel *.xlsx (*.xlsx)");

// What the writing thread works on: its own copy of the exported records, so the window may
// change or drop its journal meanwhile.
struct WorkbookJob {
    std::string path;
    vorsan::Journal journal;
    std::vector<vorsan::JournalRow> rows;
    vorsan::XlsxResult result;
    std::string text;
};

} // namespace

void printJournalReport(QWidget* parent, const JournalReport& report) {
    if (report.journal == nullptr || report.rows == nullptr) return;
    const QString name = report.command.isEmpty() ? CommandSet::caption(Command::PrintJournal) : report.command;
    PrintRequest request{name, true, QPageLayout::Portrait};
    printWithDialog(parent, request, [&report](QPrinter& printer, const PrintChoice& choice) {
        vorsan::JournalTableInput in;
        in.journal = report.journal;
        in.rows = report.rows;
        in.generation = report.generation;
        in.caption = report.caption.toStdString();
        in.wellLine = report.wellLine.toStdString();
        in.firstRow = 1;
        in.lastRow = report.rows->size();
        if (choice.selectionOnly && report.selectionTop > 0) {
            in.firstRow = static_cast<std::size_t>(report.selectionTop);
            in.lastRow = static_cast<std::size_t>(std::max(report.selectionTop, report.selectionBottom));
        }
        // A printer that fails ends the document; nothing is reported.
        printJournalTable(printer, in);
    });
}

void printSettingsReport(QWidget* parent, const QString& title, const std::vector<vorsan::SettingsListRow>& rows,
                         const QString& command) {
    PrintRequest request{command.isEmpty() ? CommandSet::caption(Command::PrintSettings) : command, false,
                         QPageLayout::Portrait};
    printWithDialog(parent, request,
                    [&](QPrinter& printer, const PrintChoice&) { printSettingsList(printer, title, rows); });
}

void exportJournalWorkbook(QWidget* parent, const JournalReport& report, const WorkbookHooks& hooks,
                           std::function<void()> done) {
    const auto finish = [done] {
        if (done) done();
    };
    if (report.journal == nullptr || report.rows == nullptr) return finish();
    const std::size_t count = std::min(report.rows->size(), report.journal->records.size());
    const vorsan::ExportRange range = vorsan::exportRecordRange(
        count, static_cast<std::size_t>(std::max(report.selectionTop, 0)),
        static_cast<std::size_t>(std::max(report.selectionBottom, 0)));
    const QString name = report.command.isEmpty() ? CommandSet::caption(Command::ExportExcel) : report.command;
    const SaveRequest request{name,
                              {kWorkbookFilter},
                              0,
                              QString::fromStdString(vorsan::workbookName(report.pad, report.well, *report.journal, range)),
                              {QStringLiteral("xlsx")}};
    const QString path = hooks.dialogs.save ? hooks.dialogs.save(parent, request) : QString();
    if (path.isEmpty()) return finish();

    auto job = std::make_shared<WorkbookJob>();
    job->path = QDir::toNativeSeparators(path).toStdString();
    const auto first = static_cast<std::ptrdiff_t>(range.begin);
    const auto last = static_cast<std::ptrdiff_t>(range.end);
    job->journal.records.assign(report.journal->records.begin() + first, report.journal->records.begin() + last);
    job->rows.assign(report.rows->begin() + first, report.rows->begin() + last);

    QPointer<ProgressWindow> progress;
    if (range.size() > kQuietExportRows) {
        progress = new ProgressWindow(parent);
        progress->setText(name);
        progress->setRange(0, 0); // a moving bar: the writer does not report its progress
        progress->showCentredLater();
    }
    QThread* thread = QThread::create([job] {
        const vorsan::ExportRange all{0, job->rows.size()};
        job->result = vorsan::writeJournalWorkbook(job->path, job->journal, job->rows, all);
        if (job->result.ok) job->text = vorsan::exportText(job->rows, all);
    });
    QObject* context = parent != nullptr ? static_cast<QObject*>(parent) : qApp;
    QObject::connect(thread, &QThread::finished, context, [=] {
        thread->deleteLater();
        delete progress.data();
        if (!job->result.ok) {
            QMessageBox::critical(parent, QStringLiteral("Ошибка"),
                                  QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path),
                                                               QString::fromStdString(job->result.error)));
            return finish();
        }
        // The text goes to the clipboard as well, so pasting into any spreadsheet works.
        QGuiApplication::clipboard()->setText(QString::fromStdString(job->text));
        if (hooks.open) hooks.open(QUrl::fromLocalFile(path));
        finish();
    });
    thread->start();
}

ReportCommands::ReportCommands(WindowState& state, DataViews& views, CommandSet& commands, QWidget* window)
    : QObject(window), state_(state), views_(views), window_(window) {
    hooks_.open = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    commands.bind(Command::PrintJournal, [this] { printJournal(); });
    commands.bind(Command::PrintSettings, [this] { printSettings(); });
    commands.bind(Command::ExportExcel, [this] { exportJournal(); });
}

JournalReport ReportCommands::windowJournal() const {
    JournalReport r;
    r.journal = &state_.journal;
    r.rows = &state_.journalRows;
    r.generation = state_.journalGeneration;
    r.caption = window_->windowTitle();
    const auto pw = vorsan::padAndWell(state_.catalogue);
    r.pad = pw.pad;
    r.well = pw.well;
    r.wellLine = QString::fromStdString(vorsan::journalWellLine(pw.pad, pw.well));
    if (JournalPage* page = views_.journalPage()) {
        if (QItemSelectionModel* selection = page->grid()->selectionModel()) {
            const QModelIndexList rows = selection->selectedRows();
            for (const QModelIndex& index : rows) {
                const int row = index.row() + 1; // grid rows count from 1 under the header
                r.selectionTop = r.selectionTop == 0 ? row : std::min(r.selectionTop, row);
                r.selectionBottom = std::max(r.selectionBottom, row);
            }
        }
    }
    return r;
}

std::vector<vorsan::SettingsListRow> ReportCommands::windowSettings() const {
    std::vector<vorsan::SettingsListRow> rows;
    SettingsPage* page = views_.settingsPage();
    if (page == nullptr) return rows;
    const SettingsModel* model = page->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows.push_back({model->index(r, 0).data().toString().toStdString(),
                        model->index(r, 1).data().toString().toStdString()});
    return rows;
}

void ReportCommands::printJournal() {
    if (!state_.journalLoaded) return;
    printJournalReport(window_, windowJournal());
}

void ReportCommands::printSettings() {
    SettingsPage* page = views_.settingsPage();
    printSettingsReport(window_, page != nullptr ? page->title() : QString(), windowSettings());
}

void ReportCommands::exportJournal() {
    if (!state_.journalLoaded || exporting_) return;
    exporting_ = true;
    exportJournalWorkbook(window_, windowJournal(), hooks_, [this] { exporting_ = false; });
}
