#include "settings/settings_model.h"

#include "settings/catalogue.h"
#include "settings/value_text.h"

#include <QColor>

void SettingsModel::prepare(const vorsan::SettingsCatalogue& catalogue) {
    beginResetModel();
    names_.clear();
    values_.clear();
    marked_.clear();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        names_ << QString::fromStdString(vorsan::settingRowName(catalogue, i));
        values_ << QString();
    }
    endResetModel();
}

void SettingsModel::showValues(const vorsan::SettingsCatalogue& catalogue, int first, int last,
                               char separator, const std::function<void()>& outOfList) {
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(values_.size()) - 1);
    for (int r = first; r <= last; ++r) {
        const auto* def = catalogue.at(static_cast<std::size_t>(r));
        if (!def) continue;
        if (const auto text = vorsan::valueText(*def, separator))
            values_[r] = QString::fromStdString(*text);
        else if (outOfList)
            outOfList();
    }
    if (first <= last) emit dataChanged(index(first, 1), index(last, 1));
}

void SettingsModel::setMarkedRows(const QList<int>& rows) {
    marked_ = rows;
    if (!names_.isEmpty()) emit dataChanged(index(0, 0), index(static_cast<int>(names_.size()) - 1, 1));
}

int SettingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

int SettingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant SettingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names_.size()) return {};
    if (role == Qt::DisplayRole) return index.column() == 0 ? names_[index.row()] : values_[index.row()];
    if (role == Qt::BackgroundRole && marked_.contains(index.row())) return QColor(255, 236, 150);
    return {};
}

QVariant SettingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? QStringLiteral("Наименование параметра") : QStringLiteral("Значение");
}
