#pragma once
#include <QMainWindow>

// The main window: owns the long-lived state and wires the pages and commands together.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
};
