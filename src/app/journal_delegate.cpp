#include "journal_delegate.h"

#include "bgr_colour.h"
#include "journal/journal_rows.h"
#include "journal_model.h"

#include <QPainter>
#include <QTableView>

JournalDelegate::JournalDelegate(QTableView* view) : QStyledItemDelegate(view), view_(view) {}

QRect JournalDelegate::spanRect(const QRect& cell, int column) const {
    // A column's width here already holds its grid line.
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

    const bool span = index.data(JournalModel::SpanRole).toBool();
    const QRect r = span ? spanRect(option.rect, index.column()) : option.rect;
    const Qt::Alignment horizontal =
        index.data(JournalModel::LeftAlignedRole).toBool() ? Qt::AlignLeft : Qt::AlignHCenter;
    painter->drawText(r, static_cast<int>(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}
