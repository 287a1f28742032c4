#pragma once
// The journal grid's table: one row per record of the window's journal, 15 columns for a
// generation 4 journal and 11 for generation 3. Texts come from the JournalRows; the colours, the
// span of event texts and their alignment are data roles that JournalDelegate draws.
#include "common/types.h"

#include <QAbstractTableModel>

#include <cstdint>

struct WindowState;

class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        ColourRole = Qt::UserRole + 1, // 24-bit BGR colour of the text (uint)
        SpanRole,                      // bool: an event text drawn across columns 3 to the last
        LeftAlignedRole,               // bool: a setting-change text, starting at the cell's left edge
    };

    explicit JournalModel(const WindowState& state, QObject* parent = nullptr);

    // The journal of the window changed (loaded, rows deleted): take its rows and generation anew.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString text(int row, int column) const;
    std::uint32_t colour(int row, int column) const;
    bool spans(int row, int column) const;

private:
    const WindowState& state_;
    vorsan::ControllerGeneration generation_ = vorsan::ControllerGeneration::Gen4;
    int rows_ = 0;
};
