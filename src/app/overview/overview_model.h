#pragma once
// The table of the page "Обзор линии": one row per station found on the line, with what it
// answered last. A station that stopped is red; one that stopped answering is grey, with the age
// of its last answer, and keeps the values it answered last.
#include "link/line_scan.h"
#include "link/station_watch.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

class OverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kAddress,
        kPad,
        kWell,
        kState,
        kCause,
        kLastAnswer,
        kUab,
        kUbc,
        kUca,
        kIa,
        kIb,
        kIc,
        kLoad,
        kInsulation,
        kPowerFactor,
        kPressure,
        kTemperature,
        kClock,
        kColumnCount
    };
    // How a row looks.
    enum class Look { Waiting, Running, Stopped, Silent };

    explicit OverviewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A station found by a scan joins the table (in address order), with the pad and well the
    // scan read; one already there keeps its row.
    void addStation(const vorsan::ScannedStation& station);
    // The stations of a completed scan: rows of stations no longer found go.
    void keepOnly(const std::vector<vorsan::ScannedStation>& stations);

    const std::vector<vorsan::StationRow>& rows() const { return rows_; }
    const vorsan::StationRow* rowOf(std::uint8_t address) const;
    // Replaces the row of the same address (a poll's result); false when it is no longer listed.
    bool update(const vorsan::StationRow& row);
    // The ages are counted to this moment (the page moves it every second).
    void setNow(vorsan::WallTime now);

    static Look lookOf(const vorsan::StationRow& row);
    QString text(const vorsan::StationRow& row, int column) const;

private:
    int indexOf(std::uint8_t address) const;

    std::vector<vorsan::StationRow> rows_; // in address order
    vorsan::WallTime now_{};
};

// "куст 12, скважина 3, адрес 5" (pad and well left out while unknown).
QString stationName(const vorsan::StationRow& row);
// "18:40:01" of a wall time, local.
QString clockText(vorsan::WallTime time);
