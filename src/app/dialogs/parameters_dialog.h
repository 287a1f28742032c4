#pragma once
// "Параметры": the speed of bulk transfers from the recorder. Shown without blocking the main
// window; "OK" reports the chosen speed, "Cancel" closes and changes nothing.
#include <QDialog>

#include <cstdint>
#include <vector>

class QRadioButton;

class ParametersDialog : public QDialog {
    Q_OBJECT
public:
    // Emitted by the window (signal).
    Q_SIGNAL void speedChosen(std::uint32_t speed);

    explicit ParametersDialog(QWidget* parent = nullptr);

    // Selects the item equal to `speed` (the fourth item, 19200, when it is none of them), then
    // shows the dialog centred on the screen.
    void showFor(std::uint32_t speed);

    std::uint32_t selectedSpeed() const;
    QRadioButton* item(int i) const { return items_.at(static_cast<std::size_t>(i)); }

private:
    std::vector<QRadioButton*> items_;
};
