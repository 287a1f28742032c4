#include "settings/mask_edit.h"

#include "settings/edit_mask.h"

#include <QKeyEvent>

MaskEdit::MaskEdit(std::string mask, QWidget* parent) : QLineEdit(parent), mask_(std::move(mask)) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    showTyped();
}

void MaskEdit::showTyped() {
    const QString f = QString::fromStdString(vorsan::fillEditMask(mask_, typed_));
    setText(f);
    // The cursor stands behind the last filled position.
    const QString e = QString::fromStdString(vorsan::emptyMaskText(mask_));
    int pos = 0;
    for (int i = 0; i < f.size() && i < e.size(); ++i)
        if (f[i] != e[i]) pos = i + 1;
    setCursorPosition(pos);
}

void MaskEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        if (!typed_.empty()) {
            // Drop the last UTF-8 code point.
            std::size_t n = typed_.size() - 1;
            while (n > 0 && (static_cast<unsigned char>(typed_[n]) & 0xC0) == 0x80)
                --n;
            typed_.resize(n);
            showTyped();
        }
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text[0].isPrint()) {
        const auto before = vorsan::fillEditMask(mask_, typed_);
        const auto candidate = typed_ + text.toStdString();
        if (vorsan::fillEditMask(mask_, candidate) != before) {
            typed_ = candidate;
            showTyped();
        }
        return;
    }
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return; // positions are filled in order
    default:
        QLineEdit::keyPressEvent(event);
    }
}
