#pragma once
// The insulation resistance of a journal over its whole range on page "Анализ": the measurements,
// the least-squares line of the last 30 days and the low-resistance protection's setpoint.
#include "report/well_report.h"

#include <QChartView>

class QChart;
class QLineSeries;

class InsulationChart : public QChartView {
    Q_OBJECT
public:
    explicit InsulationChart(QWidget* parent = nullptr);

    // Draws the figures of `report` (its thinned measurements, trend and setpoint).
    void show(const vorsan::WellReport& report);

    QChart* chart() const { return chart_; }
    QLineSeries* measurements() const { return points_; }
    QLineSeries* trendLine() const { return trend_; }
    QLineSeries* setpointLine() const { return setpoint_; }
    QLineSeries* forecastLine() const { return forecast_; }

private:
    QChart* chart_ = nullptr;
    QLineSeries* points_ = nullptr;
    QLineSeries* trend_ = nullptr;
    QLineSeries* setpoint_ = nullptr;
    QLineSeries* forecast_ = nullptr; // the trend from the last record on to the setpoint
};
