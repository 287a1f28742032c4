#pragma once
// A line edit that holds an edit mask of the settings ("99\ч99\мин", "999,9", ...): typed
// characters fill the mask's free positions from the first on, literals stay in place, unfilled
// positions read back as blanks; Backspace takes back the last typed character.
#include <QLineEdit>

#include <string>

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(std::string mask, QWidget* parent = nullptr);

    const std::string& mask() const { return mask_; }
    // What the user typed so far (only characters the mask took).
    const std::string& typed() const { return typed_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showTyped();

    std::string mask_;
    std::string typed_;
};
