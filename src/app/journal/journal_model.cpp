#include "journal/journal_model.h"

#include "journal/bgr_colour.h"
#include "journal/journal_rows.h"
#include "window/window_state.h"

using vorsan::kFirstSpanColumn;

JournalModel::JournalModel(const WindowState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

void JournalModel::reload() {
    beginResetModel();
    generation_ = state_.journalGeneration;
    rows_ = static_cast<int>(std::min(state_.journalRows.size(), state_.journal.records.size()));
    endResetModel();
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : vorsan::journalColumnCount(generation_);
}

QString JournalModel::text(int row, int column) const {
    const auto& r = state_.journalRows[static_cast<std::size_t>(row)];
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
    if (column < kFirstSpanColumn) return vorsan::kColourBlack;
    const auto i = static_cast<std::size_t>(row);
    const auto style = vorsan::journalRowStyle(state_.journal.records[i], state_.journalRows[i]);
    if (!style.eventRow && column == vorsan::kJournalColumnsGen4 - 1) return vorsan::kCauseColumnColour;
    return style.colour;
}

bool JournalModel::spans(int row, int column) const {
    return column >= kFirstSpanColumn && state_.journalRows[static_cast<std::size_t>(row)].isEventRow();
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
               state_.journal.records[static_cast<std::size_t>(row)].SOBYTIE == vorsan::kCodeSettingChange;
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
