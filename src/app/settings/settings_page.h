#pragma once
#include "shared/page.h"

class QComboBox;
class QLabel;
class QScrollBar;
class QTableView;
class MaskEdit;
class SettingsModel;

// Page "Уставки": a title panel, the settings grid (names and value texts of the window's
// catalogue) with a scroll bar of its own beside it, and the in-place editors of the value column:
// a masked edit box for mask entries, a drop-down list for choice entries.
class SettingsPage : public Page {
    Q_OBJECT
public:
    explicit SettingsPage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;

    // Prepares the grid for the window's catalogue (state().catalogue) and shows every value.
    void showSettings();
    // Shows the value texts of rows first..last (1-based, as the grid numbers them under its header).
    void showValues(int first, int last);
    void setTitle(const QString& text);
    QString title() const;

    // Opens the editor of the grid's current row (double-click, Enter).
    void openEditor();
    // The open editor, if any, and the row (1-based) it edits.
    QWidget* editor() const;
    int editorRow() const { return editorRow_; }

    QTableView* grid() const { return grid_; }
    SettingsModel* model() const { return model_; }
    QScrollBar* scrollBar() const { return scroll_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitEditor();
    void discardEditor();
    void onCurrentRowChanged();
    void onScrollBarMoved(int position);
    int visibleRows() const;
    int topRow() const; // 1-based

    QLabel* title_ = nullptr;
    QTableView* grid_ = nullptr;
    SettingsModel* model_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    MaskEdit* maskEditor_ = nullptr;
    QComboBox* choiceEditor_ = nullptr;
    int editorRow_ = 0;
    bool closing_ = false;
};
