#pragma once
// Two pictures at the same place at the right of the tool bar: the connected picture, and the
// no-connection picture over it. The line probe shows or hides the latter and sets the hints.
#include <QWidget>

class QLabel;

class ConnectionIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ConnectionIndicator(QWidget* parent = nullptr);

    // Shows or hides the no-connection picture ("Нет соединения со станцией" when shown).
    void setNoConnectionShown(bool shown);
    bool noConnectionShown() const;
    // The hint of the connected picture ("Есть соединение со станцией", "... с регистратором").
    void setConnectedHint(const QString& hint);
    void setNoConnectionHint(const QString& hint);

private:
    QLabel* connected_ = nullptr;
    QLabel* noConnection_ = nullptr;
};
