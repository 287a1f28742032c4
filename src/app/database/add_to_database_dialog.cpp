#include "database/add_to_database_dialog.h"

#include "dialogs/centred_window.h"
#include "wells/well_database_state.h"
#include "wells/well_directory.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kQuestionHeight = 80;
constexpr int kOilfieldHeight = 88;
constexpr int kBothHeight = 195;
constexpr int kListWidth = 361;
} // namespace

AddToDatabaseDialog::AddToDatabaseDialog(Mode mode, vorsan::wells::WellDatabase& database, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), mode_(mode) {
    setObjectName(QStringLiteral("AddToDatabaseDialog"));
    setWindowTitle(QString());
    setAttribute(Qt::WA_DeleteOnClose, mode == Mode::Question);

    questionPanel_ = new QWidget(this);
    questionPanel_->setObjectName(QStringLiteral("questionPanel"));
    questionPanel_->setFixedHeight(kQuestionHeight);
    auto* question = new QLabel(QStringLiteral("Добавить журнал событий в базу данных?"), questionPanel_);
    question->setAlignment(Qt::AlignCenter);
    yes_ = new QPushButton(QStringLiteral("Да"), questionPanel_);
    no_ = new QPushButton(QStringLiteral("Нет"), questionPanel_);
    yes_->setAutoDefault(false);
    no_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes_);
    buttons->addSpacing(24);
    buttons->addWidget(no_);
    buttons->addStretch();
    auto* q = new QVBoxLayout(questionPanel_);
    q->addWidget(question);
    q->addLayout(buttons);

    oilfieldPanel_ = new QWidget(this);
    oilfieldPanel_->setObjectName(QStringLiteral("oilfieldPanel"));
    oilfieldPanel_->setFixedHeight(kOilfieldHeight);
    auto* choose = new QLabel(QStringLiteral("Выберите месторождение..."), oilfieldPanel_);
    QFont bold = choose->font();
    bold.setBold(true);
    choose->setFont(bold);
    oilfields_ = new QComboBox(oilfieldPanel_);
    oilfields_->setObjectName(QStringLiteral("oilfieldList"));
    oilfields_->setEditable(true);
    oilfields_->setInsertPolicy(QComboBox::NoInsert);
    oilfields_->setFixedWidth(kListWidth);
    oilfields_->lineEdit()->setMaxLength(int(vorsan::wells::kMaxOilfieldCharacters));
    // The names in "Mest" order; a name that repeats (one per well) is offered once.
    QString previous;
    for (const auto& name : database.oilfieldNames()) {
        const QString n = QString::fromStdString(name).trimmed();
        if (n.isEmpty() || n == previous) continue;
        oilfields_->addItem(n);
        previous = n;
    }
    oilfields_->setCurrentIndex(-1);
    oilfields_->setEditText(QString());
    oilfields_->installEventFilter(this);
    oilfields_->lineEdit()->installEventFilter(this);
    auto* o = new QVBoxLayout(oilfieldPanel_);
    o->addWidget(choose);
    o->addWidget(oilfields_, 0, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(questionPanel_);
    layout->addWidget(oilfieldPanel_);
    setMinimumWidth(kListWidth + 40);

    if (mode == Mode::Question) {
        oilfieldPanel_->hide();
        connect(yes_, &QPushButton::clicked, this, &AddToDatabaseDialog::pressYes);
        connect(no_, &QPushButton::clicked, this, [this] {
            emit declined();
            close();
        });
        setFixedHeight(kQuestionHeight);
    } else {
        questionPanel_->hide();
        setFixedHeight(kOilfieldHeight);
        oilfields_->setFocus();
    }
}

std::optional<QString> AddToDatabaseDialog::acceptableName(bool tell) {
    const QString typed = oilfields_->currentText().trimmed();
    if (typed.isEmpty()) return std::nullopt;
    const auto checked = vorsan::wells::checkOilfieldName(typed.toStdString());
    if (!checked.ok) {
        if (tell)
            QMessageBox::warning(this, QStringLiteral("Внимание"), QString::fromStdString(checked.message));
        return std::nullopt;
    }
    return QString::fromStdString(checked.name);
}

void AddToDatabaseDialog::pressYes() {
    if (!oilfieldPanel_->isVisible()) {
        // The dialog no longer sizes itself to the question alone: the oilfield panel comes under it.
        oilfieldPanel_->show();
        setFixedHeight(kBothHeight);
    }
    if (oilfields_->currentText().trimmed().isEmpty()) {
        oilfields_->setFocus();
        return;
    }
    const auto name = acceptableName(true);
    if (!name) return;
    hide();
    emit oilfieldChosen(*name);
    if (testAttribute(Qt::WA_DeleteOnClose)) deleteLater();
}

void AddToDatabaseDialog::pressEnter() {
    if (oilfields_->currentText().trimmed().isEmpty()) return;
    if (mode_ == Mode::Question) {
        if (questionPanel_->isVisible()) pressYes();
        return;
    }
    if (acceptableName(true)) accept();
}

bool AddToDatabaseDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            pressEnter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<QString> AddToDatabaseDialog::askOilfield(QWidget* parent, vorsan::wells::WellDatabase& database) {
    AddToDatabaseDialog dialog(Mode::OilfieldOnly, database, parent);
    centreOnScreen(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.acceptableName(false);
}
