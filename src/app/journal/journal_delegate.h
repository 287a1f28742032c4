#pragma once
// Draws the cells of a journal grid: the text in its colour (the complementary colour in a
// selected row), centred, setting-change texts from the left edge, and an event text across
// columns 3 to the last: every spanned cell draws the whole text over the joined width, clipped to
// itself, so the pieces meet in one line.
#include <QStyledItemDelegate>

class QTableView;

class JournalDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit JournalDelegate(QTableView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The rectangle an event text is laid out in for a spanned cell at `cell` in `column`.
    QRect spanRect(const QRect& cell, int column) const;

private:
    QTableView* view_;
};
