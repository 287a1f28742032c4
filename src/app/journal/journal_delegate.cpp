#include "journal/journal_delegate.h"

#include "journal/bgr_colour.h"
#include "journal/journal_model.h"
#include "journal/journal_rows.h"

#include <QPainter>
#include <QTableView>

JournalDelegate::JournalDelegate(QTableView* view) : QStyledItemDelegate(view), view_(view) {}

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
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());

    auto colour = index.data(JournalModel::ColourRole).toUInt();
    if (selected) colour = complementaryBgr(colour);
    painter->setPen(colourFromBgr(colour));
    painter->setFont(option.font);

    // The cell without its grid lines (right and bottom pixel).
    const QRect cell = option.rect.adjusted(0, 0, -1, -1);
    const bool span = index.data(JournalModel::SpanRole).toBool();
    const QRect r = span ? spanRect(cell, index.column()) : cell;
    const Qt::Alignment horizontal =
        index.data(JournalModel::LeftAlignedRole).toBool() ? Qt::AlignLeft : Qt::AlignHCenter;
    painter->drawText(r, static_cast<int>(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());

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
