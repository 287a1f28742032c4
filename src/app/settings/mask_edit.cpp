#include "settings/mask_edit.h"

#include "settings/edit_mask.h"

QString qtInputMask(const std::string& mask) {
    QString out;
    for (const vorsan::MaskSlot& slot : vorsan::parseEditMask(mask)) {
        switch (slot.kind) {
        case vorsan::MaskSlot::Kind::digit:
            out += QLatin1Char('0');
            break;
        case vorsan::MaskSlot::Kind::anyChar:
            out += QLatin1Char('x');
            break;
        case vorsan::MaskSlot::Kind::literal:
            out += QLatin1Char('\\');
            out += QString::fromUcs4(&slot.literal, 1);
            break;
        }
    }
    return out + QStringLiteral("; ");
}

MaskEdit::MaskEdit(std::string mask, QWidget* parent) : QLineEdit(parent), mask_(std::move(mask)) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setInputMask(qtInputMask(mask_));
    setCursorPosition(0);
}
