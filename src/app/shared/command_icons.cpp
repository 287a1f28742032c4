#include "shared/command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

using vorsan::Command;

namespace {

// What a drawn icon shows when the desktop theme has no icon of that name.
enum class Glyph {
    None,
    Folder,
    Disk,
    Text,
    ArrowDown,
    ArrowUp,
    Printer,
    Sheet,
    Eraser,
    Base,
    Left,
    Right,
    Lens,
    Question,
    Info,
    Door
};

struct IconText {
    Command command;
    const char* themeName;
    Glyph glyph;
    QColor colour;
};

const IconText kIcons[] = {
    {Command::OpenJournal, "document-open", Glyph::Folder, QColor(0xd9, 0xa4, 0x1e)},
    {Command::SaveJournal, "document-save", Glyph::Disk, QColor(0x2f, 0x5f, 0xb3)},
    {Command::SaveJournalText, "text-x-generic", Glyph::Text, QColor(0x60, 0x60, 0x60)},
    {Command::ReadJournal, "go-down", Glyph::ArrowDown, QColor(0x1f, 0x8a, 0x3b)},
    {Command::PrintJournal, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::ExportExcel, "x-office-spreadsheet", Glyph::Sheet, QColor(0x1d, 0x6f, 0x42)},
    {Command::ClearChronology, "edit-clear", Glyph::Eraser, QColor(0xc0, 0x39, 0x2b)},
    {Command::LoadSettingsFile, "folder-open", Glyph::Folder, QColor(0x8e, 0x6c, 0x2a)},
    {Command::ReadSettings, "go-bottom", Glyph::ArrowDown, QColor(0x2e, 0x86, 0xc1)},
    {Command::SaveSettingsFile, "document-save-as", Glyph::Disk, QColor(0x6c, 0x3b, 0xaa)},
    {Command::WriteSettings, "go-up", Glyph::ArrowUp, QColor(0xca, 0x6f, 0x1e)},
    {Command::PrintSettings, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::OpenDatabase, "x-office-address-book", Glyph::Base, QColor(0x5d, 0x4e, 0x9d)},
    {Command::SearchPrevious, "go-previous", Glyph::Left, QColor(0x2e, 0x86, 0xc1)},
    {Command::SearchDevice, "edit-find", Glyph::Lens, QColor(0x2e, 0x86, 0xc1)},
    {Command::SearchNext, "go-next", Glyph::Right, QColor(0x2e, 0x86, 0xc1)},
    {Command::PrintGraphs, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::PrintDiagram, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::PrintAllGraphs, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::PrintDatabase, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::PrintDatabaseSettings, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::ExportDatabase, "x-office-spreadsheet", Glyph::Sheet, QColor(0x1d, 0x6f, 0x42)},
    {Command::SaveDatabaseText, "text-x-generic", Glyph::Text, QColor(0x60, 0x60, 0x60)},
    {Command::PrintWellReport, "document-print", Glyph::Printer, QColor(0x50, 0x50, 0x50)},
    {Command::Help, "help-contents", Glyph::Question, QColor(0x2e, 0x86, 0xc1)},
    {Command::About, "help-about", Glyph::Info, QColor(0x2e, 0x86, 0xc1)},
    {Command::Exit, "application-exit", Glyph::Door, QColor(0x80, 0x80, 0x80)},
};

// Folders and sheets of paper; false for any other glyph.
bool drawPaperGlyph(QPainter& p, Glyph g, const QColor& c) {
    switch (g) {
    case Glyph::Folder: {
        QPainterPath path;
        path.moveTo(2, 7);
        path.lineTo(9, 7);
        path.lineTo(11, 9);
        path.lineTo(22, 9);
        path.lineTo(22, 20);
        path.lineTo(2, 20);
        path.closeSubpath();
        p.drawPath(path);
        return true;
    }
    case Glyph::Disk:
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 4, 10, 6));
        p.drawRect(QRectF(6, 14, 12, 6));
        return true;
    case Glyph::Text:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 2, 14, 20));
        for (int y = 7; y <= 17; y += 4)
            p.drawLine(QPointF(8, y), QPointF(16, y));
        return true;
    case Glyph::Printer:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(c);
        p.drawRoundedRect(QRectF(3, 9, 18, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 15, 10, 6));
        return true;
    case Glyph::Sheet:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3, 3, 18, 18));
        p.setPen(QPen(c, 1.5));
        for (int v = 9; v < 21; v += 6) {
            p.drawLine(QPointF(v, 3), QPointF(v, 21));
            p.drawLine(QPointF(3, v), QPointF(21, v));
        }
        return true;
    default:
        return false;
    }
}

// Arrows and signs.
void drawSignGlyph(QPainter& p, Glyph g, const QColor& dark) {
    switch (g) {
    case Glyph::ArrowDown:
    case Glyph::ArrowUp: {
        QPolygonF arrow{{9, 3}, {15, 3}, {15, 12}, {20, 12}, {12, 21}, {4, 12}, {9, 12}};
        if (g == Glyph::ArrowUp)
            for (auto& pt : arrow)
                pt.setY(24 - pt.y());
        p.drawPolygon(arrow);
        break;
    }
    case Glyph::Left:
    case Glyph::Right: {
        QPolygonF arrow{{3, 9}, {3, 15}, {12, 15}, {12, 20}, {21, 12}, {12, 4}, {12, 9}};
        if (g == Glyph::Left)
            for (auto& pt : arrow)
                pt.setX(24 - pt.x());
        p.drawPolygon(arrow);
        break;
    }
    case Glyph::Eraser:
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.setPen(QPen(Qt::white, 2.5));
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
        break;
    case Glyph::Base:
        p.drawRect(QRectF(4, 6, 16, 13));
        p.drawEllipse(QRectF(4, 3, 16, 6));
        p.drawArc(QRectF(4, 10, 16, 6), 180 * 16, 180 * 16);
        p.drawEllipse(QRectF(4, 16, 16, 6));
        break;
    case Glyph::Lens:
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(3, 3, 12, 12));
        p.setPen(QPen(dark, 3.5));
        p.drawLine(QPointF(14, 14), QPointF(21, 21));
        break;
    case Glyph::Question:
    case Glyph::Info: {
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(15);
        p.setFont(f);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter,
                   g == Glyph::Question ? QStringLiteral("?") : QStringLiteral("i"));
        break;
    }
    case Glyph::Door:
        p.drawRect(QRectF(5, 3, 12, 18));
        p.setBrush(dark);
        p.drawEllipse(QRectF(13, 11, 2.5, 2.5));
        break;
    default:
        break;
    }
}

void drawGlyph(QPainter& p, Glyph g, const QColor& c) {
    const QColor dark = c.darker(150);
    p.setPen(QPen(dark, 1.5));
    p.setBrush(c);
    if (!drawPaperGlyph(p, g, c)) drawSignGlyph(p, g, dark);
}

QIcon drawnIcon(Glyph g, const QColor& c) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(24 * scale, 24 * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        drawGlyph(p, g, c);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon themedOrDrawn(const char* themeName, Glyph g, const QColor& c) {
    const QString name = QString::fromLatin1(themeName);
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return drawnIcon(g, c);
}

// The station indicator: a plug, green when a station answers, grey and crossed out when not.
QIcon indicatorIcon(bool connected) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = connected ? QColor(0x1f, 0x9a, 0x3b) : QColor(0x90, 0x90, 0x90);
    p.setPen(QPen(c.darker(150), 1.5));
    p.setBrush(c);
    p.drawEllipse(QRectF(3, 3, 18, 18));
    if (!connected) {
        p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 3));
        p.drawLine(QPointF(5, 5), QPointF(19, 19));
    }
    return QIcon(pm);
}

} // namespace

QIcon commandIcon(Command c) {
    for (const auto& i : kIcons)
        if (i.command == c) return themedOrDrawn(i.themeName, i.glyph, i.colour);
    return {};
}

QIcon connectedIcon() {
    if (QIcon::hasThemeIcon(QStringLiteral("network-wired")))
        return QIcon::fromTheme(QStringLiteral("network-wired"));
    return indicatorIcon(true);
}

QIcon disconnectedIcon() {
    if (QIcon::hasThemeIcon(QStringLiteral("network-offline")))
        return QIcon::fromTheme(QStringLiteral("network-offline"));
    return indicatorIcon(false);
}
