#include "database/database_commands.h"

#include "charts/chart_source.h"
#include "charts/diagrams_page.h"
#include "charts/graph_sheet.h"
#include "database/add_to_database_dialog.h"
#include "database/database_files.h"
#include "database/database_sync.h"
#include "database/database_page.h"
#include "database/database_window.h"
#include "database/find_well_dialog.h"
#include "database/open_well_dialog.h"
#include "dialogs/centred_window.h"
#include "dialogs/progress_window.h"
#include "journal/journal_page.h"
#include "settings/catalogue.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QApplication>
#include <QMessageBox>
#include <QTableView>
#include <QThreadPool>
#include <QTreeWidget>

using vorsan::Command;
using vorsan::wells::Outcome;
using vorsan::wells::WellDatabase;
using vorsan::wells::WellId;

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

DatabaseCommands::DatabaseCommands(DatabaseWindow& window) : QObject(window.widget()), window_(window) {
    page_ = window.pages()->page<DatabasePage>();
    CommandSet& c = window.commands();
    c.bind(Command::OpenDatabase, [this] { openWellDialog(); });
    c.bind(Command::FindWell, [this] { findWell(); });
    c.bind(Command::DeleteWell, [this] { deleteWell(); });
    c.bind(Command::DeleteDatabaseRows, [this] { deleteRows(); });
    c.bind(Command::ShowDatabaseDiagrams, [&window] { window.pages()->setCurrentIndex(kDiagramsPage); });
    files_ = new DatabaseFiles(*this, window);
    sync_ = new DatabaseSync(*this, window);
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
    sync_->cancel(); // a sync ends after its batch rather than holding the window's closing up
    work_.finish();
}

DatabaseCommands::~DatabaseCommands() {
    // The window is going: results still to come are dropped (DatabaseWork waits for the worker).
    queue_.clear();
}

void DatabaseCommands::setDialogs(FileDialogs dialogs) {
    files_->setDialogs(std::move(dialogs));
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
