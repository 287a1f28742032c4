#include "shared/data_source.h"

DataSource::DataSource(QObject* parent) : QObject(parent), well_(std::make_shared<DatabaseWellData>()) {}

void DataSource::setKind(DataKind kind) {
    if (kind_ == kind) return;
    kind_ = kind;
    emit kindChanged(kind);
}

void DataSource::setDatabaseWell(std::shared_ptr<const DatabaseWellData> well) {
    well_ = well ? std::move(well) : std::make_shared<DatabaseWellData>();
    emit databaseWellChanged();
}
