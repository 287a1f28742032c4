#include "dialogs/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("О программе"));
    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);

    auto* name = new QLabel(QStringLiteral("ВОРСАН 4.074 "), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    column->addWidget(name);

    auto* version = new QLabel(QStringLiteral("Версия 4.074"), this);
    version->setAlignment(Qt::AlignCenter);
    column->addWidget(version);

    auto* serves = new QLabel(QStringLiteral("Обслуживание станций управления погружными электронасосами:\n"
                                             "контроллеры поколений 3 и 4, портативный регистратор."),
                              this);
    serves->setAlignment(Qt::AlignCenter);
    column->addWidget(serves);

    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(close, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}
