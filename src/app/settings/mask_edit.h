#pragma once
// The editor of a setting with an edit mask ("99\ч99\мин", "999", "cccc"): a line edit on Qt's
// input mask, so it behaves as a masked edit does. The cursor moves with the arrows, Home, End and
// the mouse; a typed character replaces the position under the cursor and skips the literals; the
// positions of the mask are optional and may stay blank.
//
// The settings' mask letters differ from Qt's: "9" is an optional digit there (Qt's "0"; Qt's
// "9" is a required one), "c" an optional character of any kind (Qt's "x"); every other character
// is a literal and is escaped for Qt.
#include <QLineEdit>

#include <string>

// The Qt input mask of a settings edit mask, with a blank as the blank character.
QString qtInputMask(const std::string& mask);

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(std::string mask, QWidget* parent = nullptr);

    const std::string& mask() const { return mask_; }

private:
    std::string mask_;
};
