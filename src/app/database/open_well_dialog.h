#pragma once
// "Открыть базу данных по...": the wells of the database as fixed-column lines ("куст     7
// скважина  1234  М: Новое"), chosen from a drop-down list; choosing a line or pressing "Ок"
// opens that well. The dialog closes after a choice and when it loses the focus.
#include "wells/well_directory.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QPushButton;

class OpenWellDialog : public QDialog {
    Q_OBJECT
public:
    // `wells` in "KUST_SKV" order, not empty (an empty directory is answered with "Нет данных ").
    OpenWellDialog(const std::vector<vorsan::wells::WellId>& wells, QWidget* parent = nullptr);

    QComboBox* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }

    // Opens the selected line's well and closes the dialog.
    void chooseSelected();

    Q_SIGNAL void wellChosen(const vorsan::wells::WellId& well);

protected:
    void changeEvent(QEvent* event) override;

private:
    QComboBox* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool chosen_ = false;
};
