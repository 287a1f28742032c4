#pragma once
#include "shared/page.h"

class JournalDelegate;
class JournalModel;
class QTableView;

// Page "Журнал событий": the journal grid over the window's JournalRows, and "Удалить строку".
class JournalPage : public Page {
    Q_OBJECT
public:
    explicit JournalPage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;

    // Shows the window's journal (state().journal and journalRows, already built): 15 or 11
    // columns by its generation, one row per record.
    void showJournal();

    // "Удалить строку": asks "Удалить выделенные строки?" and leaves the selected records out of
    // the journal image, which is then decoded and shown again.
    void deleteSelectedRows();
    // The same without the question, for records first..last (1-based).
    void deleteRecords(int first, int last);

    QTableView* grid() const { return grid_; }
    JournalModel* model() const { return model_; }

private:
    void applyColumnWidths();

    QTableView* grid_ = nullptr;
    JournalModel* model_ = nullptr;
    JournalDelegate* delegate_ = nullptr;
};
