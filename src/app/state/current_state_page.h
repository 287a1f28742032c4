#pragma once
#include "shared/page.h"

#include "journal/current_state.h"

#include <array>

class QPushButton;
class QTableView;
class CurrentStateModel;

// Page "Текущее состояние": the 26-row grid of labels and values of the window's CurrentState,
// with the remote start/stop button in the top row of the value column.
class CurrentStatePage : public Page {
    Q_OBJECT
public:
    explicit CurrentStatePage(WindowState& state, QWidget* parent = nullptr);

    void pageShown() override;
    void pageHidden() override;

    // Shows state().currentState in column 2 and captions the start/stop button by its status.
    void showCurrentState();
    // Empties column 2 of rows 1-25 (a file that holds no state).
    void clearValues();

    QString cellText(int row, int column) const;
    QTableView* grid() const { return grid_; }
    QPushButton* startStopButton() const { return startStop_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTableView* grid_ = nullptr;
    CurrentStateModel* model_ = nullptr;
    QPushButton* startStop_ = nullptr;
};
