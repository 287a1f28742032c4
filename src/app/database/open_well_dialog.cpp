#include "database/open_well_dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

OpenWellDialog::OpenWellDialog(const std::vector<vorsan::wells::WellId>& wells, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("OpenWellDialog"));
    setWindowTitle(QStringLiteral("Открыть базу данных по..."));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* label = new QLabel(QStringLiteral("Куст, скважина:"), this);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    list_ = new QComboBox(this);
    list_->setObjectName(QStringLiteral("wellList"));
    list_->setEditable(false);
    // The lines are laid out in columns: a fixed-pitch font keeps them under each other.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    int widest = 0;
    const int zero = list_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (const auto& w : wells) {
        const QString line = QString::fromStdString(vorsan::wells::wellListLine(w));
        list_->addItem(line);
        widest = std::max(widest, zero * int(line.size()));
    }
    list_->setMinimumWidth(widest + 40);
    list_->setCurrentIndex(0);
    ok_ = new QPushButton(QStringLiteral("Ок"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    connect(ok_, &QPushButton::clicked, this, &OpenWellDialog::chooseSelected);
    connect(list_, &QComboBox::activated, this, [this] { chooseSelected(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok_);
    row->addStretch();
    layout->addLayout(row);
    setFixedSize(sizeHint());
}

void OpenWellDialog::chooseSelected() {
    if (chosen_) return;
    const auto well = vorsan::wells::parseWellListLine(list_->currentText().toStdString());
    if (!well) return;
    chosen_ = true;
    close();
    emit wellChosen(*well);
}

void OpenWellDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Losing the focus to another window closes the dialog (its own drop-down list does not count).
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() &&
        !list_->view()->isVisible() && QApplication::activeWindow() != nullptr)
        close();
}
