#pragma once
// Draws the cells of a journal grid: the text in its colour (the complementary colour in a
// selected row), centred, setting-change texts from the left edge, and an event text across
// columns 3 to the last: every spanned cell draws the whole text over the joined width, clipped to
// itself, so the pieces meet in one line.
#include <QAbstractItemView>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class QAbstractItemModel;
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
    // The laid-out text of `text` in `font`: laying a text out costs more than drawing it, and a
    // journal repeats most of its texts (values, dates, event names) from row to row.
    const QStaticText& laidOut(const QString& text, const QFont& font) const;

    QTableView* view_;
    mutable QHash<QString, QStaticText> texts_;
    mutable QFont textsFont_;
};

// Gives a journal grid its model, this delegate and its look: whole rows selected in `mode`,
// read-only, fixed rows of 16 pixels, no row header, grid lines left to the delegate, and the
// context menu made of the view's actions. Returns the delegate (owned by the view).
JournalDelegate* setUpJournalGrid(QTableView* grid, QAbstractItemModel* model,
                                  QAbstractItemView::SelectionMode mode);
