#pragma once
// The question after a journal was obtained: "Добавить журнал событий в базу данных?" with "Да"
// and "Нет", and under it (after the first "Да") the oilfield panel: "Выберите месторождение..."
// and an editable list of the database's oilfields. Also the oilfield panel alone, for the
// recorder's load of all marked chronologies.
#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vorsan::wells {
class WellDatabase;
}

class AddToDatabaseDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Question, OilfieldOnly };

    // `database` fills the oilfield list (in "Mest" order) and is not kept.
    AddToDatabaseDialog(Mode mode, vorsan::wells::WellDatabase& database, QWidget* parent = nullptr);

    // The oilfield panel alone, modal: the trimmed name the user chose or typed and confirmed with
    // Enter, or nullopt when the window was closed. A name the database cannot take (longer than
    // 30 characters, letters outside Windows-1251) is refused with a message and asked again.
    static std::optional<QString> askOilfield(QWidget* parent, vorsan::wells::WellDatabase& database);

    Mode mode() const { return mode_; }
    QComboBox* oilfieldList() const { return oilfields_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }
    QWidget* questionPanel() const { return questionPanel_; }
    QWidget* oilfieldPanel() const { return oilfieldPanel_; }

    // Question mode: "Да" with a name (the dialog has hidden itself) and "Нет" (it closes).
    Q_SIGNAL void oilfieldChosen(const QString& oilfield);
    Q_SIGNAL void declined();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pressYes();
    void pressEnter();
    // The trimmed name when the database can take it; otherwise says why (when `tell`) and nullopt.
    std::optional<QString> acceptableName(bool tell);

    Mode mode_;
    QWidget* questionPanel_ = nullptr;
    QWidget* oilfieldPanel_ = nullptr;
    QComboBox* oilfields_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
};
