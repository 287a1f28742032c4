#pragma once
#include <QDialog>

// "О программе": the product name, its version and the equipment it serves.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
