#pragma once
// A sheet of parameter graphs: the chart area on the left and a control panel on the right with
// the zoom buttons and the button that switches to the other sheet. The minus and plus keys press
// the zoom buttons of the sheet in use (see MainWindow::handleGraphKey).
#include "window/page.h"

class QPushButton;
class QVBoxLayout;

class GraphSheet : public Page {
    Q_OBJECT
public:
    GraphSheet(WindowState& state, const QString& switchCaption, QWidget* parent = nullptr);

    QPushButton* zoomInButton() const { return zoomIn_; }
    QPushButton* zoomOutButton() const { return zoomOut_; }
    QPushButton* switchButton() const { return switch_; }

    // Presses the zoom button if it is enabled; returns whether it was pressed.
    bool pressZoomIn();
    bool pressZoomOut();

protected:
    QWidget* chartArea() const { return chartArea_; }    // where the charts go
    QVBoxLayout* controlPanel() const { return panel_; } // further controls go below the zoom buttons

private:
    QWidget* chartArea_ = nullptr;
    QVBoxLayout* panel_ = nullptr;
    QPushButton* zoomIn_ = nullptr;
    QPushButton* zoomOut_ = nullptr;
    QPushButton* switch_ = nullptr;
};
