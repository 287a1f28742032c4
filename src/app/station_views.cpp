#include "station_views.h"

#include "main_window.h"
#include "page_control.h"

#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "settings/value_text.h"
#include "text/number_format.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

// Plain grids on the pages until the pages draw their own views: the journal rows, the settings
// with their values and the current state, so that what a transfer brought can be seen.
namespace {

QTableWidget* gridOn(QWidget* page, const QString& name) {
    if (auto* grid = page->findChild<QTableWidget*>(name)) return grid;
    auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
    if (!layout) layout = new QVBoxLayout(page);
    auto* grid = new QTableWidget(page);
    grid->setObjectName(name);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    layout->addWidget(grid);
    return grid;
}

void setCell(QTableWidget* grid, int row, int column, const std::string& text) {
    grid->setItem(row, column, new QTableWidgetItem(QString::fromStdString(text)));
}

} // namespace

void StationViews::showJournal() {
    WindowState& state = window_.state();
    const auto generation = state.loadedGeneration;
    const auto gen4 = state.catalogue.generation == vorsan::ControllerGeneration::Gen4
                          ? state.catalogue
                          : vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen4);
    const auto rows =
        vorsan::buildJournalRows(state.journal, generation, gen4, vorsan::localeDecimalSeparator());
    QTableWidget* grid = gridOn(window_.pages()->widget(kJournalPage), QStringLiteral("journalGrid"));
    const int columns = vorsan::journalColumnCount(generation);
    grid->clear();
    grid->setColumnCount(columns);
    grid->setRowCount(static_cast<int>(rows.size()));
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << QString::fromUtf8(vorsan::kJournalColumnHeaders[c]);
    grid->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        setCell(grid, r, 0, std::to_string(r + 1));
        setCell(grid, r, 1, row.dateText);
        setCell(grid, r, 2, row.timeText);
        if (row.isEventRow()) {
            setCell(grid, r, vorsan::kFirstSpanColumn, row.eventText);
            grid->setSpan(r, vorsan::kFirstSpanColumn, 1, columns - vorsan::kFirstSpanColumn);
        } else {
            for (int c = vorsan::kFirstSpanColumn; c < columns; ++c)
                setCell(grid, r, c, vorsan::measurementCellText(row, c));
        }
    }
    for (int c = 0; c < columns; ++c)
        grid->setColumnWidth(c, vorsan::kJournalColumnWidths[c]);
}

void StationViews::showSettings(std::size_t count) {
    WindowState& state = window_.state();
    QTableWidget* grid = gridOn(window_.pages()->widget(kSettingsPage), QStringLiteral("settingsGrid"));
    const int rows = static_cast<int>(std::min(count, state.catalogue.size()));
    grid->clear();
    grid->setColumnCount(3);
    grid->setRowCount(rows);
    grid->setHorizontalHeaderLabels({QStringLiteral("№"), state.settingsTitle, QString()});
    for (int r = 0; r < rows; ++r) {
        const auto index = static_cast<std::size_t>(r);
        setCell(grid, r, 0, vorsan::settingNumberText(index));
        setCell(grid, r, 1, vorsan::settingRowName(state.catalogue, index));
        setCell(grid, r, 2,
                vorsan::valueText(*state.catalogue.at(index), vorsan::localeDecimalSeparator()).value_or(""));
    }
    grid->resizeColumnsToContents();
}

void StationViews::setSettingsTitle(const QString& title) {
    window_.state().settingsTitle = title;
    if (auto* grid =
            window_.pages()->widget(kSettingsPage)->findChild<QTableWidget*>(QStringLiteral("settingsGrid")))
        grid->setHorizontalHeaderItem(1, new QTableWidgetItem(title));
}

void StationViews::showCurrentState() {
    const WindowState& state = window_.state();
    QTableWidget* grid =
        gridOn(window_.pages()->widget(kCurrentStatePage), QStringLiteral("currentStateGrid"));
    const auto values = vorsan::currentStateColumn(state.currentState, vorsan::localeDecimalSeparator());
    const int rows = static_cast<int>(vorsan::kCurrentStateRows);
    if (grid->rowCount() != rows) {
        grid->setColumnCount(3);
        grid->setRowCount(rows);
        grid->horizontalHeader()->hide();
        for (int r = 1; r < rows; ++r) {
            setCell(grid, r, 0, vorsan::currentStateRowNumber(static_cast<std::size_t>(r)));
            setCell(grid, r, 1, vorsan::currentStateLabel(static_cast<std::size_t>(r)));
        }
        grid->setColumnWidth(0, 35);
        grid->setColumnWidth(1, 260);
        grid->setColumnWidth(2, 220);
    }
    for (int r = 1; r < rows; ++r)
        setCell(grid, r, 2, values[static_cast<std::size_t>(r)]);
}
