#pragma once
// One parameter chart: up to three curves of journal points over a date-time axis, drawn with
// their idle stretches in red. The chart owns its time window (day counts, see
// charts/journal_series.h) and value range; the pages decide what is drawn and keep several
// charts in step through the signals.
//
// Mouse: dragging to the right with the left button zooms into the dragged time span, dragging to
// the left undoes every zoom (the whole data range again), dragging with the right button scrolls
// the time axis; a click near a point shows the box with its date, time and event text.
#include "charts/graph_rules.h"
#include "charts/journal_series.h"

#include <QChartView>
#include <QColor>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QCategoryAxis;
class QValueAxis;
class QLineSeries;
class QGraphicsSimpleTextItem;
class QGraphicsRectItem;
class CurveItem;

struct ChartCurve {
    std::vector<vorsan::SeriesPoint> points;
    QColor colour;
};

class JournalChart : public QChartView {
    Q_OBJECT
public:
    // `upperTimeAxis`: a second time axis above the plot (the voltage chart of the three-chart page).
    explicit JournalChart(bool upperTimeAxis = false, QWidget* parent = nullptr);
    ~JournalChart() override;

    // Replaces the curves (series 0..2; an empty curve draws nothing). The time window is kept.
    void setCurves(std::array<ChartCurve, 3> curves);
    const ChartCurve& curve(int i) const { return curves_.at(static_cast<std::size_t>(i)); }

    // The journal's first to last drawable time; the window "covers the data" against it.
    void setDataRange(vorsan::TimeWindow range) { data_ = range; }
    vorsan::TimeWindow dataRange() const { return data_; }

    // The time axis. `automatic`: the window is the whole data range and follows it (no zoom).
    void setTimeWindow(vorsan::TimeWindow window, bool automatic = false);
    vorsan::TimeWindow timeWindow() const { return window_; }
    bool automaticTime() const { return automatic_; }

    void setValueRange(double min, double max);
    double valueMinimum() const { return valueMin_; }
    double valueMaximum() const { return valueMax_; }
    void setValueTitle(const QString& title);
    QString valueTitle() const;

    // Zoom by the zoom buttons about the window's centre (1.15 in, 0.85 out).
    void zoomBy(double factor);
    // Back to the whole data range, the time axis automatic again.
    void undoZoom();

    // Record texts for the click box (eventText of a record position; may be empty).
    void setEventTexts(std::function<QString(std::size_t)> eventText) { eventText_ = std::move(eventText); }
    // Positions are shown counted from this number (1 for the window's journal, 0 for a well's).
    void setFirstNumber(int n) { firstNumber_ = n; }

    // "dd/MM/yy hh:mm:ss" of the time under a view position; empty outside the axis ranges.
    QString hintAt(const QPoint& viewPos) const;
    // The point a click at the view position means (within a few pixels), if any.
    const vorsan::SeriesPoint* pointNear(const QPoint& viewPos) const;
    // Shows (or hides, with an empty text) the click box above a view position.
    void showClickBox(const QPoint& viewPos, const QString& firstLine, const QString& secondLine);
    QString clickBoxText() const;
    // The record position of the last click on a point (-1: none), as the box shows it.
    long long clickedPosition() const { return clickedPosition_; }

    // Where a time and value lie in the view (the inverse of timeAt).
    QPoint viewPosOf(double time, double value) const;

    // Time value of a view x coordinate (day count).
    double timeAt(double viewX) const;

    // Smaller axis texts for a chart a third of the page high (the three-chart page).
    void setCompact();

    // The chart's title over the plot (rich text; empty hides it). Printing sets it.
    void setTitleText(const QString& text);
    QString titleText() const;

    // Grid lines of the time axes, labels of the upper one (printing the voltage chart).
    void setTimeGridVisible(bool visible);
    void setUpperLabelsVisible(bool visible);

    // Draws the chart as if it were `size` large into `target` (printing); the chart's own size
    // is given back afterwards.
    void render(QPainter& painter, const QRectF& target, QSizeF size);

    // Points drawn at the last paint (after thinning to the plot's width); for the tests.
    std::size_t lastDrawnSegments() const;

    // A day count as a date-time with the record's wall-clock fields. Journal times carry no time
    // zone, so these are UTC date-times: no clock change of the machine's zone moves or drops one.
    static QDateTime dateTimeOf(double days);
    static double daysOf(const QDateTime& t);

signals:
    void zoomed();      // by the mouse
    void zoomUndone();  // by the mouse
    void scrolled();    // by the mouse
    void pointClicked(std::size_t position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyTimeAxis();
    QRectF plotArea() const;

    QChart* chart_ = nullptr;
    QCategoryAxis* lower_ = nullptr;
    QCategoryAxis* upper_ = nullptr;
    QValueAxis* values_ = nullptr;
    QLineSeries* carrier_ = nullptr; // holds the axes; the curves are drawn by curveItem_
    CurveItem* curveItem_ = nullptr;
    QGraphicsRectItem* box_ = nullptr;
    QGraphicsSimpleTextItem* boxText_ = nullptr;
    QGraphicsSimpleTextItem* boxText2_ = nullptr;
    std::array<ChartCurve, 3> curves_;
    vorsan::TimeWindow data_;
    vorsan::TimeWindow window_;
    bool automatic_ = true;
    double valueMin_ = 0;
    double valueMax_ = 0;
    std::function<QString(std::size_t)> eventText_;
    int firstNumber_ = 1;
    long long clickedPosition_ = -1;

    enum class Drag { none, left, right };
    Drag drag_ = Drag::none;
    QPoint dragStart_;
    vorsan::TimeWindow dragWindow_;
    class QRubberBand* band_ = nullptr;

    friend class CurveItem;
};
