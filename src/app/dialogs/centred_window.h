#pragma once
// The small windows that come up over the main one (transfer progress, recorder speed) stand in
// the middle of the screen.
class QWidget;

// Fits `window` to its contents, moves it to the middle of the primary screen, shows it and brings
// it to the front.
void showCentredOnScreen(QWidget& window);
// The same without showing it (a dialog that exec() will show).
void centreOnScreen(QWidget& window);
// Fits `window` to its contents and puts it in the middle of `over` (the main window).
void centreOver(QWidget& window, const QWidget& over);
