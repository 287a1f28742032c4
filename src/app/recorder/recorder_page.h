#pragma once
#include "shared/page.h"

#include <QString>

#include <vector>

class QCheckBox;
class QPushButton;
class QScrollArea;
class QWidget;

// Page "Регистратор": the recorder's directory of chronologies. A bar of four buttons over a
// scrolling area with one entry button and one check box (its mark) per stored entry. The page
// only lays the entries out and reports clicks; RecorderCommands does the line and database work.
class RecorderPage : public Page {
    Q_OBJECT
public:
    explicit RecorderPage(WindowState& state, QWidget* parent = nullptr);

    // Destroys the entry buttons and check boxes and lays out `count` new ones (at most 63), each
    // captioned with its number and disabled until a directory fills it in.
    void layoutEntries(int count);
    int entryCount() const { return int(entries_.size()); }
    // Entry i (1-based).
    QPushButton* entryButton(int i) const { return entries_.at(std::size_t(i - 1)).button; }
    QCheckBox* entryMark(int i) const { return entries_.at(std::size_t(i - 1)).mark; }
    // The entry's caption and hint; a loadable entry gets both button and check box enabled.
    void showEntry(int i, const QString& caption, bool loadable);
    // The caption of a chronology that was downloaded into the window.
    void markDownloaded(int i);
    bool marked(int i) const;
    // "Выбрать все": every enabled check box is checked.
    void selectAll();

    QPushButton* refreshButton() const { return refresh_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* loadMarkedButton() const { return loadMarked_; }
    QPushButton* selectAllButton() const { return selectAll_; }

    Q_SIGNAL void entryClicked(int entry);

private:
    struct Entry {
        QPushButton* button = nullptr;
        QCheckBox* mark = nullptr;
    };
    QPushButton* refresh_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* loadMarked_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* area_ = nullptr;
    std::vector<Entry> entries_;
};
