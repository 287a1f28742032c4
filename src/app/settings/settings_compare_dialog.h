#pragma once
// "Сравнить уставки…": the settings shown against a settings file (.us4/.ust) or, given its
// generation and values, any other set (a well's snapshot in the database). The differing settings
// are listed in a window (number, name, value here, value there, as the settings page writes them)
// and their rows highlighted on the settings page until it shows other settings.
#include "settings/settings_compare.h"

#include <QDialog>
#include <QString>

#include <functional>

class QMenu;
class QTableWidget;
class SettingsPage;
struct WindowState;

class SettingsCompareDialog : public QDialog {
    Q_OBJECT
public:
    // `there` names the other set in the column header and the caption ("в файле Куст12_Ск345.us4").
    SettingsCompareDialog(const vorsan::SettingsComparison& comparison, const QString& there, QWidget* parent);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

// Compares the page's settings with another set and shows the outcome: a refusal (another
// generation) in a box "Внимание", else the dialog, with the differing rows marked on the page.
// The dialog is shown without blocking; returned for tests (nullptr after a refusal).
SettingsCompareDialog* showSettingsComparison(const vorsan::SettingsComparison& comparison, const QString& there,
                                              SettingsPage* page, QWidget* parent);

// Compares with the settings file at `path`. False when the file could not be taken.
bool compareWithSettingsFile(const QString& path, WindowState& state, SettingsPage* page, QWidget* parent);

// The command "Сравнить уставки…" in `menu` and in the settings grid's context menu; it asks for a
// settings file.
QAction* attachSettingsComparison(QMenu* menu, SettingsPage* page, WindowState& state, QWidget* parent);
