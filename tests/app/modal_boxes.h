#pragma once
// Answers the message boxes a command opens (they are modal): every box that comes up is noted
// with its caption and text and answered with the given button.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

class ModalBoxes : public QObject {
public:
    explicit ModalBoxes(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer) {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            captions << box->windowTitle();
            texts << box->text();
            QAbstractButton* button = box->button(answer_);
            if (!button) button = box->buttons().value(0);
            button->click();
        });
        timer_.start();
    }
    void setAnswer(QMessageBox::StandardButton answer) { answer_ = answer; }

    QStringList captions;
    QStringList texts;

private:
    QTimer timer_;
    QMessageBox::StandardButton answer_;
};
