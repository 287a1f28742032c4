#pragma once
// The open and save dialogs of the file commands, replaceable (the tests answer them themselves).
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

struct SaveRequest {
    QString title;
    QStringList filters; // "Файл журнала  *.VR4 (*.VR4)", ...
    int selectedFilter = 0;
    QString proposedName; // file name without directory and extension, may be empty
    QStringList suffixes; // default extension of each filter ("VR4", "pr")
};

struct FileDialogs {
    // The chosen file, "" when cancelled. Both start in the current directory.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)> open;
    // The chosen file with the chosen filter's extension added when none was typed; an existing
    // file is replaced only after the user agreed. "" when cancelled.
    std::function<QString(QWidget* parent, const SaveRequest& request)> save;
};

// The toolkit's dialogs.
FileDialogs systemFileDialogs();
