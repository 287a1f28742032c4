#pragma once
// The settings grid's table: column 0 the number text and long name of every entry of the
// catalogue, column 1 the value text. Value texts are kept: a value that has no text (a choice
// beyond its list) leaves the text the cell had.
#include "settings/setting_def.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

class SettingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Model = QAbstractTableModel;
    explicit SettingsModel(QObject* parent = nullptr) : Model(parent) {}

    // Rows and names for a catalogue (values emptied).
    void prepare(const vorsan::SettingsCatalogue& catalogue);
    // Value texts of rows first..last (0-based, inclusive). `outOfList` is told of each value that
    // has no text.
    void showValues(const vorsan::SettingsCatalogue& catalogue, int first, int last, char separator,
                    const std::function<void()>& outOfList);

    // Rows (0-based) shown highlighted: the settings that differ from a compared set. prepare()
    // clears them.
    void setMarkedRows(const QList<int>& rows);
    const QList<int>& markedRows() const { return marked_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList names_;
    QStringList values_;
    QList<int> marked_;
};
