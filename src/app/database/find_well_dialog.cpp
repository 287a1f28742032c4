#include "database/find_well_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kResultRowHeight = 15;

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

FindWellDialog::FindWellDialog(std::function<std::vector<vorsan::wells::WellId>()> directory, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      directory_(std::move(directory)) {
    setObjectName(QStringLiteral("FindWellDialog"));
    setWindowTitle(QStringLiteral("Поиск скважины"));
    oilfield_ = new QLineEdit(this);
    pad_ = new QLineEdit(this);
    well_ = new QLineEdit(this);
    oilfield_->setObjectName(QStringLiteral("oilfieldEdit"));
    pad_->setObjectName(QStringLiteral("padEdit"));
    well_->setObjectName(QStringLiteral("wellEdit"));
    auto* edits = new QGridLayout;
    edits->addWidget(new QLabel(QStringLiteral("Месторождение :"), this), 0, 0);
    edits->addWidget(oilfield_, 0, 1);
    edits->addWidget(new QLabel(QStringLiteral("Куст :"), this), 1, 0);
    edits->addWidget(pad_, 1, 1);
    edits->addWidget(new QLabel(QStringLiteral("Скважина :"), this), 2, 0);
    edits->addWidget(well_, 2, 1);

    find_ = new QPushButton(QStringLiteral("Найти"), this);
    show_ = new QPushButton(QStringLiteral("Показать"), this);
    close_ = new QPushButton(QStringLiteral("Закрыть"), this);
    for (auto* b : {find_, show_, close_})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(find_);
    buttons->addWidget(show_);
    buttons->addWidget(close_);

    results_ = new QTableWidget(0, 3, this);
    results_->setObjectName(QStringLiteral("results"));
    results_->setHorizontalHeaderLabels(
        {QStringLiteral("Месторождение"), QStringLiteral("Куст"), QStringLiteral("Скважина")});
    results_->setColumnWidth(0, 270);
    results_->setColumnWidth(1, 80);
    results_->setColumnWidth(2, 80);
    results_->verticalHeader()->hide();
    results_->verticalHeader()->setMinimumSectionSize(1);
    results_->verticalHeader()->setDefaultSectionSize(kResultRowHeight);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setMinimumWidth(270 + 80 + 80 + 4 + results_->verticalScrollBar()->sizeHint().width());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(edits);
    layout->addLayout(buttons);
    layout->addWidget(results_);

    for (auto* e : {oilfield_, pad_, well_})
        connect(e, &QLineEdit::returnPressed, this, &FindWellDialog::find);
    connect(find_, &QPushButton::clicked, this, &FindWellDialog::find);
    connect(show_, &QPushButton::clicked, this, &FindWellDialog::showSelected);
    connect(close_, &QPushButton::clicked, this, &QDialog::hide);
    connect(results_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (!found_.empty()) showSelected();
    });
}

void FindWellDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    oilfield_->clear();
    pad_->clear();
    well_->clear();
    show_->setEnabled(false);
}

void FindWellDialog::find() {
    results_->setRowCount(0);
    found_ = vorsan::wells::findWells(directory_ ? directory_() : std::vector<vorsan::wells::WellId>{},
                                      {oilfield_->text().toStdString(), pad_->text().toStdString(),
                                       well_->text().toStdString()});
    results_->setRowCount(int(std::max<std::size_t>(found_.size(), 1)));
    if (found_.empty()) {
        results_->setItem(0, 0, cell(QString::fromUtf8(vorsan::wells::kNotFoundText)));
        results_->setItem(0, 1, cell({}));
        results_->setItem(0, 2, cell({}));
        show_->setEnabled(false);
        return;
    }
    for (int i = 0; i < int(found_.size()); ++i) {
        const auto& w = found_[std::size_t(i)];
        results_->setItem(i, 0, cell(QString::fromStdString(w.oilfield)));
        results_->setItem(i, 1, cell(QString::number(w.pad)));
        results_->setItem(i, 2, cell(QString::number(w.well)));
    }
    results_->selectRow(0);
    show_->setEnabled(true);
}

void FindWellDialog::showSelected() {
    const int row = results_->currentRow();
    if (row < 0 || row >= int(found_.size())) return;
    emit wellChosen(found_[std::size_t(row)]);
}
