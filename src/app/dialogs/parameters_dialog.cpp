#include "dialogs/parameters_dialog.h"

#include "dialogs/centred_window.h"

#include "shell/program_settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kDefaultItem = 3; // "19200"
constexpr int kRows = 3;        // two columns, filled column by column
} // namespace

ParametersDialog::ParametersDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ParametersDialog"));
    setWindowTitle(QStringLiteral("Параметры"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Скорость обмена с регистратором"), this);
    auto* grid = new QGridLayout(group);
    for (std::size_t i = 0; i < vorsan::kRecorderSpeeds.size(); ++i) {
        auto* b = new QRadioButton(QString::number(vorsan::kRecorderSpeeds[i]), group);
        const int n = static_cast<int>(i);
        grid->addWidget(b, n % kRows, n / kRows);
        items_.push_back(b);
    }
    items_[kDefaultItem]->setChecked(true);
    column->addWidget(group);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        const auto speed = selectedSpeed();
        accept();
        emit speedChosen(speed);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ParametersDialog::showFor(std::uint32_t speed) {
    const int i = vorsan::recorderSpeedIndex(speed);
    items_[static_cast<std::size_t>(i >= 0 ? i : kDefaultItem)]->setChecked(true);
    showCentredOnScreen(*this);
    activateWindow();
}

std::uint32_t ParametersDialog::selectedSpeed() const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->isChecked()) return vorsan::kRecorderSpeeds[i];
    return vorsan::kRecorderSpeeds[kDefaultItem];
}
