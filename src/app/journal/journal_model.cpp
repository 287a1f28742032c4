#include "journal/journal_model.h"

#include "journal/bgr_colour.h"
#include "journal/journal_rows.h"
#include "shared/window_state.h"

using vorsan::kFirstSpanColumn;

JournalModel::JournalModel(const WindowState& state, QObject* parent)
    : JournalModel([&state] { return Source{&state.journal, &state.journalRows, state.journalGeneration, nullptr}; },
                   parent) {}

JournalModel::JournalModel(std::function<Source()> source, QObject* parent)
    : QAbstractTableModel(parent), source_(std::move(source)) {}

void JournalModel::reload() {
    beginResetModel();
    shown_ = source_();
    generation_ = shown_.generation;
    rows_ = shown_.journal && shown_.rows
                ? static_cast<int>(std::min(shown_.rows->size(), shown_.journal->records.size()))
                : 0;
    endResetModel();
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : vorsan::journalColumnCount(generation_);
}

QString JournalModel::text(int row, int column) const {
    const auto& r = (*shown_.rows)[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return QString::number(row + 1);
    case 1:
        return QString::fromStdString(r.dateText);
    case 2:
        return QString::fromStdString(r.timeText);
    default:
        return QString::fromStdString(r.isEventRow() ? r.eventText : vorsan::measurementCellText(r, column));
    }
}

std::uint32_t JournalModel::colour(int row, int column) const {
    if (column == 0) return vorsan::kNumberColumnColour;
    const auto i = static_cast<std::size_t>(row);
    // An added row's date, time and values are blue; event texts and the cause keep their colours.
    const bool added = shown_.added && i < shown_.added->size() && (*shown_.added)[i];
    const auto plain = added ? vorsan::kColourBlue : vorsan::kColourBlack;
    if (column < kFirstSpanColumn) return plain;
    const auto style = vorsan::journalRowStyle(shown_.journal->records[i], (*shown_.rows)[i]);
    if (!style.eventRow && column == vorsan::kJournalColumnsGen4 - 1) return vorsan::kCauseColumnColour;
    return style.colour == vorsan::kColourBlack ? plain : style.colour;
}

bool JournalModel::spans(int row, int column) const {
    return column >= kFirstSpanColumn && (*shown_.rows)[static_cast<std::size_t>(row)].isEventRow();
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column);
    case ColourRole:
        return static_cast<uint>(colour(row, column));
    case Qt::ForegroundRole:
        return colourFromBgr(colour(row, column));
    case SpanRole:
        return spans(row, column);
    case LeftAlignedRole:
        return column >= kFirstSpanColumn &&
               shown_.journal->records[static_cast<std::size_t>(row)].SOBYTIE == vorsan::kCodeSettingChange;
    default:
        return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= vorsan::kJournalColumnsGen4) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(vorsan::kJournalColumnHeaders[section]);
    if (role == Qt::ForegroundRole) return QColor(Qt::black);
    return {};
}
