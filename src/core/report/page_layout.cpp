#include "report/page_layout.h"

#include "settings/catalogue.h"
#include "settings/value_text.h"
#include "text/cp1251.h"

#include <algorithm>

namespace vorsan {
namespace {

constexpr const char* kUnknownWellLine = "куст № ____    скважина № ____";

int cellPadding(int zeroWidth) { return zeroWidth / 8; }

int measure(const PrintMetrics& m, std::string_view text, bool bold) {
    if (m.textWidth) return m.textWidth(text, bold);
    return static_cast<int>(utf8Length(text)) * m.zeroWidth;
}

PageText text(PageRect rect, std::string s, TextAlign align = TextAlign::centre, bool bold = false,
              std::uint32_t colour = kColourBlack) {
    PageText t;
    t.rect = rect;
    t.text = std::move(s);
    t.align = align;
    t.bold = bold;
    t.colour = colour;
    return t;
}

// A text that must stay inside `rect`: narrowed by the renderer when it is wider. A centred text
// keeps kCellPadding of w clear of each rule.
PageText fitted(PageRect rect, std::string s, const PrintMetrics& m, TextAlign align = TextAlign::centre,
                bool bold = false, std::uint32_t colour = kColourBlack) {
    const int room = align == TextAlign::centre ? rect.width() - 2 * cellPadding(m.zeroWidth) : rect.width();
    const bool wide = measure(m, s, bold) > room;
    PageText t = text(rect, std::move(s), align, bold, colour);
    t.squeeze = wide;
    return t;
}

void vertical(ReportPage& page, int x, int top, int bottom) { page.lines.push_back({x, top, x, bottom}); }
void horizontal(ReportPage& page, int y, int left, int right) { page.lines.push_back({left, y, right, y}); }

std::string measurementText(const JournalRow& row, int column) {
    switch (column) {
    case 3: return row.uabText;
    case 4: return row.ubcText;
    case 5: return row.ucaText;
    case 6: return row.iaText;
    case 7: return row.ibText;
    case 8: return row.icText;
    case 9: return row.zagrText;
    case 10: return row.sopText;
    case 11: return row.pText;
    case 12: return row.tText;
    case 13: return row.cosText;
    case 14: return row.causeText;
    default: return {};
    }
}

void journalPageFrame(ReportPage& page, const JournalTableInput& in, const PrintMetrics& m, int w, int b,
                      int pageNumber) {
    const int left = 3 * w;
    const int right = 98 * w;
    page.texts.push_back(fitted({left, b, right, 2 * b}, in.caption, m));
    page.texts.push_back(fitted({left, 2 * b, right, 3 * b}, in.wellLine, m));
    const int top = 4 * b;
    const int bottom = 5 * b;
    for (int c = 0; c < kJournalTableColumns; ++c) {
        if (*kJournalTableHeaders[c] == '\0') continue;
        page.texts.push_back(fitted({kJournalTableEdges[c] * w, top, kJournalTableEdges[c + 1] * w, bottom},
                                    kJournalTableHeaders[c], m, TextAlign::centre, true));
    }
    horizontal(page, top, kJournalTableEdges[0] * w, kJournalTableEdges[kJournalTableColumns] * w);
    horizontal(page, bottom, kJournalTableEdges[0] * w, kJournalTableEdges[kJournalTableColumns] * w);
    for (int e : kJournalTableEdges) vertical(page, e * w, top, bottom);
    page.texts.push_back(text({m.pageWidth / 2, m.pageHeight - b, m.pageWidth, m.pageHeight},
                              std::to_string(pageNumber), TextAlign::topLeft));
}

} // namespace

int lineStep(const PrintMetrics& metrics) { return metrics.zeroHeight * 6 / 5; }

int journalRowsPerPage(const PrintMetrics& metrics) {
    const int b = lineStep(metrics);
    return b > 0 ? std::max(1, metrics.pageHeight / b - 6) : 1;
}

int settingsRowsPerPage(const PrintMetrics& metrics) {
    const int b = lineStep(metrics);
    return b > 0 ? std::max(1, metrics.pageHeight / b - 5) : 1;
}

std::string journalWellLine(std::uint16_t padNumber, std::uint16_t wellNumber) {
    if (padNumber == kUnknown16 || wellNumber == kUnknown16) return kUnknownWellLine;
    return "куст № " + std::to_string(padNumber) + "   скважина № " + std::to_string(wellNumber);
}

std::string databaseWellLine(std::string_view oilfield, std::uint16_t padNumber, std::uint16_t wellNumber) {
    if (padNumber == kUnknown16 || wellNumber == kUnknown16) return kUnknownWellLine;
    return "месторождение- " + std::string(oilfield) + "  куст № " + std::to_string(padNumber) +
           "   скважина № " + std::to_string(wellNumber);
}

ReportDocument layoutJournalTable(const JournalTableInput& in, const PrintMetrics& m) {
    ReportDocument doc;
    doc.fontPointSize = kJournalTableFontSize;
    if (in.rows == nullptr || in.journal == nullptr) return doc;
    const std::size_t count = std::min(in.rows->size(), in.journal->records.size());
    const std::size_t first = std::max<std::size_t>(in.firstRow, 1);
    const std::size_t last = std::min(in.lastRow, count);
    if (first > last) return doc;

    const int w = m.zeroWidth;
    const int b = lineStep(m);
    const int perPage = journalRowsPerPage(m);
    const bool gen4 = in.generation == ControllerGeneration::Gen4;
    const int tableLeft = kJournalTableEdges[0] * w;
    const int tableRight = kJournalTableEdges[kJournalTableColumns] * w;
    // The event text is centred between 36w and 98w; a longer one uses the whole merged cell.
    const PageRect eventRect{36 * w, 0, 98 * w, 0};
    const PageRect mergedRect{35 * w + w / 4, 0, tableRight - w / 4, 0};

    std::size_t i = 0; // position within the printout, from 1
    for (std::size_t n = first; n <= last; ++n) {
        ++i;
        if (i > doc.pages.size() * static_cast<std::size_t>(perPage)) {
            doc.pages.emplace_back();
            journalPageFrame(doc.pages.back(), in, m, w, b, static_cast<int>(doc.pages.size()));
        }
        ReportPage& page = doc.pages.back();
        const int k = static_cast<int>(i - (doc.pages.size() - 1) * static_cast<std::size_t>(perPage));
        const int top = k * b + 4 * b;
        const int bottom = top + b;
        const JournalRow& row = (*in.rows)[n - 1];
        const JournalRecord& record = in.journal->records[n - 1];
        const auto cell = [&](int c) {
            return PageRect{kJournalTableEdges[c] * w, top, kJournalTableEdges[c + 1] * w, bottom};
        };
        page.texts.push_back(fitted(cell(0), std::to_string(n), m));
        page.texts.push_back(fitted(cell(1), row.dateText, m));
        page.texts.push_back(fitted(cell(2), row.timeText, m));
        horizontal(page, bottom, tableLeft, tableRight);
        if (row.isEventRow()) {
            const std::uint32_t colour = isStartEvent(record.SOBYTIE) ? kColourGreen : kColourRed;
            const int width = measure(m, row.eventText, false);
            PageRect r = width <= eventRect.width() ? eventRect : mergedRect;
            r.top = top;
            r.bottom = bottom;
            page.texts.push_back(fitted(r, row.eventText, m, TextAlign::centre, false, colour));
            for (int c : {0, 1, 2, 3}) vertical(page, kJournalTableEdges[c] * w, top, bottom);
            vertical(page, tableRight, top, bottom);
        } else {
            const int lastColumn = gen4 ? kJournalTableColumns : 11;
            for (int c = 3; c < lastColumn; ++c) {
                std::string s = measurementText(row, c);
                if (!s.empty()) page.texts.push_back(fitted(cell(c), std::move(s), m));
            }
            for (int e : kJournalTableEdges) vertical(page, e * w, top, bottom);
        }
    }
    return doc;
}

std::vector<SettingsListRow> settingsListRows(const SettingsCatalogue& catalogue, char separator) {
    std::vector<SettingsListRow> rows;
    rows.reserve(catalogue.size());
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        rows.push_back({settingRowName(catalogue, i), valueText(catalogue.entries[i], separator).value_or("")});
    return rows;
}

ReportDocument layoutSettingsList(std::string_view title, const std::vector<SettingsListRow>& rows,
                                  const PrintMetrics& m) {
    ReportDocument doc;
    doc.fontPointSize = kSettingsListFontSize;
    const int w = m.zeroWidth;
    const int b = lineStep(m);
    const int perPage = settingsRowsPerPage(m);
    const int titleWidth = measure(m, title, false);
    const int nameRight = 80 * w - w / 2;
    for (std::size_t r = 1; r <= rows.size(); ++r) {
        if (r > doc.pages.size() * static_cast<std::size_t>(perPage) || doc.pages.empty()) {
            doc.pages.emplace_back();
            const int x = std::max(0, (m.pageWidth - titleWidth) / 2);
            doc.pages.back().texts.push_back(
                fitted({x, 2 * b, m.pageWidth, 3 * b}, std::string(title), m, TextAlign::topLeft));
        }
        const int y = b * (static_cast<int>(r - (doc.pages.size() - 1) * static_cast<std::size_t>(perPage)) + 3);
        ReportPage& page = doc.pages.back();
        page.texts.push_back(fitted({10 * w, y, nameRight, y + b}, rows[r - 1].name, m, TextAlign::topLeft));
        page.texts.push_back(fitted({80 * w, y, m.pageWidth, y + b}, rows[r - 1].value, m, TextAlign::topLeft));
    }
    return doc;
}

ReportDocument layoutStopList(std::string_view heading, const std::vector<std::string>& lines,
                              const PrintMetrics& m) {
    ReportDocument doc;
    doc.fontPointSize = kStopListFontSize;
    const int left = 10 * m.zeroWidth;
    const int b = lineStep(m);
    const auto perPage = static_cast<std::size_t>(settingsRowsPerPage(m));
    doc.pages.emplace_back();
    doc.pages.back().texts.push_back(
        fitted({left, 2 * b, m.pageWidth, 3 * b}, std::string(heading), m, TextAlign::topLeft));
    for (std::size_t i = 1; i <= lines.size(); ++i) {
        if (i > doc.pages.size() * perPage) doc.pages.emplace_back();
        const int y = b * (static_cast<int>(i - (doc.pages.size() - 1) * perPage) + 3);
        doc.pages.back().texts.push_back(fitted({left, y, m.pageWidth, y + b}, lines[i - 1], m, TextAlign::topLeft));
    }
    return doc;
}

} // namespace vorsan
