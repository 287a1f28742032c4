#include "journal/journal_delegate.h"

#include "journal/bgr_colour.h"
#include "journal/journal_model.h"
#include "journal/journal_rows.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace {

// Enough for several screens of times; the cache starts afresh when full.
constexpr qsizetype kLaidOutTexts = 4096;

} // namespace

JournalDelegate::JournalDelegate(QTableView* view) : QStyledItemDelegate(view), view_(view) {}

const QStaticText& JournalDelegate::laidOut(const QString& text, const QFont& font) const {
    if (font != textsFont_ || texts_.size() >= kLaidOutTexts) {
        texts_.clear();
        textsFont_ = font;
    }
    auto it = texts_.find(text);
    if (it == texts_.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = texts_.insert(text, laid);
    }
    return *it;
}

QRect JournalDelegate::spanRect(const QRect& cell, int column) const {
    // A column's width holds its grid line.
    QRect r = cell;
    for (int c = vorsan::kFirstSpanColumn; c < column; ++c)
        r.setLeft(r.left() - view_->columnWidth(c));
    const int last = view_->model()->columnCount() - 1;
    for (int c = column + 1; c <= last; ++c)
        r.setRight(r.right() + view_->columnWidth(c));
    return r;
}

void JournalDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setClipRect(option.rect);
    // The view has filled the rest with the base colour already.
    if (selected) painter->fillRect(option.rect, option.palette.highlight());

    auto colour = index.data(JournalModel::ColourRole).toUInt();
    if (selected) colour = complementaryBgr(colour);
    painter->setPen(colourFromBgr(colour));
    painter->setFont(option.font);

    // The cell without its grid lines (right and bottom pixel).
    const QRect cell = option.rect.adjusted(0, 0, -1, -1);
    const bool span = index.data(JournalModel::SpanRole).toBool();
    const QRect r = span ? spanRect(cell, index.column()) : cell;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        // Centred in the cell (or the joined cells), a setting-change text from the left edge;
        // what does not fit is cut at the cell's edges.
        const QStaticText& laid = laidOut(text, option.font);
        const QSizeF size = laid.size();
        const bool left = index.data(JournalModel::LeftAlignedRole).toBool();
        const qreal x = left ? r.left() : r.left() + (r.width() - size.width()) / 2;
        painter->drawStaticText(QPointF(x, r.top() + (r.height() - size.height()) / 2), laid);
    }

    // Grid lines: none between the pieces of an event text, so it reads as one line.
    const auto gridColour =
        static_cast<QRgb>(view_->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, view_));
    painter->setPen(QColor::fromRgb(gridColour));
    const QRect& o = option.rect;
    painter->drawLine(o.bottomLeft(), o.bottomRight());
    if (!span || index.column() == view_->model()->columnCount() - 1)
        painter->drawLine(o.topRight(), o.bottomRight());
    painter->restore();
}

JournalDelegate* setUpJournalGrid(QTableView* grid, QAbstractItemModel* model,
                                  QAbstractItemView::SelectionMode mode) {
    constexpr int kRowHeight = 16;
    auto* delegate = new JournalDelegate(grid);
    grid->setModel(model);
    grid->setItemDelegate(delegate);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(mode);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setShowGrid(false); // drawn by the delegate
    grid->setCornerButtonEnabled(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    return delegate;
}
