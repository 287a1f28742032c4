#include "dialogs/centred_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void showCentredOnScreen(QWidget& window) {
    window.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window.move(area.x() + (area.width() - window.width()) / 2,
                    area.y() + (area.height() - window.height()) / 2);
    }
    window.show();
    window.raise();
}
