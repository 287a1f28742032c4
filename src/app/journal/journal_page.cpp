#include "journal/journal_page.h"

#include "journal/journal_decode.h"
#include "journal/journal_delegate.h"
#include "journal/journal_encode.h"
#include "journal/journal_model.h"
#include "journal/journal_rows.h"
#include "shared/commands.h"
#include "shared/loaded_data.h"
#include "shared/page.h"
#include "shared/page_index.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <span>

using vorsan::Command;

JournalPage::JournalPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("JournalPage"));
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("journalGrid"));
    model_ = new JournalModel(state, this);
    delegate_ = setUpJournalGrid(grid_, model_, QAbstractItemView::ContiguousSelection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    applyColumnWidths();
}

void JournalPage::attach(const PageContext& context) {
    Page::attach(context);
    grid_->addAction(context.commands->action(Command::DeleteRow));
    context.commands->bind(Command::DeleteRow, [this] { deleteSelectedRows(); });
}

void JournalPage::applyColumnWidths() {
    for (int c = 0; c < model_->columnCount(); ++c)
        grid_->setColumnWidth(c, vorsan::kJournalColumnWidths[c]);
    // The cause column is made wide enough for the longest cause text.
    const int cause = vorsan::kJournalColumnsGen4 - 1;
    if (model_->columnCount() > cause) {
        int widest = 0;
        for (std::uint8_t code = 1; code <= 7; ++code)
            widest = std::max(widest, grid_->fontMetrics().horizontalAdvance(
                                          QString::fromStdString(vorsan::causeText(code))));
        grid_->setColumnWidth(cause, std::max(vorsan::kJournalColumnWidths[cause], widest + 8));
    }
}

void JournalPage::showJournal() {
    model_->reload();
    applyColumnWidths();
    grid_->viewport()->update();
}

void JournalPage::pageShown() {
    if (!context().status) return;
    context().status->setActivity({});
    context().status->setWell(padWellStatus(state().catalogue));
    auto* commands = context().commands;
    commands->dataSource().setKind(DataKind::Window);
    commands->retarget(CommandSlot::Print, Command::PrintJournal);
    commands->retarget(CommandSlot::Export, Command::ExportExcel);
    commands->retarget(CommandSlot::SaveText, Command::SaveJournalText);
    if (auto* pages = context().pages) {
        pages->setTabText(kDiagramsPage, QStringLiteral("Диаграммы"));
        pages->setTabText(kGraphPage, QStringLiteral("Графики"));
        pages->setTabText(kSpareGraphPage, QStringLiteral("Графики"));
    }
}

void JournalPage::deleteSelectedRows() {
    const auto rows = grid_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    if (QMessageBox::warning(context().window, QStringLiteral("Внимание"),
                             QStringLiteral("Удалить выделенные строки?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    int top = rows.front().row();
    int bottom = top;
    for (const auto& r : rows) {
        top = std::min(top, r.row());
        bottom = std::max(bottom, r.row());
    }
    deleteRecords(top + 1, bottom + 1);
}

void JournalPage::deleteRecords(int first, int last) {
    auto& s = state();
    if (!s.journalImage || first < 1 || last < first) return;
    // Encoded from the records as the image holds them (the shown journal has "---" values set to
    // 0). The pad and well written back are the image's own (bytes 1020-1023: the numbers of a
    // generation 3 journal; in generation 4 part of the last short-event slot, which its event
    // overwrites), never those of the station now on the line: the journal may be another well's.
    const std::span<const std::uint8_t> image(*s.journalImage);
    const auto own = vorsan::decodeJournal(image, s.journalGeneration);
    const auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(image[at] | image[at + 1] << 8);
    };
    const std::uint16_t well = word(1020);
    const std::uint16_t pad = word(1022);
    auto after = vorsan::deleteJournalRecords(
        own.journal, s.journalGeneration, *s.journalImage,
        {static_cast<std::size_t>(first), static_cast<std::size_t>(last)}, well, pad);
    *s.journalImage = after.image;
    s.journal = std::move(after.decoded.journal);
    rebuildJournalRows(s);
    showJournal();
    grid_->clearSelection();
}
