#pragma once
// The journal grid's table: one row per record of the window's journal, 15 columns for a
// generation 4 journal and 11 for generation 3. Texts come from the JournalRows; the colours, the
// span of event texts and their alignment are data roles that JournalDelegate draws.
#include "common/types.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <vector>

struct WindowState;

class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        ColourRole = Qt::UserRole + 1, // 24-bit BGR colour of the text (uint)
        SpanRole,                      // bool: an event text drawn across columns 3 to the last
        LeftAlignedRole,               // bool: a setting-change text, starting at the cell's left edge
    };

    // What the grid shows: records with their rows of texts and generation, and optionally one
    // added flag per record (the database tab: the date, time and values of an added row are blue).
    struct Source {
        const vorsan::Journal* journal = nullptr;
        const std::vector<vorsan::JournalRow>* rows = nullptr;
        vorsan::ControllerGeneration generation = vorsan::ControllerGeneration::Gen4;
        const std::vector<bool>* added = nullptr;
    };

    // The window's journal.
    explicit JournalModel(const WindowState& state, QObject* parent = nullptr);
    // Whatever `source` returns at each reload (it must stay valid until the next reload).
    explicit JournalModel(std::function<Source()> source, QObject* parent = nullptr);

    // The journal changed (loaded, rows deleted): take its rows and generation anew.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString text(int row, int column) const;
    std::uint32_t colour(int row, int column) const;
    bool spans(int row, int column) const;

private:
    std::function<Source()> source_;
    Source shown_;
    vorsan::ControllerGeneration generation_ = vorsan::ControllerGeneration::Gen4;
    int rows_ = 0;
};
