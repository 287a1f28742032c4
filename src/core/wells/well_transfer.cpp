// Well files and archives of the well database.
#include "db/dbf_format.h"
#include "db/file_io.h"
#include "db/well_database.h"
#include "text/cp1251.h"
#include "wells/archive.h"
#include "wells/well_database_state.h"
#include "wells/well_file.h"

#include <algorithm>

namespace vorsan::wells {

using db::DbError;
using db::DbStatus;
using db::FieldValue;

namespace {

constexpr const char* kCaptionAttention = "Внимание...";

Outcome damaged(std::string detail) {
    return Outcome::failure(kDamagedWellFileMessage, "Error", std::move(detail));
}

// A table of the well layout from somewhere else, read-only: the merge source.
DbStatus openForeignWellTable(db::Table& t, const std::string& path) {
    if (auto st = t.open(path, db::OpenMode::Foreign, db::wellTableLayout().tags); !st) return st;
    const auto& f = t.fields();
    const auto& want = db::wellTableLayout().fields;
    for (const auto& w : want) {
        const int i = t.fieldIndex(w.name);
        if (i < 0 || f[std::size_t(i)].type != w.type) {
            t.close();
            return DbStatus::fail(DbError::LayoutMismatch, path + " has no field " + w.name);
        }
    }
    return {};
}

DbStatus copyInto(const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes;
    if (auto st = db::readWholeFile(from, bytes); !st) return st;
    return db::replaceFile(to, {bytes});
}

} // namespace

Outcome WellDatabase::mergeInto(db::Table& source) {
    DbStatus st = well_.setTag("DATt");
    if (st) st = source.setTag("DATt");
    if (st) st = well_.mergeFrom(source);
    addedKnown_ = false; // the merged rows bring their own flags
    well_.setTag("DATA");
    source.setTag("DATA");
    if (!st)
        return Outcome::failure("Ошибка записи в базу данных.", kCaptionAttention, st.detail);
    return {};
}

Outcome WellDatabase::saveWellFile(const WellId& well, const std::string& path) {
    if (auto o = openTable(well); !o.ok) return o;
    // The files on disk must be the table as it stands.
    if (auto st = well_.flush(); !st) return Outcome::failure("Ошибка записи в базу данных.", kCaptionAttention, st.detail);
    WellFile f;
    f.oilfield = well.oilfield;
    f.values.fill(kUnknown16);
    if (findSnapshot(well)) {
        f.generation = snapshots_.getLogical(db::kSnapNewFormat) ? ControllerGeneration::Gen4 : ControllerGeneration::Gen3;
        for (int i = 0; i < db::kSnapshotValues; ++i)
            f.values[std::size_t(i)] = db::snapshotValue(snapshots_.getString(db::kSnapU1 + i));
    }
    // Whoever adds the file files it under its pad and well settings: they must name this well.
    f.setPadAndWell(well.pad, well.well);
    if (auto st = db::readWholeFile(well_.path(), f.table); !st)
        return Outcome::failure("Нет доступа к данным(table1).", kCaptionAttention, st.detail);
    if (auto st = db::readWholeFile(well_.indexPath(), f.index); !st)
        return Outcome::failure("Нет доступа к данным(table1).", kCaptionAttention, st.detail);
    const auto bytes = wellFileBytes(f);
    if (auto st = db::replaceFile(path, {bytes}); !st)
        return Outcome::failure("Не удалось записать файл.", "Внимание", st.detail);
    return {};
}

void WellDatabase::newestMoment(db::Date& date, std::string& time) {
    date = {};
    time = "        ";
    well_.setTag("DATA");
    well_.last();
    if (!well_.eof()) {
        date = well_.getDate(db::kWellData);
        time = well_.getString(db::kWellTime);
    }
}

void WellDatabase::closeTable() {
    well_.close();
    tableOf_.reset();
    addedKnown_ = false;
}

Outcome WellDatabase::installOrMerge(const WellId& id, db::Table& source, const std::string& dbf,
                                     const std::string& cdx) {
    const std::string base = db::wellBaseName(id.oilfield, id.pad, id.well);
    if (!db::findIgnoringCase(dir_, base + db::kTableExtension).empty()) {
        if (auto o = openTable(id); !o.ok) return o;
        return mergeInto(source);
    }
    // A new well: its files are installed as they are (a stale index is rebuilt on opening).
    source.close();
    DbStatus st = copyInto(dbf, db::joinPath(dir_, base + ".DBF"));
    if (st && !cdx.empty()) st = copyInto(cdx, db::joinPath(dir_, base + ".CDX"));
    if (!st) return Outcome::failure("Не удалось скопировать данные.", kCaptionAttention, st.detail);
    return openTable(id);
}

Outcome WellDatabase::addWellFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (auto st = db::readWholeFile(path, bytes); !st)
        return Outcome::failure("Не удалось открыть файл.", "Внимание", st.detail);
    const auto file = parseWellFile(bytes);
    if (!file) return damaged(path + ": wrong marker or shorter than its sizes claim");
    const OilfieldName name = checkOilfieldName(file->oilfield);
    if (!name.ok) return Outcome::failure(name.message, "Внимание", path + ": oilfield name refused");
    const WellId id{name.name, file->pad(), file->well()};
    if (auto o = checkTableName(id); !o.ok) return o;
    // The file's tables are checked where nothing of ours can be harmed before anything changes.
    PrivateDirectory tmp;
    if (!tmp.ok()) return Outcome::failure("Не удалось открыть файл.", "Внимание", "no temporary directory");
    const std::string dbf = db::joinPath(tmp.path(), "well.DBF"), cdx = db::joinPath(tmp.path(), "well.CDX");
    if (auto st = db::replaceFile(dbf, {file->table}); !st) return damaged(st.detail);
    if (!file->index.empty())
        if (auto st = db::replaceFile(cdx, {file->index}); !st) return damaged(st.detail);
    db::Table source;
    if (auto st = openForeignWellTable(source, dbf); !st) return damaged(st.detail);
    if (auto o = installOrMerge(id, source, dbf, file->index.empty() ? std::string() : cdx); !o.ok) return o;
    // The snapshot takes the file's values with the moment of the well's own newest row.
    db::Date date;
    std::string time;
    newestMoment(date, time);
    const std::vector<std::uint16_t> values(file->values.begin(), file->values.end());
    if (auto o = writeSnapshot(id, date, time, values, file->generation == ControllerGeneration::Gen4); !o.ok)
        return o;
    return showWell(id);
}

Outcome WellDatabase::createArchive(const std::string& path) {
    for (db::Table* t : {&snapshots_, &scratch_, &well_})
        if (t->isOpen())
            if (auto st = t->flush(); !st)
                return Outcome::failure("Ошибка, архив не создан.", "Внимание", st.detail);
    const ArchiveStatus a = writeDatabaseArchive(dir_, path);
    if (!a.ok) return Outcome::failure("Ошибка, архив не создан.", "Внимание", a.detail);
    return {};
}

Outcome WellDatabase::updateFromArchive(const std::string& path, const Progress& progress) {
    PrivateDirectory tmp; // removed with what was unpacked into it, whatever happens below
    if (!tmp.ok()) return Outcome::failure("Ошибка, архив не распакован.", "Внимание", "no temporary directory");
    const ArchiveStatus a = unpackDatabaseArchive(path, tmp.path());
    if (!a.ok) return Outcome::failure("Ошибка, архив не распакован.", "Внимание", a.detail);
    const std::string from = db::joinPath(tmp.path(), "bd");
    db::Table theirs;
    const std::string theirSnapshots = db::findIgnoringCase(from, db::kSettingsTableFile);
    DbStatus st = theirSnapshots.empty()
                      ? DbStatus::fail(DbError::NotFound, "the archive holds no " + std::string(db::kSettingsTableFile))
                      : theirs.open(theirSnapshots, db::OpenMode::Foreign);
    // A wider MESTO (or any other difference) would be cut or misread into our snapshots.
    if (st) st = db::checkFieldLayout(theirs, db::settingsSnapshotLayout());
    if (!st) return Outcome::failure("Нет доступа к данным(ustavki).", kCaptionAttention, st.detail);

    Outcome result;
    const std::size_t total = theirs.count();
    std::size_t done = 0;
    for (theirs.first(); !theirs.eof(); theirs.next(), ++done) {
        if (progress) progress(done, total);
        WellId id{cp1251ToUtf8(theirs.getString(db::kSnapMesto)),
                  db::toUnsigned16(theirs.getNumber(db::kSnapKust)),
                  db::toUnsigned16(theirs.getNumber(db::kSnapSkv))};
        const std::string base = db::wellBaseName(id.oilfield, id.pad, id.well);
        const std::string label = id.oilfield + ", куст " + std::to_string(id.pad) + ", скважина " +
                                  std::to_string(id.well) + ": ";
        const std::string theirDbf = db::findIgnoringCase(from, base + ".dbf");
        db::Table source;
        if (theirDbf.empty() || !openForeignWellTable(source, theirDbf)) {
            result.notes.push_back(label + "Нет доступа к данным(Temp).");
            continue;
        }
        const OilfieldName name = checkOilfieldName(id.oilfield);
        if (!name.ok) {
            result.notes.push_back(label + name.message);
            continue;
        }
        id.oilfield = name.name;
        if (auto o = checkTableName(id); !o.ok) {
            result.notes.push_back(label + o.message);
            continue;
        }
        const std::string theirCdx = db::findIgnoringCase(from, base + ".cdx");
        if (auto o = installOrMerge(id, source, theirDbf, theirCdx); !o.ok) {
            result.notes.push_back(label + o.message);
            continue;
        }
        // The archive's snapshot replaces ours.
        std::vector<std::uint16_t> values(db::kSnapshotValues);
        for (int i = 0; i < db::kSnapshotValues; ++i)
            values[std::size_t(i)] = db::snapshotValue(theirs.getString(db::kSnapU1 + i));
        if (auto o = writeSnapshot(id, theirs.getDate(db::kSnapData), theirs.getString(db::kSnapTime), values,
                                   theirs.getLogical(db::kSnapNewFormat));
            !o.ok)
            result.notes.push_back(label + o.message);
    }
    if (progress) progress(total, total);
    // No well is shown afterwards: the one shown may have changed under the window's eyes.
    closeTable();
    forgetShown();
    if (!result.notes.empty()) {
        result.ok = false;
        result.message = result.notes.front();
        result.caption = kCaptionAttention;
        result.detail = std::to_string(result.notes.size()) + " wells not merged";
    }
    return result;
}

} // namespace vorsan::wells
