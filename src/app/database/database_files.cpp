#include "database/database_files.h"

#include "common/whole_file.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "database/database_window.h"
#include "db/well_database.h"
#include "dialogs/progress_window.h"
#include "print/report_commands.h"
#include "shared/commands.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>

using vorsan::Command;
using vorsan::wells::Outcome;
using vorsan::wells::WellDatabase;
using vorsan::wells::WellId;

namespace {

const QString kWellFileFilter = QStringLiteral("Данные по скважине  *.VBD (*.VBD)");
const QString kArchiveSaveFilter = QStringLiteral("Архив базы данных (*.zip)");
// Archives brought in from elsewhere are often RAR; 7z and tar are read as well.
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

DatabaseFiles::DatabaseFiles(DatabaseCommands& tab, DatabaseWindow& window)
    : QObject(&tab), tab_(tab), window_(window) {
    CommandSet& c = window.commands();
    c.bind(Command::AddWellFromFile, [this] { addWellFile(); });
    c.bind(Command::SaveWellToFile, [this] { saveWellFile(); });
    c.bind(Command::ArchiveDatabase, [this] { createArchive(); });
    c.bind(Command::RestoreDatabase, [this] { updateFromArchive(); });
    c.bind(Command::SaveDatabaseText, [this] { saveText(); });
    c.bind(Command::PrintDatabase, [this] { printJournal(); });
    c.bind(Command::PrintDatabaseSettings, [this] { printSettings(); });
    c.bind(Command::ExportDatabase, [this] { exportJournal(); });
}

// ---- text export ----

void DatabaseFiles::saveText() {
    if (!tab_.idle()) return;
    const std::optional<WellId> well = tab_.page()->shownWell()->well;
    if (!well) return;
    SaveRequest request{QStringLiteral("Сохранение журнала в текстовый файл"),
                        kTextFilters,
                        0,
                        qs(WellDatabase::offeredTextFileName(*well)),
                        {QStringLiteral("txt")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string caption = window_.widget()->windowTitle().toStdString();
    const std::string file = localPath(path);
    auto error = std::make_shared<std::string>();
    tab_.run({[well = *well, caption, file, error](WellDatabase& d) {
                  vorsan::JournalTextFile text;
                  if (Outcome o = d.journalText(well, caption, text); !o.ok) return o;
                  *error = vorsan::writeWholeFile(file, text.bytes);
                  return Outcome{};
              },
              false, false},
             [this, path, error](const DatabaseResult& r) {
                 if (!tab_.report(r.outcome)) return;
                 if (!error->empty())
                     QMessageBox::critical(
                         window_.widget(), QStringLiteral("Ошибка"),
                         QStringLiteral("Не удалось записать файл %1: %2").arg(path, qs(*error)));
             });
}

// ---- printing and export of the shown well ----

void DatabaseFiles::printJournal() {
    const std::shared_ptr<const DatabaseWellData> well = window_.commands().dataSource().databaseWell();
    if (well->journal.rows.empty()) return;
    printJournalReport(window_.widget(), wellReport(*well, *tab_.page(), window_.widget()->windowTitle(),
                                                    QStringLiteral("Печать базы данных")));
}

void DatabaseFiles::printSettings() {
    std::vector<vorsan::SettingsListRow> rows;
    const QTableWidget* grid = tab_.page()->settingsGrid();
    for (int r = 0; r < grid->rowCount(); ++r) {
        const QTableWidgetItem* name = grid->item(r, 0);
        const QTableWidgetItem* value = grid->item(r, 1);
        rows.push_back({name ? name->text().toStdString() : std::string(),
                        value ? value->text().toStdString() : std::string()});
    }
    if (rows.empty()) return;
    printSettingsReport(window_.widget(), tab_.page()->settingsTitle()->text(), rows,
                        QStringLiteral("Печать уставок по базе данных"));
}

void DatabaseFiles::exportJournal() {
    const std::shared_ptr<const DatabaseWellData> well = window_.commands().dataSource().databaseWell();
    if (well->journal.rows.empty() || exporting_) return;
    exporting_ = true;
    // The well's data stays alive until the workbook is written, whatever the tab shows meanwhile.
    exportJournalWorkbook(window_.widget(),
                          wellReport(*well, *tab_.page(), window_.widget()->windowTitle(),
                                     QStringLiteral("Экспорт базы данных в MS Excel")),
                          window_.reports().hooks(), [this, well] { exporting_ = false; });
}

// ---- well files ----

void DatabaseFiles::saveWellFile() {
    if (!tab_.idle()) return;
    const std::optional<WellId> well = tab_.page()->shownWell()->well;
    if (!well) return;
    SaveRequest request{QStringLiteral("Сохранить данные по скважине как"),
                        {kWellFileFilter},
                        0,
                        qs(vorsan::db::wellBaseName(well->oilfield, well->pad, well->well)),
                        {QStringLiteral("VBD")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    tab_.run({[well = *well, file](WellDatabase& db) { return db.saveWellFile(well, file); }, false, false},
             [this](const DatabaseResult& r) { tab_.report(r.outcome); });
}

void DatabaseFiles::addWellFile() {
    if (!tab_.idle()) return;
    const QString path =
        dialogs_.open(window_.widget(), QStringLiteral("Открыть данные по скважине "), kWellFileFilter);
    if (path.isEmpty()) return;
    addWellFileAt(path);
}

void DatabaseFiles::addWellFileAt(const QString& path) {
    if (!tab_.idle()) return;
    const std::string file = localPath(path);
    tab_.run({[file](WellDatabase& db) { return db.addWellFile(file); }, true, false},
             [this](const DatabaseResult& r) {
                 if (!tab_.report(r.outcome)) return;
                 tab_.showResult(r);
                 tab_.showTab();
             });
}

// ---- archives ----

void DatabaseFiles::createArchive() {
    if (!tab_.idle()) return;
    SaveRequest request{QStringLiteral("Сохранить базу данных как"),
                        {kArchiveSaveFilter},
                        0,
                        QString(),
                        {QStringLiteral("zip")}};
    const QString path = dialogs_.save(window_.widget(), request);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    tab_.run({[file](WellDatabase& db) { return db.createArchive(file); }, false, false},
             [this](const DatabaseResult& r) { tab_.report(r.outcome); });
}

void DatabaseFiles::updateFromArchive() {
    if (!tab_.idle()) return;
    const QString path =
        dialogs_.open(window_.widget(), QStringLiteral("Открыть архив базы данных "), kArchiveOpenFilter);
    if (path.isEmpty()) return;
    const std::string file = localPath(path);
    tab_.openProgress(QStringLiteral("Чтение данных..."), 1, 0);
    // Called on the worker: the bar moves on the window's thread (this object outlives the work).
    DatabaseFiles* self = this;
    const vorsan::wells::Progress step = [self](std::size_t done, std::size_t total) {
        QMetaObject::invokeMethod(
            self,
            [self, done, total] {
                if (!self->tab_.progress()) return;
                self->tab_.progress()->setRange(0, int(total));
                self->tab_.progress()->setValue(int(done));
            },
            Qt::QueuedConnection);
    };
    tab_.run({[file, step](WellDatabase& db) { return db.updateFromArchive(file, step); }, true, false},
             [this](const DatabaseResult& r) {
                 tab_.closeProgress();
                 tab_.report(r.outcome);
                 // No well is current afterwards.
                 tab_.showResult(r);
                 tab_.showTab();
             });
}
