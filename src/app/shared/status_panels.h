#pragma once
// The two panels of the status bar: panel 0 (centred, 35 widths of "d") for the activity and
// errors, panel 1 (40 widths of "d") for the pad and well of the station or journal.
#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;

class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QStatusBar* bar);

    void setActivity(const QString& text); // panel 0
    void setWell(const QString& text);     // panel 1
    void clear();
    QString activity() const;
    QString well() const;

    QLabel* panel(int i) const { return i == 0 ? activity_ : well_; }

    static int panelWidth(int index, int widthOfD) { return (index == 0 ? 35 : 40) * widthOfD; }

private:
    QLabel* activity_ = nullptr;
    QLabel* well_ = nullptr;
};
