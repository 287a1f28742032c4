#pragma once
#include <QDialog>

// "О программе": the product name, its version and the equipment it serves.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};
