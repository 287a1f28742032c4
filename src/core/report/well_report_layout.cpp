// The drawing of the well report on one portrait page, in the units of the text reports: w, the
// width of "0", and the line step b, both of the report's 10-point font.
#include "report/well_report.h"

#include "text/cp1251.h"
#include "text/number_format.h"

#include <algorithm>
#include <cmath>

namespace vorsan {
namespace an = analytics;

namespace {

constexpr std::uint32_t kGridColour = 0xD8D8D8;
constexpr std::uint32_t kCurveColour = 0xC06000;    // blue: the measured resistance
constexpr std::uint32_t kTrendColour = 0x0000FF;    // red: the trend line
constexpr std::uint32_t kSetpointColour = 0x0080FF; // orange: the protection's setpoint
constexpr std::size_t kRunsListed = 5;
constexpr int kSummaryRows = int(kWellFigureCount);

struct Frame {
    const PrintMetrics& m;
    char separator;
    int w = 1, b = 1, left = 0, right = 0, bottom = 0;
    ReportPage page;
};

int measure(const PrintMetrics& m, std::string_view s, bool bold) {
    return m.textWidth ? m.textWidth(s, bold) : int(utf8Length(s)) * m.zeroWidth;
}

void put(Frame& f, PageRect r, std::string s, TextAlign align = TextAlign::centre, bool bold = false,
         std::uint32_t colour = kColourBlack) {
    PageText t;
    t.rect = r;
    t.squeeze = measure(f.m, s, bold) > r.width();
    t.text = std::move(s);
    t.align = align;
    t.bold = bold;
    t.colour = colour;
    f.page.texts.push_back(std::move(t));
}

void line(Frame& f, int x1, int y1, int x2, int y2, std::uint32_t colour = kColourBlack, int weight = 1) {
    f.page.lines.push_back({x1, y1, x2, y2, colour, weight});
}

// A heading at the left, bold, on the line from y.
void heading(Frame& f, int y, std::string text) {
    put(f, {f.left, y, f.right, y + f.b}, std::move(text), TextAlign::topLeft, true);
}

// The summary at the left, the stops by cause with their colours (the key of the bars) at the right.
int layoutSummary(Frame& f, const WellReport& r, int y) {
    const int middle = f.left + (f.right - f.left) * 56 / 100;
    heading(f, y, "Сводка");
    put(f, {middle, y, f.right, y + f.b}, "Отключения по причинам", TextAlign::topLeft, true);
    const std::vector<std::string> values = wellFigureValues(r.stats, f.separator);
    const int valueAt = f.left + 37 * f.w;
    for (int i = 0; i < kSummaryRows; ++i) {
        const int top = y + (i + 1) * f.b;
        put(f, {f.left, top, valueAt - f.w, top + f.b}, std::string(kWellFigureNames[i]) + ":", TextAlign::topLeft);
        put(f, {valueAt, top, middle - f.w, top + f.b}, values[std::size_t(i)], TextAlign::topLeft);
    }
    std::vector<CauseCount> causes = causeCounts(r.stats.stopsByCause, r.generation);
    if (causes.size() > std::size_t(kSummaryRows)) {
        // The rest in one line, as the bars join them.
        CauseCount rest{0, kOtherCausesText, kOtherCauseColour, 0, false};
        for (std::size_t i = std::size_t(kSummaryRows) - 1; i < causes.size(); ++i) rest.count += causes[i].count;
        causes.resize(std::size_t(kSummaryRows) - 1);
        causes.push_back(rest);
    }
    if (causes.empty()) put(f, {middle, y + f.b, f.right, y + 2 * f.b}, "отключений нет", TextAlign::topLeft);
    for (std::size_t i = 0; i < causes.size(); ++i) {
        const int top = y + int(i + 1) * f.b;
        const int key = f.b * 2 / 3;
        f.page.boxes.push_back({{middle, top + (f.b - key) / 2, middle + 2 * f.w, top + (f.b + key) / 2}, causes[i].colour, true});
        put(f, {middle + 3 * f.w, top, f.right, top + f.b}, causes[i].name + ": " + std::to_string(causes[i].count),
            TextAlign::topLeft);
    }
    return y + (kSummaryRows + 1) * f.b;
}

// Horizontal grid lines and value labels of a drawing in `area` for 0 … scale.top.
void valueAxis(Frame& f, PageRect area, Scale scale, int decimals) {
    for (int k = 0; k * scale.step <= scale.top + 1e-9; ++k) {
        const double v = k * scale.step;
        const int y = area.bottom - int(std::lround(v / scale.top * area.height()));
        if (k > 0) line(f, area.left, y, area.right, y, kGridColour);
        put(f, {f.left, y - f.b / 2, area.left - f.w / 2, y + f.b / 2}, formatFixed(v, decimals, f.separator));
    }
    line(f, area.left, area.top, area.left, area.bottom);
    line(f, area.left, area.bottom, area.right, area.bottom);
}

// The stops of every month as bars stacked by cause, in the colours of the list above.
void layoutMonthBars(Frame& f, const WellReport& r, PageRect area) {
    const auto& months = r.stats.months;
    if (months.empty()) {
        put(f, area, "записей нет");
        return;
    }
    std::size_t most = 1;
    for (const auto& m : months) most = std::max(most, m.stops);
    Scale scale = niceScale(double(most));
    if (scale.step < 1) scale = {std::max(1.0, std::ceil(scale.top)), 1};
    valueAxis(f, area, scale, 0);
    const int n = int(months.size());
    const int slot = std::max(1, area.width() / n);
    const int bar = std::clamp(slot * 6 / 10, 1, 8 * f.w);
    const int every = std::max(1, (8 * f.w + slot - 1) / slot); // a label every `every` months
    const auto yOf = [&](double v) { return area.bottom - int(std::lround(v / scale.top * area.height())); };
    for (int i = 0; i < n; ++i) {
        const int x = area.left + i * slot + (slot - bar) / 2;
        double below = 0;
        for (const CauseCount& c : causeCounts(r.monthStops[std::size_t(i)], r.generation)) {
            const std::uint32_t colour = c.tabled ? c.colour : kOtherCauseColour;
            f.page.boxes.push_back({{x, yOf(below + double(c.count)), x + bar, yOf(below)}, colour, true});
            below += double(c.count);
        }
        if (below > 0 && slot >= 3 * f.w)
            put(f, {x - f.w, yOf(below) - f.b, x + bar + f.w, yOf(below)}, std::to_string(std::size_t(below)));
        if (i % every == 0) {
            const int centre = area.left + i * slot + slot / 2;
            put(f, {centre - 5 * f.w, area.bottom, centre + 5 * f.w, area.bottom + f.b},
                an::monthText(months[std::size_t(i)].year, months[std::size_t(i)].month));
        }
    }
}

// A ruled table of runs under `title`: begin, end, duration, cause.
int layoutRuns(Frame& f, const WellReport& r, int y, const char* title, const std::vector<std::size_t>& runs) {
    heading(f, y, title);
    y += f.b;
    const int edges[] = {f.left, f.left + 19 * f.w, f.left + 38 * f.w, f.left + 55 * f.w, f.right};
    const char* headers[] = {"Пуск", "Останов", "Длительность", "Причина"};
    const int rows = std::max<int>(1, int(runs.size()));
    const int bottom = y + (rows + 1) * f.b;
    for (int c = 0; c < 4; ++c) put(f, {edges[c], y, edges[c + 1], y + f.b}, headers[c], TextAlign::centre, true);
    for (int k = 0; k <= rows + 1; ++k)
        if (k <= 1 || k == rows + 1) line(f, f.left, y + k * f.b, f.right, y + k * f.b);
    for (const int x : edges) line(f, x, y, x, bottom);
    if (runs.empty()) put(f, {f.left, y + f.b, f.right, y + 2 * f.b}, "пусков нет");
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const an::Run& run = r.stats.runs[runs[k]];
        const int top = y + int(k + 1) * f.b;
        put(f, {edges[0], top, edges[1], top + f.b}, reportMomentText(run.begin));
        put(f, {edges[1], top, edges[2], top + f.b}, run.open ? "—" : reportMomentText(run.end));
        put(f, {edges[2], top, edges[3], top + f.b}, an::durationText(run.duration()));
        // Written from its top-left corner: lowered to stand on the line of the centred cells.
        const int lower = std::max(0, (f.b - f.m.zeroHeight) / 2);
        put(f, {edges[3] + f.w / 2, top + lower, edges[4] - f.w / 2, top + f.b}, r.runCauses[runs[k]],
            TextAlign::topLeft);
    }
    return bottom;
}

// The line from (x1, v1) to (x2, v2) in value units, cut to 0 … top.
void clippedLine(Frame& f, PageRect area, double top, double x1, double v1, double x2, double v2,
                 std::uint32_t colour, int weight) {
    const auto cut = [&](double at) { return std::clamp((at - v1) / (v2 - v1), 0.0, 1.0); };
    double t1 = 0, t2 = 1;
    if (v1 != v2) {
        const double a = cut(0), c = cut(top);
        t1 = std::min(a, c), t2 = std::max(a, c);
    } else if (v1 < 0 || v1 > top) {
        return;
    }
    const auto px = [&](double t) { return int(std::lround(x1 + (x2 - x1) * t)); };
    const auto py = [&](double t) {
        return area.bottom - int(std::lround((v1 + (v2 - v1) * t) / top * area.height()));
    };
    if (t2 > t1) line(f, px(t1), py(t1), px(t2), py(t2), colour, weight);
}

// The key under the resistance drawing: a short line of each colour and its name.
void resistanceKey(Frame& f, const WellReport& r, int y) {
    std::vector<std::pair<std::uint32_t, std::string>> keys{{kCurveColour, "сопротивление изоляции"}};
    if (r.stats.trend) keys.emplace_back(kTrendColour, "тренд за последние 30 суток");
    if (r.insulation.thresholdKohm)
        keys.emplace_back(kSetpointColour, "уставка " + formatFixed(*r.insulation.thresholdKohm, 0, f.separator) + " кОм");
    int x = f.left + 6 * f.w;
    for (const auto& [colour, name] : keys) {
        line(f, x, y + f.b / 2, x + 3 * f.w, y + f.b / 2, colour, 3);
        const int width = measure(f.m, name, false);
        put(f, {x + 4 * f.w, y, x + 4 * f.w + width, y + f.b}, name, TextAlign::topLeft);
        x += 7 * f.w + width;
    }
}

// The resistance over the period, the trend line over its 30 days and the setpoint.
void layoutResistance(Frame& f, const WellReport& r, PageRect area) {
    const auto& points = r.resistance;
    if (points.empty() || !r.stats.first || !r.stats.last) {
        put(f, area, "замеров сопротивления изоляции нет");
        return;
    }
    double most = 0;
    for (const auto& p : points) most = std::max(most, p.kohm);
    if (r.insulation.thresholdKohm) most = std::max(most, *r.insulation.thresholdKohm);
    const Scale scale = niceScale(most * 1.05);
    valueAxis(f, area, scale, scale.step < 1 ? 1 : 0);
    const an::Seconds from = std::min(*r.stats.first, points.front().at);
    const an::Seconds to = std::max({*r.stats.last, points.back().at, from + 1});
    const auto xOf = [&](an::Seconds t) { return area.left + double(t - from) / double(to - from) * area.width(); };
    for (std::size_t i = 1; i < points.size(); ++i)
        clippedLine(f, area, scale.top, xOf(points[i - 1].at), points[i - 1].kohm, xOf(points[i].at), points[i].kohm,
                    kCurveColour, 2);
    if (points.size() == 1) clippedLine(f, area, scale.top, xOf(points[0].at), points[0].kohm, xOf(points[0].at) + f.w / 4.0, points[0].kohm, kCurveColour, 2);
    if (r.insulation.thresholdKohm)
        clippedLine(f, area, scale.top, area.left, *r.insulation.thresholdKohm, area.right,
                    *r.insulation.thresholdKohm, kSetpointColour, 2);
    if (const auto& t = r.stats.trend; t && !t->points.empty()) {
        const an::Seconds begin = t->points.front().at;
        clippedLine(f, area, scale.top, xOf(begin), t->lineAt(begin), xOf(t->last), t->lineAt(t->last),
                    kTrendColour, 3);
    }
    for (int k = 0; k <= 2; ++k) {
        const an::Seconds at = from + (to - from) * k / 2;
        const int x = int(std::lround(xOf(at)));
        const int half = 6 * f.w;
        const int l = k == 0 ? x : k == 2 ? x - 2 * half : x - half;
        put(f, {l, area.bottom, l + 2 * half, area.bottom + f.b}, reportMomentText(at).substr(0, 10));
    }
}

} // namespace

ReportDocument layoutWellReport(const WellReport& r, const PrintMetrics& metrics, char separator) {
    Frame f{metrics, separator, 1, 1, 0, 0, 0, {}};
    f.w = std::max(1, metrics.zeroWidth);
    f.b = std::max(1, lineStep(metrics));
    f.left = 4 * f.w;
    f.right = std::max(f.left + 60 * f.w, metrics.pageWidth - 3 * f.w);
    f.bottom = metrics.pageHeight - f.b;
    const int b = f.b;
    int y = b;
    put(f, {f.left, y, f.right, y + b}, r.caption, TextAlign::centre, true);
    put(f, {f.left, y + b, f.right, y + 2 * b}, kWellReportTitle, TextAlign::centre, true);
    put(f, {f.left, y + 2 * b, f.right, y + 3 * b}, r.wellLine);
    put(f, {f.left, y + 3 * b, f.right, y + 4 * b}, wellPeriodLine(r.stats));
    y += 5 * b;
    y = layoutSummary(f, r, y) + b / 2;

    // What stays fixed below the bars: two run tables, the trend's heading and line, the second
    // drawing's heading, labels and key. The two drawings share the rest.
    const std::vector<std::size_t> longest = longestRuns(r.stats, kRunsListed);
    const std::vector<std::size_t> last = lastRuns(r.stats, kRunsListed);
    const auto tableHeight = [b](std::size_t rows) { return b + (int(std::max<std::size_t>(rows, 1)) + 1) * b + b / 2; };
    const int fixed = tableHeight(longest.size()) + tableHeight(last.size()) + 13 * b / 2;
    const int room = std::max(12 * b, f.bottom - y - fixed);
    const int bars = room * 52 / 100;
    const int curve = room - bars;
    const int axisAt = f.left + 6 * f.w;

    heading(f, y, "Отключения по месяцам");
    y += b;
    layoutMonthBars(f, r, {axisAt, y + b, f.right, y + bars});
    y += bars + b + b / 2;
    y = layoutRuns(f, r, y, "Пять самых долгих пусков", longest) + b / 2;
    y = layoutRuns(f, r, y, "Пять последних пусков", last) + b / 2;

    heading(f, y, "Сопротивление изоляции");
    put(f, {f.left, y + b, f.right, y + 2 * b}, trendLine(r.stats, r.insulation, separator), TextAlign::topLeft);
    y += 2 * b;
    layoutResistance(f, r, {axisAt, y + b / 2, f.right, y + curve});
    resistanceKey(f, r, y + curve + b);

    ReportDocument doc;
    doc.fontPointSize = kWellReportFontSize;
    doc.pages.push_back(std::move(f.page));
    return doc;
}

} // namespace vorsan
