#include "wells/well_database_state.h"

#include "db/dbf_format.h"
#include "db/file_io.h"
#include "db/well_database.h"
#include "journal/journal_order.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "settings/value_text.h"
#include "text/cp1251.h"
#include "text/number_format.h"
#include "wells/archive.h"
#include "wells/well_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsan::wells {

using db::DbError;
using db::DbStatus;
using db::FieldValue;

namespace {

constexpr const char* kCaptionAttention = "Внимание...";
constexpr const char* kInUseMessage = "База данных уже открыта другой программой.";

Outcome tableFailure(const char* which, const DbStatus& st) {
    if (st.error == DbError::Locked) return Outcome::failure(kInUseMessage, kCaptionAttention, st.detail);
    return Outcome::failure(std::string("Нет доступа к данным(") + which + ").", kCaptionAttention, st.detail);
}

Outcome engineFailure(const DbStatus& st) {
    return Outcome::failure("Ошибка записи в базу данных.", kCaptionAttention, st.detail);
}

std::string mestoBytes(const std::string& utf8) {
    std::string b = utf8ToCp1251(utf8).bytes;
    if (b.size() > static_cast<std::size_t>(db::kMestoLength)) b.resize(db::kMestoLength);
    return b;
}

std::uint16_t settingValue(const JournalToAdd& j, int gen4Number, int gen3Number) {
    const int n = j.generation == ControllerGeneration::Gen4 ? gen4Number : gen3Number;
    const auto i = static_cast<std::size_t>(n - kFirstSettingNumber);
    return i < j.settings.size() ? j.settings[i] : kNoNumber;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string dateText(const db::Date& d) {
    if (d.empty()) return "../../....";
    std::string s = std::to_string(100 + d.day).substr(1) + "." + std::to_string(100 + d.month).substr(1) + ".";
    const std::string y = std::to_string(d.year);
    return s + std::string(y.size() < 4 ? 4 - y.size() : 0, '0') + y;
}

// The value column of the database settings page: valueText's rules, except that 65535 is
// formatted like any other number instead of shown empty.
std::optional<std::string> pageValueText(const SettingDef& def, std::uint16_t raw, char separator) {
    if (raw != kUnknown16) return valueText(def, raw, separator);
    if (def.editorKind == EditorKind::choice) return std::nullopt; // beyond every list of choices
    if (def.isTime())
        return std::to_string(raw / 60) + "ч " + std::to_string(100 + raw % 60).substr(1) + "мин";
    if (def.scale == 1) return std::to_string(raw) + " " + def.unit;
    return formatFixed(double(raw) / def.scale, 2, separator) + " " + def.unit;
}

} // namespace

std::unique_ptr<WellDatabase> WellDatabase::open(const std::string& dir, char separator, Outcome& outcome) {
    std::unique_ptr<WellDatabase> d(new WellDatabase);
    d->dir_ = dir;
    d->separator_ = separator;
    db::Table probeA, probeB;
    // A first run creates the directory with its empty tables.
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0)
        if (auto s = db::initDatabase(dir); !s) {
            outcome = tableFailure("ustavki", s);
            return nullptr;
        }
    // One program per database: the directory itself is locked for as long as this object lives.
    d->lockFd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d->lockFd_ < 0) {
        outcome = Outcome::failure("Нет доступа к данным(ustavki).", kCaptionAttention,
                                   "cannot open " + dir + ": " + std::strerror(errno));
        return nullptr;
    }
    if (::flock(d->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        outcome = Outcome::failure(kInUseMessage, kCaptionAttention, dir + " is in use by another program");
        return nullptr;
    }
    const db::StartupResult r = db::openStartupTables(dir, d->snapshots_, d->scratch_);
    if (r.failure != db::StartupFailure::None) {
        outcome = r.status.error == DbError::Locked
                      ? Outcome::failure(kInUseMessage, kCaptionAttention, r.status.detail)
                      : Outcome::failure(r.message(), kCaptionAttention, r.status.detail);
        return nullptr;
    }
    d->snapshots_.setTag("KUST_SKV");
    d->settings_.catalogue = buildCatalogue(ControllerGeneration::Gen4);
    d->buildSettingsPage();
    outcome = {};
    return d;
}

WellDatabase::~WellDatabase() {
    well_.close();
    scratch_.close();
    snapshots_.close();
    if (lockFd_ >= 0) ::close(lockFd_);
}

Outcome WellDatabase::openTable(const WellId& well) {
    if (well_.isOpen() && tableOf_ == well) return {};
    well_.close();
    tableOf_.reset();
    addedKnown_ = false;
    if (auto st = db::openWellTable(well_, dir_, db::wellBaseName(well.oilfield, well.pad, well.well)); !st)
        return tableFailure("table1", st);
    tableOf_ = well;
    return {};
}

DbStatus WellDatabase::clearAddedFlags() {
    // After an addition the rows it flagged are known; a table just opened is searched whole.
    const DbStatus st = addedKnown_ ? well_.setFieldOf(addedRecnos_, db::kWellAdd, false)
                                    : well_.fillField(db::kWellAdd, false);
    addedRecnos_.clear();
    addedKnown_ = st.ok();
    return st;
}

Outcome WellDatabase::showWell(const WellId& well) {
    if (auto o = openTable(well); !o.ok) return o;
    // Only rows that still carry the flag are written.
    DbStatus st = clearAddedFlags();
    if (st) st = well_.flush();
    if (!st) return engineFailure(st);
    return readShown(well);
}

Outcome WellDatabase::addJournal(const std::string& oilfield, const JournalToAdd& j) {
    WellId added;
    if (auto o = addJournalQuietly(oilfield, j, &added); !o.ok) return o;
    return readShown(added);
}

Outcome WellDatabase::addJournalQuietly(const std::string& oilfield, const JournalToAdd& j, WellId* added) {
    const OilfieldName name = checkOilfieldName(oilfield);
    if (!name.ok) return Outcome::failure(name.message, "Внимание", "oilfield name refused");
    const WellId well{name.name, settingValue(j, kGen4PadNumber, kGen3PadNumber),
                      settingValue(j, kGen4WellNumber, kGen3WellNumber)};
    if (auto o = checkTableName(well); !o.ok) return o;
    if (auto o = openTable(well); !o.ok) return o;
    if (auto st = clearAddedFlags(); !st) return engineFailure(st);
    if (added) *added = well;
    return addRows(well, j);
}

Outcome WellDatabase::checkTableName(const WellId& well) {
    if (findSnapshot(well)) return {};
    // Table files are found whatever their letter case, so names are compared that way; the
    // oilfields that differ only in letter case share a table by design.
    const std::string base = lowerAscii(db::wellBaseName(well.oilfield, well.pad, well.well));
    for (const WellId& other : wells())
        if (!sameOilfieldIgnoringCase(other.oilfield, well.oilfield) &&
            lowerAscii(db::wellBaseName(other.oilfield, other.pad, other.well)) == base)
            return Outcome::failure("Месторождение «" + well.oilfield + "» нельзя добавить: его данные попали бы в "
                                    "файл месторождения «" + other.oilfield + "».",
                                    "Внимание", "table name " + base + " is taken");
    return {};
}

Outcome WellDatabase::addRows(const WellId& well, const JournalToAdd& j) {
    static const Journal kEmpty;
    const Journal& journal = j.journal ? *j.journal : kEmpty;
    // The journal's rows are merged straight from memory (a scratch table on disk would cost
    // two more synced writes): clearing ADD and the merge are stored as one change.
    std::vector<std::vector<FieldValue>> rows;
    rows.reserve(journal.count());
    std::vector<FieldValue> values;
    for (const JournalRecord& r : journal.records) {
        // A record whose date is no calendar date ends the journal: it and the rest stay out.
        if (!db::wellRowValues(r, well.pad, well.well, values)) break;
        rows.push_back(values);
    }
    DbStatus st = well_.setTag("DATt");
    if (st) st = well_.mergeRows(rows, &addedRecnos_);
    well_.setTag("DATA");
    addedKnown_ = st.ok();
    if (!st) return engineFailure(st);
    // The snapshot's moment is the journal's last record; when that has no calendar date, the
    // last record written (and no moment when none was).
    db::Date date;
    std::string time = "        ";
    const JournalRecord* last = journal.records.empty() ? nullptr : &journal.records.back();
    if (last && !db::isCalendarDate(last->year, last->month, last->day))
        last = rows.empty() ? nullptr : &journal.records[rows.size() - 1];
    if (last) {
        date = {last->year, last->month, last->day};
        time = db::timeText(last->hour, last->minute, last->second);
    }
    std::vector<std::uint16_t> snapshot(db::kSnapshotValues, kUnknown16);
    std::copy_n(j.settings.begin(), std::min(j.settings.size(), snapshot.size()), snapshot.begin());
    return writeSnapshot(well, date, time, snapshot, j.generation == ControllerGeneration::Gen4);
}

bool WellDatabase::findSnapshot(const WellId& id) {
    snapshots_.setTag("KUST_SKV");
    const std::string mesto(db::trimRight(mestoBytes(id.oilfield)));
    for (snapshots_.first(); !snapshots_.eof(); snapshots_.next())
        if (db::toUnsigned16(snapshots_.getNumber(db::kSnapKust)) == id.pad &&
            db::toUnsigned16(snapshots_.getNumber(db::kSnapSkv)) == id.well &&
            snapshots_.getString(db::kSnapMesto) == mesto)
            return true;
    return false;
}

Outcome WellDatabase::writeSnapshot(const WellId& id, const db::Date& date, const std::string& time,
                                    const std::vector<std::uint16_t>& values, bool gen4) {
    std::vector<FieldValue> row(db::kSnapFieldCount);
    row[db::kSnapMesto] = mestoBytes(id.oilfield);
    row[db::kSnapKust] = double(id.pad);
    row[db::kSnapSkv] = double(id.well);
    row[db::kSnapData] = date;
    row[db::kSnapTime] = time;
    for (int i = 0; i < db::kSnapshotValues; ++i)
        row[std::size_t(db::kSnapU1 + i)] = std::to_string(i < int(values.size()) ? values[std::size_t(i)] : kUnknown16);
    row[db::kSnapNewFormat] = gen4;
    DbStatus st;
    if (findSnapshot(id)) {
        for (int f = db::kSnapData; f < db::kSnapFieldCount && st; ++f)
            st = snapshots_.setField(f, row[std::size_t(f)]);
    } else {
        st = snapshots_.appendRow(row);
    }
    if (st) st = snapshots_.flush();
    return st ? Outcome{} : engineFailure(st);
}

void WellDatabase::forgetShown() {
    shown_.reset();
    journal_ = {};
    stored_.clear();
    storedAdded_.clear();
    shownOrder_.clear();
}

Outcome WellDatabase::readShown(const WellId& well) {
    // The buffers of the previous well are reused: a large well's rows are tens of megabytes, and
    // fresh memory costs more to touch than the texts cost to make.
    db::WellRows rows;
    rows.records = std::move(stored_);
    rows.added = std::move(storedAdded_);
    const DbStatus read = db::readWellRows(well_, rows);
    stored_ = std::move(rows.records);
    storedAdded_ = std::move(rows.added);
    if (!read) {
        forgetShown();
        return tableFailure("table1", read);
    }
    shown_ = well;
    // The records of one moment in the order a reader expects; their flags and stored values go
    // with them.
    shownOrder_ = sameMomentOrder(stored_);
    const std::size_t n = stored_.size();
    journal_.journal.records.resize(n);
    journal_.added.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        journal_.journal.records[i] = stored_[shownOrder_[i]];
        journal_.added[i] = storedAdded_[shownOrder_[i]];
    }

    settings_.present = findSnapshot(well);
    snapshotValues_.fill(kUnknown16);
    if (settings_.present) {
        settings_.generation =
            snapshots_.getLogical(db::kSnapNewFormat) ? ControllerGeneration::Gen4 : ControllerGeneration::Gen3;
        settings_.momentText =
            dateText(snapshots_.getDate(db::kSnapData)) + " " + snapshots_.getString(db::kSnapTime);
        for (int i = 0; i < db::kSnapshotValues; ++i)
            snapshotValues_[std::size_t(i)] = db::snapshotValue(snapshots_.getString(db::kSnapU1 + i));
    } else {
        settings_.momentText = kNoSnapshotMoment;
    }
    settings_.catalogue = buildCatalogue(settings_.generation);
    for (std::size_t i = 0; i < settings_.catalogue.size(); ++i)
        settings_.catalogue.entries[i].value = snapshotValues_[i];
    if (settings_.present) applyVariantFromValue(settings_.catalogue);
    buildSettingsPage();
    const SettingsCatalogue gen4 = settings_.generation == ControllerGeneration::Gen4
                                       ? settings_.catalogue
                                       : buildCatalogue(ControllerGeneration::Gen4);
    journal_.rows.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        fillJournalRow(journal_.journal.records[i], journal_.rows[i], settings_.generation, gen4, separator_);
    return {};
}

void WellDatabase::buildSettingsPage() {
    page_.clear();
    pageErrors_.clear();
    const SettingsCatalogue& c = settings_.catalogue;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const SettingDef& def = c.entries[i];
        if (!settings_.present) {
            page_.push_back({"  " + def.longName, ""});
            continue;
        }
        const auto text = pageValueText(def, def.value, separator_);
        if (!text) pageErrors_.push_back(settingRowName(c, i) + ": " + std::to_string(def.value));
        page_.push_back({settingRowName(c, i), text.value_or("")});
    }
}

Outcome WellDatabase::deleteRows(const WellId& well, const std::vector<ShownRow>& which) {
    if (auto o = openTable(well); !o.ok) return o;
    if (shown_ != well)
        if (auto o = readShown(well); !o.ok) return o;
    // The shown records carry the texts' substitutions (a missing power factor shown as 0), so
    // they are matched against the shown records, and the stored row they came from is deleted.
    const auto& shown = journal_.journal.records;
    std::vector<std::vector<FieldValue>> rows;
    std::vector<FieldValue> values;
    for (const ShownRow& r : which) {
        std::size_t at = r.position;
        if (at >= shown.size() || !(shown[at] == r.record))
            at = std::size_t(std::find(shown.begin(), shown.end(), r.record) - shown.begin());
        if (at < shown.size() && db::wellRowValues(stored_[shownOrder_[at]], well.pad, well.well, values))
            rows.push_back(values);
    }
    DbStatus st = well_.setTag("DATt");
    if (st) st = well_.deleteRowsByKey(rows);
    well_.setTag("DATA");
    if (st) st = well_.pack();
    addedKnown_ = false; // the rows moved
    if (!st) return engineFailure(st);
    return showWell(well);
}

Outcome WellDatabase::deleteWell(const WellId& well) {
    if (auto o = openTable(well); !o.ok) return o;
    if (auto st = well_.empty(); !st) return engineFailure(st);
    addedRecnos_.clear();
    addedKnown_ = true;
    if (findSnapshot(well)) {
        DbStatus st = snapshots_.deleteCurrent();
        if (st) st = snapshots_.pack();
        if (!st) return engineFailure(st);
    }
    return showWell(well);
}

std::vector<WellId> WellDatabase::wells() {
    std::vector<WellId> out;
    snapshots_.setTag("KUST_SKV");
    out.reserve(snapshots_.count());
    for (snapshots_.first(); !snapshots_.eof(); snapshots_.next())
        out.push_back({cp1251ToUtf8(snapshots_.getString(db::kSnapMesto)),
                       db::toUnsigned16(snapshots_.getNumber(db::kSnapKust)),
                       db::toUnsigned16(snapshots_.getNumber(db::kSnapSkv))});
    return out;
}

std::vector<std::string> WellDatabase::oilfieldNames() {
    std::vector<std::string> out;
    snapshots_.setTag("Mest");
    for (snapshots_.first(); !snapshots_.eof(); snapshots_.next())
        out.push_back(cp1251ToUtf8(snapshots_.getString(db::kSnapMesto)));
    snapshots_.setTag("KUST_SKV");
    return out;
}

Outcome WellDatabase::journalText(const WellId& well, std::string_view caption, JournalTextFile& out) {
    if (shown_ != well) {
        if (auto o = openTable(well); !o.ok) return o;
        if (auto o = readShown(well); !o.ok) return o;
    }
    out = journalTextFile(journal_.journal, journal_.rows, caption, well.pad, well.well);
    return {};
}

std::string WellDatabase::offeredTextFileName(const WellId& well) {
    if (well.none()) return {};
    return "Куст" + std::to_string(well.pad) + "_Ск" + std::to_string(well.well);
}

} // namespace vorsan::wells
