#include "dialogs/centred_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget& window) {
    window.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window.move(area.x() + (area.width() - window.width()) / 2,
                    area.y() + (area.height() - window.height()) / 2);
    }
}

void centreOver(QWidget& window, const QWidget& over) {
    window.adjustSize();
    const QRect area = over.frameGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

void showCentredOnScreen(QWidget& window) {
    centreOnScreen(window);
    window.show();
    window.raise();
}
