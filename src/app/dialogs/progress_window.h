#pragma once
// The progress window of long operations (controller and recorder transfers, database work).
// Each operation creates one, may change its caption, sets the range, steps it once per block or
// row, and destroys it when it ends, also on failure (hold it in a std::unique_ptr or on the
// stack). The "Отмена" button shows only where an operation can be cancelled; it is shown disabled
// where the operation is of a kind that can be, but this one cannot stop midway. Esc presses it.
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    // Emitted by the window (signal).
    Q_SIGNAL void cancelled();

    explicit ProgressWindow(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum); // the bar starts at the minimum
    void step();                             // one step forward, painted at once
    // Moves the bar; the event loop paints it (for operations that run off the window's thread).
    void setValue(int value);
    int value() const;
    void setText(const QString& text); // an optional line above the bar
    void setCancelVisible(bool visible);
    void setCancelEnabled(bool enabled);
    // The line under the bar: "Осталось: M:SS" for `seconds` > 0, nothing otherwise.
    void setRemaining(int seconds);
    QString remainingText() const;
    bool cancelRequested() const { return cancelRequested_; }

    // Shows the window centred on the screen and paints it.
    void showCentred();
    // Shows the window centred on the screen; the event loop paints it.
    void showCentredLater();

    // Lets pending window events run, user input included, so that "Отмена" can be pressed
    // during an operation that allows it.
    void processEvents();

    QPushButton* cancelButton() const { return cancel_; }

protected:
    // The window has no close button; closing it from the desktop counts as "Отмена" where the
    // operation can be cancelled and is refused otherwise (the operation owns the window).
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void requestCancel();
    bool cancelAvailable() const;
    void paintNow();

    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* remaining_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelRequested_ = false;
};
