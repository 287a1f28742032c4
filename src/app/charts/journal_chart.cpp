#include "charts/journal_chart.h"

#include <QCategoryAxis>
#include <QDateTime>
#include <QGraphicsLayout>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

using vorsan::SeriesPoint;
using vorsan::TimeWindow;

namespace {

constexpr qint64 kUnixEpochJulianDay = 2440588;
constexpr double kMsPerDay = 86400000.0;
constexpr int kClickBoxWidth = 300;
constexpr int kClickBoxLineStep = 11; // the event text's line lies this much below the time's
constexpr int kPickDistance = 6;      // pixels around a point that still mean it
constexpr int kDragThreshold = 4;
const QColor kIdleRed(0xFF, 0, 0);
// Date over time on the time axis.
const QString kTimeAxisFormat = QStringLiteral("dd/MM/yy<br>hh:mm:ss");
constexpr int kTimeTicks = 7;

// The time axes leave no room beyond the plot for the label centred on their right end; the
// chart's right margin holds its right half.
QMargins marginsFor(const QFont& timeLabels, int base, int right) {
    return QMargins(base, base, right + QFontMetrics(timeLabels).horizontalAdvance(QStringLiteral("00/00/00")) / 2,
                    base);
}

bool sortedByTime(const std::vector<SeriesPoint>& points) {
    return std::is_sorted(points.begin(), points.end(),
                          [](const SeriesPoint& a, const SeriesPoint& b) { return a.x < b.x; });
}

} // namespace

// Draws the curves over the plot area. Each segment takes the colour of the point it leads to, as
// the idle stretches are coloured per point. Points closer than a pixel column are thinned to the
// column's lowest and highest value, so a 200,000-record journal costs a few thousand lines.
class CurveItem : public QGraphicsItem {
public:
    explicit CurveItem(JournalChart* owner, QGraphicsItem* parent) : QGraphicsItem(parent), owner_(owner) {}

    QRectF boundingRect() const override { return area_; }

    void setArea(const QRectF& area) {
        if (area == area_) return;
        prepareGeometryChange();
        area_ = area;
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        drawn_ = 0;
        const TimeWindow w = owner_->window_;
        const double vmin = owner_->valueMin_;
        const double vmax = owner_->valueMax_;
        if (area_.isEmpty() || w.width() <= 0) return;
        const double sx = area_.width() / w.width();
        const double sy = vmax > vmin ? area_.height() / (vmax - vmin) : 0;
        const double x0 = area_.left();
        const double y0 = area_.bottom();
        painter->save();
        painter->setClipRect(area_);
        painter->setRenderHint(QPainter::Antialiasing, false);
        for (std::size_t c = 0; c < owner_->curves_.size(); ++c) {
            const auto& curve = owner_->curves_[c];
            if (curve.points.empty()) continue;
            const auto [first, last] = visibleRange(c, w);
            QVector<QLineF> normal;
            QVector<QLineF> red;
            bool started = false;
            long column = 0;
            QPointF previous;
            double colMin = 0;
            double colMax = 0;
            bool colRed = false;
            const auto flush = [&] {
                if (colMax > colMin) (colRed ? red : normal).append(QLineF(column + 0.5, colMin, column + 0.5, colMax));
            };
            for (std::size_t i = first; i < last; ++i) {
                const SeriesPoint& p = curve.points[i];
                const QPointF at(x0 + (p.x - w.min) * sx, y0 - (p.y - vmin) * sy);
                const long col = static_cast<long>(std::floor(at.x()));
                if (!started) {
                    started = true;
                    column = col;
                    colMin = colMax = at.y();
                    colRed = p.idle;
                } else if (col == column) {
                    colMin = std::min(colMin, at.y());
                    colMax = std::max(colMax, at.y());
                    colRed = colRed || p.idle;
                } else {
                    flush();
                    (p.idle ? red : normal).append(QLineF(previous, at));
                    column = col;
                    colMin = colMax = at.y();
                    colRed = p.idle;
                }
                previous = at;
            }
            if (started) flush();
            painter->setPen(QPen(curve.colour, 1));
            painter->drawLines(normal);
            painter->setPen(QPen(kIdleRed, 1));
            painter->drawLines(red);
            drawn_ += static_cast<std::size_t>(normal.size() + red.size());
        }
        painter->restore();
    }

    // Indices [first, last) of the points that can show in the window, with one more on each side
    // so the curve enters and leaves the plot; the whole curve when it is not in time order.
    std::pair<std::size_t, std::size_t> visibleRange(std::size_t c, TimeWindow w) const {
        const auto& pts = owner_->curves_[c].points;
        if (!sorted_[c]) return {0, pts.size()};
        const auto lo = std::lower_bound(pts.begin(), pts.end(), w.min,
                                         [](const SeriesPoint& p, double x) { return p.x < x; });
        const auto hi = std::upper_bound(pts.begin(), pts.end(), w.max,
                                         [](double x, const SeriesPoint& p) { return x < p.x; });
        const std::size_t first = static_cast<std::size_t>(lo - pts.begin());
        const std::size_t last = static_cast<std::size_t>(hi - pts.begin());
        return {first > 0 ? first - 1 : 0, std::min(last + 1, pts.size())};
    }

    void curvesChanged() {
        for (std::size_t c = 0; c < sorted_.size(); ++c) sorted_[c] = sortedByTime(owner_->curves_[c].points);
        update();
    }

    std::size_t drawn() const { return drawn_; }

private:
    JournalChart* owner_;
    QRectF area_;
    std::array<bool, 3> sorted_{true, true, true};
    std::size_t drawn_ = 0;
};

JournalChart::JournalChart(bool upperTimeAxis, QWidget* parent) : QChartView(parent) {
    chart_ = new QChart();
    chart_->legend()->hide();
    chart_->setBackgroundRoundness(0);
    setChart(chart_);
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    setRubberBand(QChartView::NoRubberBand);

    carrier_ = new QLineSeries(chart_);
    chart_->addSeries(carrier_);
    // The time axes run in day counts and get their tick labels from applyTimeAxis: a date-time
    // axis would write them in the machine's time zone and shift them across its clock changes.
    lower_ = new QCategoryAxis(chart_);
    lower_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    lower_->setGridLineVisible(true);
    chart_->addAxis(lower_, Qt::AlignBottom);
    carrier_->attachAxis(lower_);
    if (upperTimeAxis) {
        upper_ = new QCategoryAxis(chart_);
        upper_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        upper_->setGridLineVisible(false);
        chart_->addAxis(upper_, Qt::AlignTop);
        carrier_->attachAxis(upper_);
    }
    chart_->setMargins(marginsFor(lower_->labelsFont(), 4, 8));
    values_ = new QValueAxis(chart_);
    values_->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(values_, Qt::AlignLeft);
    carrier_->attachAxis(values_);

    curveItem_ = new CurveItem(this, chart_);
    curveItem_->setZValue(10);
    connect(chart_, &QChart::plotAreaChanged, this, [this](const QRectF& area) { curveItem_->setArea(area); });

    box_ = new QGraphicsRectItem(chart_);
    box_->setBrush(QToolTip::palette().color(QPalette::ToolTipBase));
    box_->setPen(QPen(Qt::black));
    box_->setZValue(20);
    box_->hide();
    boxText_ = new QGraphicsSimpleTextItem(box_);
    boxText2_ = new QGraphicsSimpleTextItem(box_);

    band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    setValueRange(0, 0);
    setTimeWindow({0, 1}, true);
}

JournalChart::~JournalChart() = default;

QDateTime JournalChart::dateTimeOf(double days) {
    const double whole = std::floor(days);
    const auto ms = static_cast<int>(std::llround((days - whole) * kMsPerDay));
    const QDate date = QDate::fromJulianDay(kUnixEpochJulianDay + static_cast<qint64>(whole));
    if (ms >= 86400000) return QDateTime(date.addDays(1), QTime(0, 0), Qt::UTC);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms), Qt::UTC);
}

double JournalChart::daysOf(const QDateTime& t) {
    return static_cast<double>(t.date().toJulianDay() - kUnixEpochJulianDay) +
           t.time().msecsSinceStartOfDay() / kMsPerDay;
}

void JournalChart::setCurves(std::array<ChartCurve, 3> curves) {
    curves_ = std::move(curves);
    box_->hide();
    clickedPosition_ = -1;
    curveItem_->curvesChanged();
}

void JournalChart::setTimeWindow(TimeWindow window, bool automatic) {
    if (window.width() <= 0) {
        // A journal of one moment: a minute around it.
        const double half = 30.0 / 86400;
        window = {window.min - half, window.min + half};
    }
    window_ = window;
    automatic_ = automatic;
    applyTimeAxis();
}

namespace {

// Ticks at both ends of the window and evenly between, each labelled at its own value. A category
// ends at each tick; the first begins a hair before the window so that its label sits on the
// window's left edge.
void setTimeTicks(QCategoryAxis* axis, TimeWindow w) {
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    axis->setStartValue(w.min - w.width() / 1000);
    for (int i = 0; i < kTimeTicks; ++i) {
        const double t = w.min + w.width() * i / (kTimeTicks - 1);
        QString label = JournalChart::dateTimeOf(t).toString(kTimeAxisFormat);
        // Labels name the categories and must differ; in a window of a few seconds two ticks can
        // share a second, and an invisible mark keeps both.
        while (axis->categoriesLabels().contains(label)) label += QChar(0x200B);
        axis->append(label, t);
    }
    axis->setRange(w.min, w.max);
}

} // namespace

void JournalChart::applyTimeAxis() {
    setTimeTicks(lower_, window_);
    if (upper_) setTimeTicks(upper_, window_);
    curveItem_->update();
}

void JournalChart::setValueRange(double min, double max) {
    valueMin_ = min;
    valueMax_ = max;
    values_->setRange(min, max);
    curveItem_->update();
}

void JournalChart::setValueTitle(const QString& title) {
    values_->setTitleText(title);
}

QString JournalChart::valueTitle() const {
    return values_->titleText();
}

void JournalChart::zoomBy(double factor) {
    setTimeWindow(vorsan::zoomAboutCentre(window_, factor), false);
}

void JournalChart::undoZoom() {
    setTimeWindow(data_, true);
}

QRectF JournalChart::plotArea() const {
    return chart_->plotArea();
}

double JournalChart::timeAt(double viewX) const {
    const QRectF area = plotArea();
    const QPointF chartPos = chart_->mapFromScene(mapToScene(QPoint(static_cast<int>(viewX), 0)));
    if (area.width() <= 0) return window_.min;
    return window_.min + (chartPos.x() - area.left()) / area.width() * window_.width();
}

QPoint JournalChart::viewPosOf(double time, double value) const {
    const QRectF area = plotArea();
    const double x = area.left() + (time - window_.min) / window_.width() * area.width();
    const double y = valueMax_ > valueMin_ ? area.bottom() - (value - valueMin_) / (valueMax_ - valueMin_) * area.height()
                                           : area.bottom();
    return mapFromScene(chart_->mapToScene(QPointF(x, y)));
}

QString JournalChart::hintAt(const QPoint& viewPos) const {
    const QRectF area = plotArea();
    const QPointF p = chart_->mapFromScene(mapToScene(viewPos));
    if (area.width() <= 0 || area.height() <= 0) return {};
    const double t = window_.min + (p.x() - area.left()) / area.width() * window_.width();
    const double v = valueMin_ + (area.bottom() - p.y()) / area.height() * (valueMax_ - valueMin_);
    const bool inside = t > window_.min && t < window_.max && v > valueMin_ && v < valueMax_;
    if (!inside) return {};
    return dateTimeOf(t).toString(QStringLiteral("dd/MM/yy hh:mm:ss"));
}

const SeriesPoint* JournalChart::pointNear(const QPoint& viewPos) const {
    const QRectF area = plotArea();
    if (area.width() <= 0 || area.height() <= 0 || window_.width() <= 0) return nullptr;
    const QPointF p = chart_->mapFromScene(mapToScene(viewPos));
    const double sx = area.width() / window_.width();
    const double sy = valueMax_ > valueMin_ ? area.height() / (valueMax_ - valueMin_) : 0;
    const TimeWindow near{window_.min + (p.x() - area.left() - kPickDistance) / sx,
                          window_.min + (p.x() - area.left() + kPickDistance) / sx};
    const SeriesPoint* best = nullptr;
    double bestDistance = kPickDistance * kPickDistance + 1;
    for (std::size_t c = 0; c < curves_.size(); ++c) {
        const auto [first, last] = curveItem_->visibleRange(c, near);
        for (std::size_t i = first; i < last; ++i) {
            const SeriesPoint& s = curves_[c].points[i];
            const double dx = area.left() + (s.x - window_.min) * sx - p.x();
            const double dy = area.bottom() - (s.y - valueMin_) * sy - p.y();
            const double d = dx * dx + dy * dy;
            if (d < bestDistance) {
                bestDistance = d;
                best = &s;
            }
        }
    }
    return best;
}

void JournalChart::showClickBox(const QPoint& viewPos, const QString& firstLine, const QString& secondLine) {
    if (firstLine.isEmpty()) {
        box_->hide();
        return;
    }
    const QPointF at = chart_->mapFromScene(mapToScene(viewPos));
    const QFontMetrics fm(boxText_->font());
    const int step = std::max(kClickBoxLineStep, fm.height());
    const int height = (secondLine.isEmpty() ? 0 : step) + fm.height() + 4;
    box_->setRect(QRectF(at.x(), at.y() - height - 2, kClickBoxWidth, height));
    boxText_->setText(firstLine);
    boxText_->setPos(at.x() + 3, at.y() - height);
    boxText2_->setText(secondLine);
    boxText2_->setPos(at.x() + 3, at.y() - height + step);
    box_->show();
}

QString JournalChart::clickBoxText() const {
    if (!box_->isVisible()) return {};
    return boxText2_->text().isEmpty() ? boxText_->text() : boxText_->text() + QLatin1Char('\n') + boxText2_->text();
}

void JournalChart::setCompact() {
    QFont labels = values_->labelsFont();
    labels.setPointSize(7);
    QFont title = values_->titleFont();
    title.setPointSize(7);
    values_->setLabelsFont(labels);
    values_->setTitleFont(title);
    lower_->setLabelsFont(labels);
    if (upper_) upper_->setLabelsFont(labels);
    chart_->setMargins(marginsFor(labels, 2, 6));
}

void JournalChart::setTitleText(const QString& text) {
    chart_->setTitle(text);
}

QString JournalChart::titleText() const {
    return chart_->title();
}

void JournalChart::setTimeGridVisible(bool visible) {
    lower_->setGridLineVisible(visible);
    values_->setGridLineVisible(visible);
}

void JournalChart::setUpperLabelsVisible(bool visible) {
    if (upper_) upper_->setLabelsVisible(visible);
}

void JournalChart::render(QPainter& painter, const QRectF& target, QSizeF size) {
    const QSizeF own = chart_->size();
    chart_->resize(size);
    // The chart lays itself out for the new size before it is drawn.
    chart_->layout()->activate();
    curveItem_->setArea(chart_->plotArea());
    scene()->render(&painter, target, QRectF(chart_->pos(), size));
    chart_->resize(own);
    chart_->layout()->activate();
    curveItem_->setArea(chart_->plotArea());
}

std::size_t JournalChart::lastDrawnSegments() const {
    return curveItem_->drawn();
}

void JournalChart::mousePressEvent(QMouseEvent* event) {
    dragStart_ = event->pos();
    dragWindow_ = window_;
    if (event->button() == Qt::LeftButton) {
        drag_ = Drag::left;
        band_->setGeometry(QRect(dragStart_, QSize()));
        band_->show();
    } else if (event->button() == Qt::RightButton) {
        drag_ = Drag::right;
    }
    event->accept();
}

void JournalChart::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::left) {
        const QRectF area = plotArea();
        const QPoint top = mapFromScene(chart_->mapToScene(area.topLeft()));
        const QPoint bottom = mapFromScene(chart_->mapToScene(area.bottomLeft()));
        band_->setGeometry(QRect(QPoint(std::min(dragStart_.x(), event->pos().x()), top.y()),
                                 QPoint(std::max(dragStart_.x(), event->pos().x()), bottom.y())));
    } else if (drag_ == Drag::right) {
        const QRectF area = plotArea();
        if (area.width() > 0) {
            const double shift = (event->pos().x() - dragStart_.x()) / area.width() * dragWindow_.width();
            setTimeWindow({dragWindow_.min - shift, dragWindow_.max - shift}, false);
            emit scrolled();
        }
    } else {
        const QString hint = hintAt(event->pos());
        setToolTip(hint);
        if (hint.isEmpty())
            QToolTip::hideText();
        else if (isVisible())
            QToolTip::showText(event->globalPosition().toPoint(), hint, this);
    }
    event->accept();
}

void JournalChart::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = drag_;
    drag_ = Drag::none;
    band_->hide();
    const int dx = event->pos().x() - dragStart_.x();
    if (drag == Drag::left) {
        if (dx > kDragThreshold) {
            const double a = timeAt(dragStart_.x());
            const double b = timeAt(event->pos().x());
            setTimeWindow({a, b}, false);
            emit zoomed();
        } else if (dx < -kDragThreshold) {
            undoZoom();
            emit zoomUndone();
        } else if (const SeriesPoint* p = pointNear(event->pos())) {
            clickedPosition_ = static_cast<long long>(p->position);
            const QString time = dateTimeOf(timeAt(event->pos().x())).toString(QStringLiteral("dd/MM/yy hh:mm:ss"));
            showClickBox(event->pos(), time, eventText_ ? eventText_(p->position) : QString());
            emit pointClicked(p->position);
        } else {
            showClickBox(event->pos(), {}, {});
        }
    }
    event->accept();
}

void JournalChart::wheelEvent(QWheelEvent* event) {
    // The wheel does not zoom: the zoom buttons and the mouse drag do, as the pages count them.
    event->ignore();
}

void JournalChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    curveItem_->setArea(chart_->plotArea());
}
