#include "database/database_commands.h"

#include "charts/chart_source.h"
#include "charts/diagrams_page.h"
#include "charts/graph_sheet.h"
#include "database/add_to_database_dialog.h"
#include "database/database_page.h"
#include "database/database_window.h"
#include "database/find_well_dialog.h"
#include "database/open_well_dialog.h"
#include "db/well_database.h"
#include "dialogs/centred_window.h"
#include "dialogs/progress_window.h"
#include "journal/journal_page.h"
#include "common/whole_file.h"
#include "print/report_commands.h"
#include "report/page_layout.h"
#include "settings/catalogue.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTableView>
#include <QTableWidget>
#include <QLabel>
#include <QThreadPool>
#include <QTreeWidget>

using vorsan::Command;
using vorsan::wells::Outcome;
using vorsan::wells::WellDatabase;
using vorsan::wells::WellId;

namespace {

const QString kWellFileFilter = QStringLiteral("Данные по скважине  *.VBD (*.VBD)");
const QString kArchiveSaveFilter = QStringLiteral("Архив базы данных (*.zip)");
// Archives of the old tool are RAR; 7z and tar are read as well.
const QString kArchiveOpenFilter =
    QStringLiteral("Архив базы данных (*.zip *.rar *.7z *.tar *.tar.gz *.tgz *.tar.xz *.tar.bz2)");
const QStringList kTextFilters = {QStringLiteral("Текстовый файл *.txt (*.txt)")};

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The shown well's journal as the printout and the workbook take it, with the grid's selection.
JournalReport wellReport(const DatabaseWellData& w, const DatabasePage& page, const QString& caption,
                         const QString& command) {
    JournalReport r;
    r.journal = &w.journal.journal;
    r.rows = &w.journal.rows;
    r.generation = w.settings.generation;
    r.caption = caption;
    const WellId well = w.well.value_or(WellId{});
    r.wellLine = qs(vorsan::databaseWellLine(well.oilfield, well.pad, well.well));
    r.pad = well.pad;
    r.well = well.well;
    r.command = command;
    const std::vector<std::size_t> rows = page.selectedRows(); // sorted, 0-based
    if (!rows.empty()) {
        r.selectionTop = int(rows.front()) + 1;
        r.selectionBottom = int(rows.back()) + 1;
    }
    return r;
}

} // namespace

DatabaseCommands::DatabaseCommands(DatabaseWindow& window) : QObject(window.widget()), window_(window) {
    page_ = window.pages()->page<DatabasePage>();
    CommandSet& c = window.commands();
    c.bind(Command::OpenDatabase, [this] { openWellDialog(); });
    c.bind(Command::FindWell, [this] { findWell(); });
    c.bind(Command::AddWellFromFile, [this] { addWellFile(); });
    c.bind(Command::SaveWellToFile, [this] { saveWellFile(); });
    c.bind(Command::DeleteWell, [this] { deleteWell(); });
    c.bind(Command::ArchiveDatabase, [this] { createArchive(); });
    c.bind(Command::RestoreDatabase, [this] { updateFromArchive(); });
    c.bind(Command::DeleteDatabaseRows, [this] { deleteRows(); });
    c.bind(Command::SaveDatabaseText, [this] { saveText(); });
    c.bind(Command::PrintDatabase, [this] { printJournal(); });
    c.bind(Command::PrintDatabaseSettings, [this] { printSettings(); });
    c.bind(Command::ExportDatabase, [this] { exportJournal(); });
    c.bind(Command::ShowDatabaseDiagrams, [&window] { window.pages()->setCurrentIndex(kDiagramsPage); });
    connect(page_, &DatabasePage::wellChosen, this, &DatabaseCommands::chooseWell);
    connect(page_, &DatabasePage::shown, this, &DatabaseCommands::rebuildTree);
    connect(page_, &DatabasePage::hidden, this, [this] {
        if (find_) find_->deleteLater();
    });
    connect(window.pages(), &QTabWidget::currentChanged, this, &DatabaseCommands::feedCharts);
    connect(&work_, &DatabaseWork::busyChanged, this, [this](bool busy) {
        const Qt::CursorShape shape = busy ? Qt::BusyCursor : Qt::ArrowCursor;
        page_->journalGrid()->viewport()->setCursor(shape);
        page_->tree()->viewport()->setCursor(shape);
    });
}

void DatabaseCommands::release() {
    queue_.clear();
    work_.finish();
}

DatabaseCommands::~DatabaseCommands() {
    // The window is going: results still to come are dropped (DatabaseWork waits for the worker).
    queue_.clear();
}

AddToDatabaseDialog* DatabaseCommands::question() const {
    return question_;
}

FindWellDialog* DatabaseCommands::findDialog() const {
    return find_;
}

OpenWellDialog* DatabaseCommands::openDialog() const {
    return open_;
}

bool DatabaseCommands::idle() const {
    return !work_.busy() && queue_.empty() && window_.state().database;
}

void DatabaseCommands::run(Job job, Done done, bool wellShow) {
    queue_.push_back({std::move(job), std::move(done), wellShow});
    if (!work_.busy()) runNext();
}

void DatabaseCommands::runNext() {
    if (queue_.empty() || work_.busy()) return;
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    const auto database = window_.state().database;
    if (!database) {
        queue_.clear();
        return;
    }
    work_.run(database, std::move(next.job), [this, done = std::move(next.done)](const DatabaseResult& result) {
        if (result.wells) wells_ = *result.wells;
        if (done) done(result);
        emit operationDone();
        runNext();
    });
}

bool DatabaseCommands::report(const Outcome& outcome) {
    if (!outcome.message.empty()) {
        QMessageBox::warning(window_.widget(), qs(outcome.caption), qs(outcome.message));
        // An archive update names every well it could not merge; the first is the message.
        for (std::size_t i = 1; i < outcome.notes.size(); ++i)
            QMessageBox::warning(window_.widget(), qs(outcome.caption), qs(outcome.notes[i]));
    }
    return outcome.ok;
}

void DatabaseCommands::showResult(const DatabaseResult& result) {
    if (result.well) {
        work_.recycle(page_->showWell(result.well));
        if (!result.well->journal.journal.records.empty()) {
            auto& table = window_.commands().table();
            table.databaseRowsShown();
            if (window_.pages()->currentIndex() == kDatabasePage) {
                window_.status()->clear();
                const auto& w = result.well->well;
                if (w && !w->none())
                    window_.status()->setWell(QStringLiteral("куст № %1 скважина № %2").arg(w->pad).arg(w->well));
            }
            page_->bottomPages()->setCurrentIndex(0);
        }
        // A value outside its list of choices: said once per value; the other rows are shown.
        for (std::size_t i = 0; i < result.well->settingsPageErrors.size(); ++i)
            QMessageBox::critical(window_.widget(), QStringLiteral("Error"),
                                  QStringLiteral("Ошибка, уставка выходит за допустимые значения"));
    }
}

std::vector<WellId> DatabaseCommands::directory() {
    // Read afresh when the database is free; while an operation runs, the directory as last read.
    if (idle()) wells_ = window_.state().database->wells();
    return wells_;
}

void DatabaseCommands::feedCharts(int index) {
    if (index != kDiagramsPage && index != kGraphPage) return;
    if (window_.commands().dataSource().kind() != DataKind::DatabaseWell) return;
    auto well = window_.commands().dataSource().databaseWell();
    if (well->journal.journal.records.empty()) return;
    if (well->taking == chartsHave_ && window_.chartSource()->database()) return;
    chartsHave_ = well->taking;
    // The diagrams cover the stretch selected in the database grid (the tab is left before a
    // chart page shows, so the selection cannot change while the charts hold this well).
    const std::vector<std::size_t> selected = page_->selectedRows(); // sorted, from 0
    const std::size_t top = selected.empty() ? 0 : selected.front();
    const std::size_t bottom = selected.empty() ? 0 : selected.back();
    QPointer<DatabaseCommands> self(this);
    QThreadPool::globalInstance()->start([self, well, index, top, bottom] {
        auto j = std::make_shared<DatabaseJournal>();
        j->journal = well->journal.journal;
        j->selectionTop = top;
        j->selectionBottom = bottom;
        j->rows = well->journal.rows;
        const WellId id = well->well.value_or(WellId{});
        j->oilfield = QString::fromStdString(id.oilfield);
        j->pad = id.pad;
        j->well = id.well;
        j->wellCaption = QStringLiteral("куст № %1 скважина № %2").arg(id.pad).arg(id.well);
        // Delivered through the application object: this one may be gone by then.
        QMetaObject::invokeMethod(
            qApp,
            [self, j, index] {
                if (!self) return;
                PageTabs* pages = self->window_.pages();
                if (pages->currentIndex() != index ||
                    self->window_.commands().dataSource().kind() != DataKind::DatabaseWell)
                    return;
                if (index == kDiagramsPage)
                    pages->page<DiagramsPage>()->showDatabaseJournal(std::move(*j));
                else if (auto* sheet = qobject_cast<GraphSheet*>(pages->widget(kGraphPage)))
                    sheet->showDatabaseJournal(std::move(*j));
            },
            Qt::QueuedConnection);
    });
}

void DatabaseCommands::rebuildTree() {
    run({[](WellDatabase&) { return Outcome{}; }, false, true}, [this](const DatabaseResult& r) {
        if (window_.pages()->currentIndex() != kDatabasePage || !r.wells) return;
        page_->buildTree(*r.wells, window_.commands().dataSource().databaseWell()->well.value_or(WellId{}));
    });
}

void DatabaseCommands::showTab() {
    PageTabs* pages = window_.pages();
    pages->setTabVisible(kDatabasePage, true);
    page_->bottomPages()->setCurrentIndex(0);
    if (pages->currentIndex() == kDatabasePage) {
        page_->pageHidden();
        page_->pageShown();
    } else {
        pages->setCurrentIndex(kDatabasePage);
    }
    page_->journalGrid()->setFocus();
}

void DatabaseCommands::openProgress(const QString& caption, int maximum, int value) {
    progress_ = std::make_unique<ProgressWindow>(window_.widget());
    progress_->setWindowTitle(caption);
    progress_->setRange(0, maximum);
    progress_->setValue(value);
    progress_->showCentredLater();
    emit progressShown(progress_.get());
}

void DatabaseCommands::closeProgress() {
    if (!progress_) return;
    progress_->setWindowTitle(QStringLiteral("Чтение данных..."));
    progress_.reset();
}

// ---- adding a journal ----

void DatabaseCommands::askToAdd() {
    if (!window_.state().database) return;
    if (question_) question_->close();
    if (!idle()) {
        // The oilfield list is read from the database: once the operation under way ended.
        run({[](WellDatabase&) { return Outcome{}; }, false, false}, [this](const DatabaseResult&) { askToAdd(); });
        return;
    }
    auto* dialog = new AddToDatabaseDialog(AddToDatabaseDialog::Mode::Question, *window_.state().database, window_.widget());
    question_ = dialog;
    connect(dialog, &AddToDatabaseDialog::oilfieldChosen, this, &DatabaseCommands::addJournal);
    connect(dialog, &AddToDatabaseDialog::declined, this, [this] {
        window_.pages()->setCurrentIndex(kJournalPage);
        window_.views().journalPage()->grid()->setFocus();
    });
    showCentredOnScreen(*dialog);
}

void DatabaseCommands::addJournal(const QString& oilfield) {
    const WindowState& s = window_.state();
    // The journal and the settings read with it, as they are now (the window may read another
    // journal while this one is added).
    auto journal = std::make_shared<vorsan::Journal>(s.journal);
    vorsan::wells::JournalToAdd add;
    add.generation = s.journalGeneration;
    add.settings = s.catalogue.generation == s.journalGeneration
                       ? vorsan::settingsSetOf(s.catalogue)
                       : vorsan::settingsSetOf(vorsan::buildCatalogue(s.journalGeneration));
    const int count = int(journal->records.size());
    page_->clearTreeClicked();
    openProgress(QStringLiteral("Ждите..."), count, std::min(1, count));
    const std::string name = oilfield.toStdString();
    run({[journal, add, name](WellDatabase& db) mutable {
             add.journal = journal.get();
             return db.addJournal(name, add);
         },
         true, false},
        [this, count](const DatabaseResult& r) {
            if (progress_) progress_->setValue(count);
            closeProgress();
            const bool ok = report(r.outcome);
            showResult(r);
            if (ok) showTab();
        });
}

void DatabaseCommands::runOperation(std::function<Outcome(WellDatabase&)> operation,
                                    std::function<void(const Outcome&)> done) {
    run({std::move(operation), false, false}, [done = std::move(done)](const DatabaseResult& r) {
        if (done) done(r.outcome);
    });
}

// ---- showing a well ----

void DatabaseCommands::showChosenWell(const WellId& well, std::function<void(const DatabaseResult&)> done) {
    const unsigned choice = ++wellChoices_;
    std::erase_if(queue_, [](const Pending& p) { return p.wellShow; });
    run({[well](WellDatabase& db) { return db.showWell(well); }, true, false},
        [this, choice, done = std::move(done)](const DatabaseResult& r) {
            if (choice == wellChoices_) done(r);
        },
        true);
}

void DatabaseCommands::chooseWell(const WellId& well) {
    showChosenWell(well, [this, well](const DatabaseResult& r) {
        const bool ok = report(r.outcome);
        showResult(r);
        // Saving and deleting a well follow the node the user has selected by now: a pad node
        // clicked while this well was read leaves them off.
        if (ok && page_->currentWellNode() == well) window_.commands().table().wellSelected(true);
    });
}

void DatabaseCommands::openWell(const WellId& well) {
    showChosenWell(well, [this](const DatabaseResult& r) {
        report(r.outcome);
        showResult(r);
        showTab();
    });
}

void DatabaseCommands::openWellDialog() {
    if (!idle()) return;
    const auto wells = directory();
    if (wells.empty()) {
        QMessageBox::information(window_.widget(), QString(), QStringLiteral("Нет данных "));
        return;
    }
    if (open_) open_->close();
    auto* dialog = new OpenWellDialog(wells, window_.widget());
    open_ = dialog;
    connect(dialog, &OpenWellDialog::wellChosen, this, &DatabaseCommands::openWell);
    showCentredOnScreen(*dialog);
    dialog->activateWindow();
}

void DatabaseCommands::findWell() {
    if (window_.pages()->currentIndex() != kDatabasePage) showTab();
    if (!find_) {
        find_ = new FindWellDialog([this] { return directory(); }, window_.widget());
        connect(find_, &FindWellDialog::wellChosen, this, &DatabaseCommands::openWell);
    }
    centreOver(*find_, *window_.widget());
    find_->show();
    find_->raise();
    find_->activateWindow();
}

// ---- deleting ----

void DatabaseCommands::deleteRows() {
    if (window_.pages()->currentIndex() != kDatabasePage || !idle()) return;
    // The rows the user selected of the well the tab shows, whatever the database did since.
    const std::shared_ptr<const DatabaseWellData> shown = page_->shownWell();
    if (!shown->well) return;
    std::vector<vorsan::wells::ShownRow> records;
    for (const std::size_t i : page_->selectedRows())
        if (i < shown->journal.journal.records.size()) records.push_back({i, shown->journal.journal.records[i]});
    if (records.empty()) return;
    if (QMessageBox::warning(window_.widget(), QStringLiteral("Внимание"), QStringLiteral("Удалить выделенные строки?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    openProgress(QStringLiteral("Удаление данных..."), int(records.size()), 0);
    const WellId well = *shown->well;
    run({[well, records = std::move(records)](WellDatabase& db) { return db.deleteRows(well, records); }, true,
         false},
        [this](const DatabaseResult& r) {
            if (progress_) progress_->setValue(progress_->value() + 1);
            closeProgress();
            report(r.outcome);
            showResult(r);
            page_->journalGrid()->setFocus();
        });
}

void DatabaseCommands::deleteWell() {
    if (!idle()) return;
    const std::optional<WellId> well = page_->shownWell()->well;
    if (!well) return;
    if (QMessageBox::warning(window_.widget(), QStringLiteral("Внимание"),
                             QStringLiteral("Вы действительно хотите удалить всю информацию по данной скважине?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    run({[well = *well](WellDatabase& db) { return db.deleteWell(well); }, true, false},
        [this](const DatabaseResult& r) {
            report(r.outcome);
            showResult(r);
            showTab();
        });
}

// ---- text export ----

void DatabaseCommands::saveText() {
    if (!idle()) return;
    const std::optional<WellId> well = page_->shownWell()->well;
    if (!well) return;
    SaveRequest request{QStringLiteral("Сохранение журнала в текстовый файл"), kTextFilters, 0,
                        qs(WellDatabase::offeredTextFileName(*well)), {QStringLiteral("txt")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string caption = window_.widget()->windowTitle().toStdString();
    const std::string file = localPath(path);
    auto error = std::make_shared<std::string>();
    run({[well = *well, caption, file, error](WellDatabase& d) {
             vorsan::JournalTextFile text;
             if (Outcome o = d.journalText(well, caption, text); !o.ok) return o;
             *error = vorsan::writeWholeFile(file, text.bytes);
             return Outcome{};
         },
         false, false},
        [this, path, error](const DatabaseResult& r) {
            if (!report(r.outcome)) return;
            if (!error->empty())
                QMessageBox::critical(window_.widget(), QStringLiteral("Ошибка"),
                                      QStringLiteral("Не удалось записать файл %1: %2").arg(path, qs(*error)));
        });
}

// ---- printing and export of the shown well ----

void DatabaseCommands::printJournal() {
    const std::shared_ptr<const DatabaseWellData> well = window_.commands().dataSource().databaseWell();
    if (well->journal.rows.empty()) return;
    printJournalReport(window_.widget(), wellReport(*well, *page_, window_.widget()->windowTitle(), QStringLiteral("Печать базы данных")));
}

void DatabaseCommands::printSettings() {
    std::vector<vorsan::SettingsListRow> rows;
    const QTableWidget* grid = page_->settingsGrid();
    for (int r = 0; r < grid->rowCount(); ++r) {
        const QTableWidgetItem* name = grid->item(r, 0);
        const QTableWidgetItem* value = grid->item(r, 1);
        rows.push_back({name ? name->text().toStdString() : std::string(),
                        value ? value->text().toStdString() : std::string()});
    }
    if (rows.empty()) return;
    printSettingsReport(window_.widget(), page_->settingsTitle()->text(), rows, QStringLiteral("Печать уставок по базе данных"));
}

void DatabaseCommands::exportJournal() {
    const std::shared_ptr<const DatabaseWellData> well = window_.commands().dataSource().databaseWell();
    if (well->journal.rows.empty() || exporting_) return;
    exporting_ = true;
    // The well's data stays alive until the workbook is written, whatever the tab shows meanwhile.
    exportJournalWorkbook(window_.widget(),
                          wellReport(*well, *page_, window_.widget()->windowTitle(), QStringLiteral("Экспорт базы данных в MS Excel")),
                          window_.reports().hooks(), [this, well] { exporting_ = false; });
}

// ---- well files ----

void DatabaseCommands::saveWellFile() {
    if (!idle()) return;
    const std::optional<WellId> well = page_->shownWell()->well;
    if (!well) return;
    SaveRequest request{QStringLiteral("Сохранить данные по скважине как"),
                        {kWellFileFilter},
                        0,
                        qs(vorsan::db::wellBaseName(well->oilfield, well->pad, well->well)),
                        {QStringLiteral("VBD")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    run({[well = *well, file](WellDatabase& db) { return db.saveWellFile(well, file); }, false, false},
        [this](const DatabaseResult& r) { report(r.outcome); });
}

void DatabaseCommands::addWellFile() {
    if (!idle()) return;
    const QString path = dialogs_.open(window_.widget(), QStringLiteral("Открыть данные по скважине "), kWellFileFilter);
    if (path.isEmpty()) return;
    addWellFileAt(path);
}

void DatabaseCommands::addWellFileAt(const QString& path) {
    if (!idle()) return;
    const std::string file = localPath(path);
    run({[file](WellDatabase& db) { return db.addWellFile(file); }, true, false}, [this](const DatabaseResult& r) {
        if (!report(r.outcome)) return;
        showResult(r);
        showTab();
    });
}

// ---- archives ----

void DatabaseCommands::createArchive() {
    if (!idle()) return;
    SaveRequest request{QStringLiteral("Сохранить базу данных как"), {kArchiveSaveFilter}, 0, QString(),
                        {QStringLiteral("zip")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    run({[file](WellDatabase& db) { return db.createArchive(file); }, false, false},
        [this](const DatabaseResult& r) { report(r.outcome); });
}

void DatabaseCommands::updateFromArchive() {
    if (!idle()) return;
    const QString path = dialogs_.open(window_.widget(), QStringLiteral("Открыть архив базы данных "), kArchiveOpenFilter);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    openProgress(QStringLiteral("Чтение данных..."), 1, 0);
    // Called on the worker: the bar moves on the window's thread (this object outlives the work).
    DatabaseCommands* self = this;
    const vorsan::wells::Progress step = [self](std::size_t done, std::size_t total) {
        QMetaObject::invokeMethod(
            self,
            [self, done, total] {
                if (!self->progress_) return;
                self->progress_->setRange(0, int(total));
                self->progress_->setValue(int(done));
            },
            Qt::QueuedConnection);
    };
    run({[file, step](WellDatabase& db) { return db.updateFromArchive(file, step); }, true, false},
        [this](const DatabaseResult& r) {
            closeProgress();
            report(r.outcome);
            // No well is current afterwards.
            showResult(r);
            showTab();
        });
}
