#include "analytics/insulation_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

#include <algorithm>

namespace an = vorsan::analytics;

namespace {

// The journal's moments have no time zone: the axis shows local time, so each is placed where the
// local clock reads the same date and time.
QDateTime dateTimeOf(an::Seconds t) {
    const an::CivilTime c = an::civilOf(t);
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
}

qreal axisTime(an::Seconds t) {
    return qreal(dateTimeOf(t).toMSecsSinceEpoch());
}

QLineSeries* series(const QString& name, const QColor& colour, int width) {
    auto* s = new QLineSeries();
    s->setName(name);
    QPen pen(colour);
    pen.setWidth(width);
    s->setPen(pen);
    return s;
}

} // namespace

InsulationChart::InsulationChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("insulationChart"));
    chart_ = new QChart();
    chart_->setTitle(QStringLiteral("Сопротивление изоляции, кОм"));
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    setChart(chart_);
    setRenderHint(QPainter::Antialiasing);
    points_ = series(QStringLiteral("замеры"), QColor(0x00, 0x60, 0xC0), 1);
    trend_ = series(QStringLiteral("тренд за 30 суток"), Qt::red, 3);
    setpoint_ = series(QStringLiteral("уставка"), QColor(0xFF, 0x80, 0x00), 2);
    forecast_ = series(QStringLiteral("до уставки"), Qt::red, 2);
    QPen dashed = forecast_->pen();
    dashed.setStyle(Qt::DashLine);
    forecast_->setPen(dashed);
    for (auto* s : {points_, trend_, setpoint_, forecast_}) chart_->addSeries(s);
    auto* time = new QDateTimeAxis();
    time->setFormat(QStringLiteral("dd.MM.yy"));
    time->setTickCount(5);
    auto* kohm = new QValueAxis();
    kohm->setLabelFormat(QStringLiteral("%d"));
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(kohm, Qt::AlignLeft);
    for (auto* s : {points_, trend_, setpoint_, forecast_}) {
        s->attachAxis(time);
        s->attachAxis(kohm);
    }
}

void InsulationChart::show(const vorsan::WellReport& r) {
    QList<QPointF> points;
    points.reserve(qsizetype(r.resistance.size()));
    double most = 0;
    for (const auto& p : r.resistance) {
        points.append({axisTime(p.at), p.kohm});
        most = std::max(most, p.kohm);
    }
    points_->replace(points);
    QList<QPointF> trend;
    if (const auto& t = r.stats.trend; t && !t->points.empty())
        for (const an::Seconds at : {t->points.front().at, t->last}) trend.append({axisTime(at), std::max(0.0, t->lineAt(at))});
    trend_->replace(trend);
    an::Seconds from = r.stats.first.value_or(0), to = std::max(r.stats.last.value_or(0), from + 1);
    // The trend carried on towards the setpoint: to the day it gets there, or (when that is further
    // off than the range shown) to the end of as long again, so that the measurements keep most of
    // the width.
    QList<QPointF> forecast;
    if (const auto& t = r.stats.trend; t && t->thresholdKohm && t->daysToThreshold && *t->daysToThreshold > 0) {
        const an::Seconds reach = t->last + an::Seconds(*t->daysToThreshold * double(an::kSecondsPerDay));
        const an::Seconds horizon = t->last + std::max<an::Seconds>(to - from, 30 * an::kSecondsPerDay);
        const an::Seconds end = std::min(reach, horizon);
        forecast = {{axisTime(t->last), t->kohmAtLast}, {axisTime(end), end == reach ? *t->thresholdKohm : t->lineAt(end)}};
        forecast_->setName(QStringLiteral("до уставки %1 сут").arg(QLocale().toString(*t->daysToThreshold, 'f', 1)));
        to = std::max(to, end);
    }
    forecast_->replace(forecast);
    forecast_->setVisible(!forecast.isEmpty());
    QList<QPointF> setpoint;
    if (r.insulation.thresholdKohm) {
        setpoint = {{axisTime(from), *r.insulation.thresholdKohm}, {axisTime(to), *r.insulation.thresholdKohm}};
        most = std::max(most, *r.insulation.thresholdKohm);
        setpoint_->setName(QStringLiteral("уставка %1 кОм").arg(*r.insulation.thresholdKohm));
    }
    setpoint_->replace(setpoint);
    setpoint_->setVisible(!setpoint.isEmpty());
    trend_->setVisible(!trend.isEmpty());
    const auto axes = chart_->axes();
    for (auto* axis : axes) {
        if (auto* time = qobject_cast<QDateTimeAxis*>(axis))
            time->setRange(dateTimeOf(from), dateTimeOf(to));
        if (auto* kohm = qobject_cast<QValueAxis*>(axis)) {
            const vorsan::Scale scale = vorsan::niceScale(std::max(1.0, most * 1.05));
            kohm->setRange(0, scale.top);
            kohm->setTickCount(int(scale.top / scale.step + 1.5));
        }
    }
}
