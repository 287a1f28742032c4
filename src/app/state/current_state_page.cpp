#include "state/current_state_page.h"

#include "shared/loaded_data.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

namespace {
constexpr int kColumnWidths[3] = {25, 250, 350};
constexpr int kRowHeight = 18;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 16;
} // namespace

// Column 0 row numbers, column 1 labels, column 2 values; row 0 is the grid's top row.
class CurrentStateModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setValues(const std::array<std::string, vorsan::kCurrentStateRows>& values) {
        for (std::size_t r = 0; r < values.size(); ++r)
            values_[r] = QString::fromStdString(values[r]);
        emit dataChanged(index(0, 2), index(rowCount() - 1, 2));
    }
    void clearValues() {
        for (auto& v : values_)
            v.clear();
        emit dataChanged(index(0, 2), index(rowCount() - 1, 2));
    }
    QString text(int row, int column) const {
        const auto r = static_cast<std::size_t>(row);
        switch (column) {
        case 0:
            return QString::fromStdString(vorsan::currentStateRowNumber(r));
        case 1:
            return QString::fromStdString(vorsan::currentStateLabel(r));
        default:
            return values_[r];
        }
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(vorsan::kCurrentStateRows);
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole) return {};
        return text(index.row(), index.column());
    }

private:
    std::array<QString, vorsan::kCurrentStateRows> values_{};
};

CurrentStatePage::CurrentStatePage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("CurrentStatePage"));
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("currentStateGrid"));
    model_ = new CurrentStateModel(this);
    grid_->setModel(model_);
    grid_->horizontalHeader()->hide();
    grid_->horizontalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setWordWrap(false);
    int width = 2 * grid_->frameWidth();
    for (int c = 0; c < 3; ++c) {
        grid_->setColumnWidth(c, kColumnWidths[c]);
        width += kColumnWidths[c] + 1;
    }
    grid_->setFixedWidth(width);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->move(0, 0);
    // Row 0 carries the remote start/stop button in its value cell. The button lives in the cell
    // (the grid keeps it there when it scrolls), 3 pixels right of the grid's left edge plus
    // columns 0 and 1 (the cell starts after the grid's frame), centred in the row's height, so
    // neither the frame nor the rules run over it.
    auto* cell = new QWidget;
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(std::max(0, 3 - grid_->frameWidth()), 0, 0, 0);
    startStop_ = new QPushButton(QStringLiteral("Стоп"), cell);
    startStop_->setObjectName(QStringLiteral("startStopButton"));
    startStop_->setToolTip(QStringLiteral("Дистанционный запуск (останов)"));
    startStop_->setEnabled(false);
    startStop_->setFixedSize(kButtonWidth, std::min(kButtonHeight, kRowHeight - 1));
    row->addWidget(startStop_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    grid_->setIndexWidget(model_->index(0, 2), cell);
}

void CurrentStatePage::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    grid_->setFixedHeight(height());
}

void CurrentStatePage::showCurrentState() {
    const auto& s = state().currentState;
    model_->setValues(vorsan::currentStateColumn(s, decimalSeparator()));
    startStop_->setText(QString::fromStdString(vorsan::startStopCaption(s.status)));
}

void CurrentStatePage::clearValues() {
    model_->clearValues();
}

QString CurrentStatePage::cellText(int row, int column) const {
    return model_->text(row, column);
}

void CurrentStatePage::pageShown() {
    if (context().status) context().status->clear();
}

void CurrentStatePage::pageHidden() {
    if (context().status) context().status->setActivity({});
}
