#include "overview/overview_model.h"

#include "shared/loaded_data.h"

#include "journal/current_state.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>

#include <algorithm>
#include <chrono>

using vorsan::StationRow;

namespace {

struct ColumnHead {
    const char* caption;
    const char* hint;
};

constexpr ColumnHead kHeads[OverviewModel::kColumnCount] = {
    {"Адрес", "Адрес станции на линии"},
    {"Куст", "Номер куста"},
    {"Скважина", "Номер скважины"},
    {"Состояние", "Текущее состояние"},
    {"Причина стопа", "Причина последнего стопа"},
    {"Последний ответ", "Время последнего ответа станции"},
    {"Uab, B", "Напряжение Uab"},
    {"Ubc, B", "Напряжение Ubc"},
    {"Uca, B", "Напряжение Uca"},
    {"Ia, A", "Ток Ia"},
    {"Ib, A", "Ток Ib"},
    {"Ic, A", "Ток Ic"},
    {"Загрузка, %", "Загрузка"},
    {"R изол., кОм", "Сопротивление изоляции"},
    {"cos φ", "Коэффициент мощности"},
    {"P, Атм.", "Давление"},
    {"T, °С", "Температура"},
    {"Часы станции", "Дата и время станции"},
};

const QColor kStoppedBack(0xF4, 0x9A, 0x9A);
const QColor kSilentBack(0xD6, 0xD6, 0xD6);
const QColor kSilentText(0x60, 0x60, 0x60);

QString number(unsigned v) {
    return QString::number(v);
}

QString unsetOr(std::uint16_t v) {
    return v == vorsan::kUnknown16 ? QString() : number(v);
}

QString ageText(std::int64_t seconds) {
    if (seconds < 60) return QStringLiteral("%1 с назад").arg(seconds);
    if (seconds < 3600) return QStringLiteral("%1 мин %2 с назад").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 ч %2 мин назад").arg(seconds / 3600).arg(seconds / 60 % 60);
}

// A station just found has not been polled yet; one polled without an answer has not answered.
QString neverAnswered(const StationRow& row) {
    return row.lastError == vorsan::LinkError::None ? QStringLiteral("ожидает опроса")
                                                    : QStringLiteral("нет ответа");
}

} // namespace

QString clockText(vorsan::WallTime time) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

QString stationName(const StationRow& row) {
    QStringList parts;
    if (row.state.padNumber != vorsan::kUnknown16)
        parts << QStringLiteral("куст %1").arg(row.state.padNumber);
    if (row.state.wellNumber != vorsan::kUnknown16)
        parts << QStringLiteral("скважина %1").arg(row.state.wellNumber);
    parts << QStringLiteral("адрес %1").arg(row.address);
    return parts.join(QStringLiteral(", "));
}

OverviewModel::OverviewModel(QObject* parent) : QAbstractTableModel(parent) {}

int OverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int OverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

OverviewModel::Look OverviewModel::lookOf(const StationRow& row) {
    if (!row.everAnswered) return Look::Waiting;
    if (!row.answering) return Look::Silent;
    return row.running() ? Look::Running : Look::Stopped;
}

QString OverviewModel::text(const StationRow& row, int column) const {
    const vorsan::CurrentState& s = row.state;
    const bool values = row.everAnswered;
    const auto value = [values](unsigned v) { return values ? number(v) : QString(); };
    const auto current = [values](std::uint16_t tenths) {
        return values ? QString::fromStdString(vorsan::currentText(tenths, decimalSeparator())) : QString();
    };
    switch (column) {
    case kAddress:
        return number(row.address);
    case kPad:
        return unsetOr(s.padNumber);
    case kWell:
        return unsetOr(s.wellNumber);
    case kState:
        if (!values) return neverAnswered(row);
        return QString::fromStdString(vorsan::modeText(s.status));
    case kCause:
        return values ? QString::fromStdString(vorsan::stopText(s.status)) : QString();
    case kUab:
        return value(s.UAB);
    case kUbc:
        return value(s.UBC);
    case kUca:
        return value(s.UCA);
    case kIa:
        return current(s.IA);
    case kIb:
        return current(s.IB);
    case kIc:
        return current(s.IC);
    case kLoad:
        return value(s.ZAGR);
    case kInsulation:
        return value(s.SOP);
    case kPowerFactor:
        return values ? QString::fromStdString(vorsan::powerFactorText(s.powerFactor)) : QString();
    case kPressure:
        return value(s.P);
    case kTemperature:
        return value(s.T);
    case kClock:
        return values ? QString::fromStdString(vorsan::dateTimeText(s)).simplified() : QString();
    case kLastAnswer:
        if (!row.everAnswered) return neverAnswered(row);
        if (row.answering) return clockText(row.lastAnswer);
        return clockText(row.lastAnswer) + QStringLiteral(", ") + ageText(row.ageSeconds(now_));
    default:
        return {};
    }
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const StationRow& row = rows_[static_cast<std::size_t>(index.row())];
    const Look look = lookOf(row);
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case Qt::ToolTipRole:
        if (look == Look::Silent)
            return QStringLiteral("Станция не отвечает; последний ответ %1").arg(text(row, kLastAnswer));
        return index.column() == kCause || index.column() == kState ? text(row, index.column()) : QVariant();
    case Qt::BackgroundRole:
        if (look == Look::Stopped) return QBrush(kStoppedBack);
        if (look == Look::Silent || look == Look::Waiting) return QBrush(kSilentBack);
        return {};
    case Qt::ForegroundRole:
        return look == Look::Silent || look == Look::Waiting ? QVariant(QBrush(kSilentText)) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() >= kUab && index.column() <= kTemperature
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kHeads[section].caption);
    if (role == Qt::ToolTipRole) return QString::fromUtf8(kHeads[section].hint);
    return {};
}

int OverviewModel::indexOf(std::uint8_t address) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].address == address) return static_cast<int>(i);
    return -1;
}

const StationRow* OverviewModel::rowOf(std::uint8_t address) const {
    const int i = indexOf(address);
    return i < 0 ? nullptr : &rows_[static_cast<std::size_t>(i)];
}

void OverviewModel::addStation(const vorsan::ScannedStation& station) {
    if (indexOf(station.address) >= 0) return;
    StationRow row;
    row.address = station.address;
    row.state.padNumber = station.pad;
    row.state.wellNumber = station.well;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), station.address,
                                     [](const StationRow& r, std::uint8_t a) { return r.address < a; });
    const int i = static_cast<int>(at - rows_.begin());
    beginInsertRows({}, i, i);
    rows_.insert(at, row);
    endInsertRows();
}

void OverviewModel::keepOnly(const std::vector<vorsan::ScannedStation>& stations) {
    for (int i = rowCount() - 1; i >= 0; --i) {
        const std::uint8_t a = rows_[static_cast<std::size_t>(i)].address;
        const bool found = std::any_of(stations.begin(), stations.end(),
                                       [a](const vorsan::ScannedStation& s) { return s.address == a; });
        if (found) continue;
        beginRemoveRows({}, i, i);
        rows_.erase(rows_.begin() + i);
        endRemoveRows();
    }
    for (const auto& s : stations)
        addStation(s);
}

bool OverviewModel::update(const StationRow& row) {
    const int i = indexOf(row.address);
    if (i < 0) return false;
    StationRow& mine = rows_[static_cast<std::size_t>(i)];
    const std::uint16_t pad = mine.state.padNumber, well = mine.state.wellNumber;
    mine = row;
    // A state read whose pad-and-well part went unanswered keeps the numbers known.
    if (mine.state.padNumber == vorsan::kUnknown16) mine.state.padNumber = pad;
    if (mine.state.wellNumber == vorsan::kUnknown16) mine.state.wellNumber = well;
    emit dataChanged(index(i, 0), index(i, kColumnCount - 1));
    return true;
}

void OverviewModel::setNow(vorsan::WallTime now) {
    now_ = now;
    if (!rows_.empty()) emit dataChanged(index(0, kLastAnswer), index(rowCount() - 1, kLastAnswer));
}
