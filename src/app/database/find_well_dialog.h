#pragma once
// "Поиск скважины": three prefixes (oilfield, pad, well), "Найти" lists the wells that match all
// three in "KUST_SKV" order ("Не найдено" when none), "Показать" or a double click opens the
// selected one. Stays on top; "Закрыть" only hides it.
#include "wells/well_directory.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

class FindWellDialog : public QDialog {
    Q_OBJECT
public:
    // `directory` gives the wells of the database at the moment "Найти" is pressed.
    FindWellDialog(std::function<std::vector<vorsan::wells::WellId>()> directory, QWidget* parent = nullptr);

    QLineEdit* oilfieldEdit() const { return oilfield_; }
    QLineEdit* padEdit() const { return pad_; }
    QLineEdit* wellEdit() const { return well_; }
    QPushButton* findButton() const { return find_; }
    QPushButton* showButton() const { return show_; }
    QPushButton* closeButton() const { return close_; }
    QTableWidget* results() const { return results_; }

    void find();
    void showSelected();

    Q_SIGNAL void wellChosen(const vorsan::wells::WellId& well);

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<std::vector<vorsan::wells::WellId>()> directory_;
    std::vector<vorsan::wells::WellId> found_;
    QLineEdit* oilfield_ = nullptr;
    QLineEdit* pad_ = nullptr;
    QLineEdit* well_ = nullptr;
    QPushButton* find_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* close_ = nullptr;
    QTableWidget* results_ = nullptr;
};
