// The journal, settings and current-state pages and the file commands, driven through the window.
#include "files/file_commands.h"
#include "journal/bgr_colour.h"
#include "journal/container.h"
#include "journal/journal_decode.h"
#include "journal/journal_delegate.h"
#include "journal/journal_model.h"
#include "journal/journal_page.h"
#include "journal/journal_rows.h"
#include "settings/mask_edit.h"
#include "settings/settings_model.h"
#include "settings/settings_page.h"
#include "state/current_state_page.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "window/main_window.h"
#include "window/page_control.h"
#include "shared/status_panels.h"

#include "journal_samples.h"
#include "modal_boxes.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using vorsan::Command;
using vorsan::ControllerGeneration;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

// A started window with its data in a temporary directory; dialogs answered by the test.
struct Window {
    QTemporaryDir dir;
    MainWindow w;
    QString savePath; // what the save dialog answers ("" cancels)
    QString openPath;
    SaveRequest lastSave;

    explicit Window(const vorsan::CommandLine& cl = {}) : w(cl) {
        w.setDataDir(dir.path());
        w.files().setDialogs({[this](QWidget*, const QString&, const QString&) { return openPath; },
                              [this](QWidget*, const SaveRequest& r) {
                                  lastSave = r;
                                  return savePath;
                              }});
        w.show();
    }
    bool started() {
        return QTest::qWaitFor([this] { return w.state().journalImage != nullptr; });
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    JournalPage* journal() const { return w.views().journalPage(); }
    SettingsPage* settings() const { return w.views().settingsPage(); }
    CurrentStatePage* state() const { return w.views().currentStatePage(); }
};

QString cell(const JournalModel* m, int row, int column) {
    return m->data(m->index(row, column)).toString();
}

std::uint32_t colour(const JournalModel* m, int row, int column) {
    return m->data(m->index(row, column), JournalModel::ColourRole).toUInt();
}

// The settings grid's value text of setting number n (generation 4: row n - 20).
QString valueOf(const SettingsPage* p, int number) {
    const auto* m = p->model();
    return m->data(m->index(number - vorsan::kFirstSettingNumber, 1)).toString();
}

// Draws one journal cell with the delegate; true when some pixel is close to `bgr`.
bool drawsColour(JournalPage* page, int row, int column, bool selected, std::uint32_t bgr) {
    auto* grid = page->grid();
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 400, 16);
    option.font = grid->font();
    option.palette = grid->palette();
    option.palette.setColor(QPalette::Highlight, Qt::black);
    option.palette.setColor(QPalette::Base, Qt::black);
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    QImage image(option.rect.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    grid->itemDelegate()->paint(&painter, option, page->model()->index(row, column));
    painter.end();
    const QColor want = colourFromBgr(bgr);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
                std::abs(c.blue() - want.blue()) < 40)
                return true;
        }
    return false;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void startUpShowsTheGeneration4Catalogue();
    void gen4JournalFileFillsThePages();
    void gridDrawsColoursSpansAndSelection();
    void gen3JournalFileHasElevenColumnsAndMayHoldNoState();
    void maskSettingAcceptsAndRefuses();
    void timeEditorFollowsTheCursor();
    void choiceSettingAndEscape();
    void scrollBarFollowsTheGrid();
    void deletingRowsReencodesTheImage();
    void saveAndReopenJournal();
    void textExportAndSettingsFiles();
    void damagedForeignAndUnreadableFilesChangeNothing();
    void settingsFileFromTheCommandLine();
    void currentStatePageAndStartStopButton();
    void entryPointsForAStationRead();
};

void PagesTest::startUpShowsTheGeneration4Catalogue() {
    Window t;
    QVERIFY(t.started());
    QCOMPARE(t.settings()->model()->rowCount(), 77);
    QCOMPARE(t.settings()->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Наименование параметра"));
    QCOMPARE(t.settings()->model()->data(t.settings()->model()->index(0, 0)).toString(),
             QStringLiteral("21  Номинальное напряжение"));
    QCOMPARE(valueOf(t.settings(), 21), QString());
    QCOMPARE(t.settings()->grid()->columnWidth(0), 540);
    QCOMPARE(t.settings()->grid()->columnWidth(1), 100);
    QCOMPARE(t.journal()->model()->rowCount(), 0);
    QCOMPARE(t.journal()->model()->columnCount(), 15);
    QVERIFY(!t.w.commands().table().enabled(Command::SaveJournal));
    QVERIFY(!t.w.commands().table().enabled(Command::DeleteRow));
    QCOMPARE(t.w.startStopButton()->text(), QStringLiteral("Стоп"));
    QVERIFY(!t.w.startStopButton()->isEnabled());
}

void PagesTest::gen4JournalFileFillsThePages() {
    Window t;
    QVERIFY(t.started());
    int asked = 0;
    t.w.setOilfieldQuestion([&] { ++asked; });
    const QString file = t.path("Куст12_Ск345.VR4");
    QVERIFY(samples::writeJournalFile(file, samples::smallGen4(), G4, samples::runningState()));
    t.openPath = file;
    t.w.commands().action(Command::OpenJournal)->trigger();

    QCOMPARE(t.w.windowTitle(), QStringLiteral("ВОРСАН 4.074 : ") + file);
    QCOMPARE(asked, 1);
    const auto* m = t.journal()->model();
    QCOMPARE(m->rowCount(), 5);
    QCOMPARE(m->columnCount(), 15);
    QCOMPARE(m->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Uab, B"));
    QCOMPARE(m->headerData(12, Qt::Horizontal).toString(), QStringLiteral("T, °С"));
    QCOMPARE(cell(m, 0, 0), QStringLiteral("1"));
    QCOMPARE(cell(m, 0, 1), QStringLiteral("05.03.2024"));
    QCOMPARE(cell(m, 0, 2), QStringLiteral("10:00:00"));
    QCOMPARE(cell(m, 0, 3), QStringLiteral("380"));
    QCOMPARE(cell(m, 0, 6), QStringLiteral("12,3"));
    QCOMPARE(cell(m, 0, 13), QStringLiteral("87"));
    QCOMPARE(cell(m, 1, 3), QStringLiteral("Стоп : недогрузка"));
    QCOMPARE(cell(m, 1, 14), QStringLiteral("Стоп : недогрузка"));
    QCOMPARE(cell(m, 2, 5), QStringLiteral("Пуск : автоматический"));
    QVERIFY(cell(m, 3, 3).startsWith(
        QStringLiteral("Изменение уставки №: 34.Ном.ток двиг.Уст.,   12,50 А  ->  13,00 А")));
    QCOMPARE(cell(m, 4, 13), QStringLiteral("---"));
    QCOMPARE(cell(m, 4, 14), QStringLiteral("Турб.вращ."));
    QCOMPARE(t.w.state().journal.records[4].COS_, 0); // "---" reads as 0

    QCOMPARE(colour(m, 0, 0), vorsan::kColourBlue);
    QCOMPARE(colour(m, 0, 1), vorsan::kColourBlack);
    QCOMPARE(colour(m, 0, 3), vorsan::kColourBlack);
    QCOMPARE(colour(m, 4, 14), vorsan::kColourRed);
    QCOMPARE(colour(m, 1, 7), vorsan::kColourRed);
    QCOMPARE(colour(m, 2, 7), vorsan::kColourGreen);
    QVERIFY(m->data(m->index(1, 3), JournalModel::SpanRole).toBool());
    QVERIFY(!m->data(m->index(1, 2), JournalModel::SpanRole).toBool());
    QVERIFY(!m->data(m->index(0, 5), JournalModel::SpanRole).toBool());
    QVERIFY(m->data(m->index(3, 3), JournalModel::LeftAlignedRole).toBool());
    QVERIFY(!m->data(m->index(1, 3), JournalModel::LeftAlignedRole).toBool());

    // Settings, status, current state, commands.
    QCOMPARE(t.settings()->title(), QStringLiteral("Уставки:  ") + file);
    QCOMPARE(valueOf(t.settings(), 34), QStringLiteral("12,50 А"));
    QCOMPARE(valueOf(t.settings(), 22), QStringLiteral("Блок"));
    QCOMPARE(t.w.status()->well(), QStringLiteral("куст № 12 скважина № 345"));
    QCOMPARE(t.state()->cellText(2, 2), QStringLiteral("Работа"));
    QCOMPARE(t.state()->cellText(3, 2), QStringLiteral("380 B"));
    QCOMPARE(t.state()->cellText(7, 2), QStringLiteral("12,3 A"));
    QCOMPARE(t.state()->cellText(12, 2), QStringLiteral("0,87"));
    QCOMPARE(t.state()->cellText(16, 2), QStringLiteral("05.03.2024    14:07:09"));
    for (Command c : vorsan::kJournalCommands)
        QVERIFY(t.w.commands().table().enabled(c));
    QVERIFY(t.w.state().journalLoaded);

    // The shared buttons follow the page shown.
    t.w.pages()->setCurrentIndex(kSettingsPage);
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::Print), Command::PrintSettings);
    t.w.pages()->setCurrentIndex(kJournalPage);
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::Print), Command::PrintJournal);
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::SaveText), Command::SaveJournalText);
    QVERIFY(t.w.commands().slotAction(CommandSlot::SaveText)->isEnabled());
    QCOMPARE(t.w.status()->well(), QStringLiteral("куст № 12 скважина № 345"));
}

void PagesTest::gridDrawsColoursSpansAndSelection() {
    Window t;
    QVERIFY(t.started());
    const QString file = t.path("j.VR4");
    QVERIFY(samples::writeJournalFile(file, samples::smallGen4(), G4, samples::runningState()));
    QVERIFY(t.w.files().openJournalFile(file));
    auto* page = t.journal();
    auto* grid = page->grid();
    for (int c = 0; c < 14; ++c)
        QCOMPARE(grid->columnWidth(c), vorsan::kJournalColumnWidths[c]);
    QVERIFY(grid->columnWidth(14) >= 54);
    QVERIFY(grid->columnWidth(14) > grid->fontMetrics().horizontalAdvance(QStringLiteral("Турб.вращ.")));
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 16);

    // An event cell lays its text out over columns 3 to the last.
    auto* delegate = qobject_cast<JournalDelegate*>(grid->itemDelegate());
    QVERIFY(delegate);
    for (int column : {3, 7, 14}) {
        const QRect r = delegate->spanRect(grid->visualRect(page->model()->index(1, column)), column);
        QCOMPARE(r.left(), grid->visualRect(page->model()->index(1, 3)).left());
        QCOMPARE(r.right(), grid->visualRect(page->model()->index(1, 14)).right());
    }
    // Red text; selected, its complement cyan. The number column's blue becomes yellow.
    QVERIFY(drawsColour(page, 1, 5, false, vorsan::kColourRed));
    QVERIFY(!drawsColour(page, 1, 5, false, 0xFFFF00));
    QVERIFY(drawsColour(page, 1, 5, true, 0xFFFF00));
    QVERIFY(!drawsColour(page, 1, 5, true, vorsan::kColourRed));
    QVERIFY(drawsColour(page, 2, 5, false, vorsan::kColourGreen));
    QVERIFY(drawsColour(page, 0, 0, true, complementaryBgr(vorsan::kColourBlue)));
    QCOMPARE(complementaryBgr(vorsan::kColourRed), 0xFFFF00u);

    // Rows are selected whole, in a range.
    grid->selectRow(1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 2);
}

void PagesTest::gen3JournalFileHasElevenColumnsAndMayHoldNoState() {
    Window t;
    QVERIFY(t.started());
    t.w.views().showCurrentState(samples::runningState());
    QCOMPARE(t.state()->cellText(3, 2), QStringLiteral("380 B"));
    auto none = samples::runningState();
    none.UAB = none.UBC = none.UCA = 0xFFFF;
    const QString file = t.path("x.VR4"); // the magic decides, not the extension
    QVERIFY(samples::writeJournalFile(file, samples::smallGen3(), G3, none));
    QVERIFY(t.w.files().openJournalFile(file));
    QCOMPARE(t.w.state().journalGeneration, G3);
    QCOMPARE(t.w.state().loadedGeneration, G3);
    const auto* m = t.journal()->model();
    QCOMPARE(m->columnCount(), 11);
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(cell(m, 1, 3), QStringLiteral("Стоп : "));
    QCOMPARE(cell(m, 1, 10), QStringLiteral("Стоп : "));
    QCOMPARE(cell(m, 2, 3), QStringLiteral("Пуск : ручной"));
    QCOMPARE(colour(m, 2, 3), vorsan::kColourGreen);
    QCOMPARE(cell(m, 0, 6), QStringLiteral("12,0"));
    QCOMPARE(t.settings()->model()->rowCount(), 82);
    QCOMPARE(t.settings()->model()->data(t.settings()->model()->index(79, 0)).toString().left(2),
             QStringLiteral("A0"));
    QCOMPARE(t.w.status()->well(), QStringLiteral("куст № 12 скважина № 345"));
    for (int row = 1; row <= 25; ++row)
        QCOMPARE(t.state()->cellText(row, 2), QString());
    QCOMPARE(t.state()->cellText(3, 1), QStringLiteral("Напряжение Uab"));
}

void PagesTest::maskSettingAcceptsAndRefuses() {
    Window t;
    QVERIFY(t.started());
    t.w.showSettings(samples::settingsOf(G4), QStringLiteral("Текущие уставки контроллера"));
    auto* page = t.settings();
    auto* grid = page->grid();
    t.w.pages()->setCurrentIndex(kSettingsPage);
    grid->setCurrentIndex(page->model()->index(34 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* edit = qobject_cast<MaskEdit*>(page->editor());
    QVERIFY(edit);
    QCOMPARE(page->editorRow(), 34 - 20);
    QCOMPARE(edit->geometry(), grid->visualRect(page->model()->index(13, 1)).adjusted(-1, -1, 1, 1));
    QTest::keyClicks(edit, "12.5");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!page->editor());
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 125);

    grid->setCurrentIndex(page->model()->index(34 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    edit = qobject_cast<MaskEdit*>(page->editor());
    QVERIFY(edit);
    QTest::keyClicks(edit, "13,5");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 135);
    QCOMPARE(valueOf(page, 34), QStringLiteral("13,50 А"));

    // 999 А is above the limit: refused with the message, the value stays.
    ModalBoxes boxes;
    grid->setCurrentIndex(page->model()->index(34 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Enter);
    QTest::keyClicks(page->editor(), "999");
    QTest::keyClick(page->editor(), Qt::Key_Return);
    QCOMPARE(boxes.captions, QStringList{QStringLiteral("Ошибка")});
    QCOMPARE(boxes.texts.value(0),
             QStringLiteral("Введено неправильное значение\nДолжно быть не менее 0,1А и не более 100А"));
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 135);
    QCOMPARE(valueOf(page, 34), QStringLiteral("13,50 А"));

    // Not a number.
    grid->setCurrentIndex(page->model()->index(34 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClicks(page->editor(), "1x");
    QTest::keyClick(page->editor(), Qt::Key_Return);
    QCOMPARE(boxes.captions.size(), 2);
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 135);

    // Double-click opens the editor too; a "9" mask takes digits only.
    const QRect r = grid->visualRect(page->model()->index(0, 1));
    grid->setCurrentIndex(page->model()->index(0, 0));
    // The item view takes a double click only after the press that precedes it.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    edit = qobject_cast<MaskEdit*>(page->editor());
    QVERIFY(edit);
    QTest::keyClicks(edit, "4a0b0");
    QCOMPARE(edit->text(), QStringLiteral("400"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->displayText(), QStringLiteral("40 "));
    QTest::keyClicks(edit, "5");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(t.w.state().catalogue.byNumber(21)->value, 405);
    QCOMPARE(boxes.captions.size(), 2);
}

namespace {

// Clicks into a line edit so that its cursor stands before character `position`.
void clickAt(QLineEdit* edit, int position) {
    for (int x = 0; x < edit->width(); ++x) {
        const QPoint p(x, edit->height() / 2);
        if (edit->cursorPositionAt(p) == position) {
            QTest::mouseClick(edit, Qt::LeftButton, {}, p);
            return;
        }
    }
    QFAIL("no such position");
}

} // namespace

void PagesTest::timeEditorFollowsTheCursor() {
    Window t;
    QVERIFY(t.started());
    t.w.showSettings(samples::settingsOf(G4), QStringLiteral("Текущие уставки контроллера"));
    t.w.pages()->setCurrentIndex(kSettingsPage);
    auto* page = t.settings();
    const int row = 73 - 21; // "Период записи хронологии событий", 1 to 5999 minutes
    ModalBoxes boxes;
    struct Case {
        const char* what;
        std::function<void(QLineEdit*)> keys;
        QString shown;
        int stored; // -1: refused
    };
    const std::vector<Case> cases = {
        {"1, a click into the minutes, 30", [](QLineEdit* e) {
             QTest::keyClicks(e, "1");
             clickAt(e, 3);
             QTest::keyClicks(e, "30");
         }, QStringLiteral("1 ч30мин"), 90},
        {"12, Home, 0: the digit under the cursor is replaced", [](QLineEdit* e) {
             QTest::keyClicks(e, "12");
             QTest::keyClick(e, Qt::Key_Home);
             QTest::keyClicks(e, "0");
         }, QStringLiteral("02ч  мин"), 120},
        {"0130, End, Left, 5, then four to the left (4, 3, over the ч to 1, 0), 2", [](QLineEdit* e) {
             QTest::keyClicks(e, "0130");
             QTest::keyClick(e, Qt::Key_End); // behind the last digit
             QTest::keyClick(e, Qt::Key_Left);
             QTest::keyClicks(e, "5");
             for (int i = 0; i < 4; ++i)
                 QTest::keyClick(e, Qt::Key_Left);
             QTest::keyClicks(e, "2");
         }, QStringLiteral("21ч35мин"), 21 * 60 + 35},
        {"nothing typed: 0 is below the limit", [](QLineEdit*) {}, QStringLiteral("  ч  мин"), -1},
    };
    for (const Case& c : cases) {
        const std::uint16_t before = t.w.state().catalogue.byNumber(73)->value;
        page->grid()->setCurrentIndex(page->model()->index(row, 0));
        QTest::keyClick(page->grid(), Qt::Key_Return);
        auto* edit = qobject_cast<MaskEdit*>(page->editor());
        QVERIFY2(edit, c.what);
        c.keys(edit);
        QCOMPARE(edit->displayText(), c.shown);
        QTest::keyClick(edit, Qt::Key_Return);
        if (c.stored >= 0) {
            QVERIFY2(boxes.texts.isEmpty(), c.what);
            QCOMPARE(t.w.state().catalogue.byNumber(73)->value, std::uint16_t(c.stored));
        } else {
            QCOMPARE(boxes.texts,
                     QStringList{QStringLiteral("Введено неправильное значение\nДолжно быть не менее 1мин. и "
                                                "не более 5999мин.")});
            QCOMPARE(t.w.state().catalogue.byNumber(73)->value, before);
        }
    }
}

void PagesTest::choiceSettingAndEscape() {
    Window t;
    QVERIFY(t.started());
    t.w.showSettings(samples::settingsOf(G4));
    auto* page = t.settings();
    auto* grid = page->grid();
    t.w.pages()->setCurrentIndex(kSettingsPage);
    grid->setCurrentIndex(page->model()->index(22 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    auto* combo = qobject_cast<QComboBox*>(page->editor());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentIndex(), 1);
    combo->setCurrentIndex(2);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(t.w.state().catalogue.byNumber(22)->value, 2);
    QCOMPARE(valueOf(page, 22), QStringLiteral("АПВ"));

    // Escape leaves the value and shows nothing.
    ModalBoxes boxes;
    grid->setCurrentIndex(page->model()->index(22 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    combo = qobject_cast<QComboBox*>(page->editor());
    QVERIFY(combo);
    combo->setCurrentIndex(0);
    QTest::keyClick(combo, Qt::Key_Escape);
    QVERIFY(!page->editor());
    QCOMPARE(t.w.state().catalogue.byNumber(22)->value, 2);

    grid->setCurrentIndex(page->model()->index(34 - 21, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClicks(page->editor(), "50");
    QTest::keyClick(page->editor(), Qt::Key_Escape);
    QVERIFY(!page->editor());
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 125);

    // Choosing another row discards an open editor.
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClicks(page->editor(), "50");
    grid->setCurrentIndex(page->model()->index(0, 0));
    QVERIFY(!page->editor());
    QCOMPARE(t.w.state().catalogue.byNumber(34)->value, 125);
    QVERIFY(boxes.captions.isEmpty());

    // A stored choice beyond its list: the message while showing, the cell keeps its text.
    auto odd = samples::settingsOf(G4);
    odd.byNumber(22)->value = 3;
    t.w.showSettings(odd);
    QCOMPARE(boxes.captions, QStringList{QStringLiteral("Error")});
    QCOMPARE(boxes.texts.value(0), QStringLiteral("Ошибка, уставка выходит за допустимые значения"));
    QCOMPARE(valueOf(page, 22), QString());
    QCOMPARE(valueOf(page, 34), QStringLiteral("12,50 А"));
}

void PagesTest::scrollBarFollowsTheGrid() {
    Window t;
    QVERIFY(t.started());
    auto* page = t.settings();
    t.w.pages()->setCurrentIndex(kSettingsPage);
    auto* bar = page->scrollBar();
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 81);
    QCOMPARE(bar->pageStep(), 15);
    QCOMPARE(bar->value(), 1);
    bar->setValue(30);
    QCOMPARE(page->grid()->rowAt(0) + 1, 30);
    QVERIFY(page->grid()->currentIndex().row() + 1 >= 30);
    page->grid()->setCurrentIndex(page->model()->index(0, 0));
    page->grid()->scrollTo(page->model()->index(0, 0));
    QCOMPARE(bar->value(), 1);
}

void PagesTest::deletingRowsReencodesTheImage() {
    Window t;
    QVERIFY(t.started());
    const QString file = t.path("j.VR4");
    QVERIFY(samples::writeJournalFile(file, samples::smallGen4(), G4, samples::runningState()));
    QVERIFY(t.w.files().openJournalFile(file));
    const auto before = vorsan::decodeJournal(*t.w.state().journalImage, G4).journal;
    auto* grid = t.journal()->grid();

    ModalBoxes boxes(QMessageBox::Cancel);
    grid->selectRow(1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    t.w.commands().action(Command::DeleteRow)->trigger();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("Удалить выделенные строки?")});
    QCOMPARE(boxes.captions, QStringList{QStringLiteral("Внимание")});
    QCOMPARE(t.journal()->model()->rowCount(), 5);

    boxes.setAnswer(QMessageBox::Ok);
    int asked = 0;
    t.w.setOilfieldQuestion([&] { ++asked; });
    t.w.commands().action(Command::DeleteRow)->trigger();
    QCOMPARE(t.journal()->model()->rowCount(), 3);
    const auto after = vorsan::decodeJournal(*t.w.state().journalImage, G4).journal;
    QCOMPARE(after.count(), 3u);
    QVERIFY(after.records[0] == before.records[0]);
    QVERIFY(after.records[1] == before.records[3]);
    // The measurement without power factor keeps 255 in the image (the grid shows "---").
    QVERIFY(after.records[2] == before.records[4]);
    QCOMPARE(after.records[2].COS_, vorsan::kNoPowerFactor);
    QCOMPARE(t.w.state().journal.count(), 3u);
    QCOMPARE(t.w.state().journalRows.size(), 3u);
    QVERIFY(cell(t.journal()->model(), 1, 3).startsWith(QStringLiteral("Изменение уставки")));
    QCOMPARE(cell(t.journal()->model(), 2, 13), QStringLiteral("---"));
    QCOMPARE(asked, 0);

    // Generation 3, with no station known and with another station on the line (pad 77, well 88
    // from the probe): the image keeps its own pad and well, never the line's.
    for (const auto& [linePad, lineWell] : {std::pair{vorsan::kUnknown16, vorsan::kUnknown16},
                                           std::pair{std::uint16_t(77), std::uint16_t(88)}}) {
        QVERIFY(samples::writeJournalFile(t.path("g3.pr"), samples::smallGen3(), G3, samples::runningState()));
        QVERIFY(t.w.files().openJournalFile(t.path("g3.pr")));
        t.w.state().pad = linePad;
        t.w.state().well = lineWell;
        t.journal()->deleteRecords(2, 2);
        const auto g3 = vorsan::decodeJournal(*t.w.state().journalImage, G3);
        QCOMPARE(g3.journal.count(), 2u);
        QCOMPARE(g3.padNumber, 12);
        QCOMPARE(g3.wellNumber, 345);
        QCOMPARE(t.journal()->model()->rowCount(), 2);
        QCOMPARE(cell(t.journal()->model(), 1, 3), QStringLiteral("Пуск : ручной"));
    }
}

void PagesTest::saveAndReopenJournal() {
    Window t;
    QVERIFY(t.started());
    const QString file = t.path("j.VR4");
    QVERIFY(samples::writeJournalFile(file, samples::smallGen4(), G4, samples::runningState()));
    QVERIFY(t.w.files().openJournalFile(file));
    t.w.state().catalogue.byNumber(21)->value = 400; // an edit travels with the journal

    t.savePath.clear();
    t.w.commands().action(Command::SaveJournal)->trigger(); // cancelled
    QCOMPARE(t.lastSave.title, QStringLiteral("Сохранение журнала в файл"));
    QCOMPARE(t.lastSave.proposedName, QStringLiteral("Куст12_Ск345"));
    QCOMPARE(t.lastSave.selectedFilter, 0);
    QCOMPARE(t.lastSave.filters.value(1), QStringLiteral("Файл журнала  *.pr (*.pr)"));

    t.savePath = t.path("again.VR4");
    t.w.commands().action(Command::SaveJournal)->trigger();
    QVERIFY(QFileInfo(t.savePath).size() == 33306);
    const auto journal = t.w.state().journal;
    const auto image = *t.w.state().journalImage;

    Window u;
    QVERIFY(u.started());
    QVERIFY(u.w.files().openJournalFile(t.savePath));
    QVERIFY(*u.w.state().journalImage == image);
    QVERIFY(u.w.state().journal == journal);
    QCOMPARE(u.w.state().catalogue.byNumber(21)->value, 400);
    QCOMPARE(u.w.state().currentState.IA, 123);
    QCOMPARE(u.journal()->model()->rowCount(), 5);
}

void PagesTest::textExportAndSettingsFiles() {
    Window t;
    QVERIFY(t.started());
    // Nothing to save right after start-up.
    {
        ModalBoxes boxes;
        t.savePath = t.path("never.us4");
        t.w.commands().action(Command::SaveSettingsFile)->trigger();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("Уставки не содержат ни одного значения")});
        QCOMPARE(boxes.captions, QStringList{QStringLiteral("Ошибка")});
        QVERIFY(!QFileInfo::exists(t.savePath));
    }
    const QString file = t.path("j.VR4");
    QVERIFY(samples::writeJournalFile(file, samples::smallGen4(), G4, samples::runningState()));
    QVERIFY(t.w.files().openJournalFile(file));

    t.savePath = t.path("j.txt");
    t.w.commands().slotAction(CommandSlot::SaveText)->trigger();
    QCOMPARE(t.lastSave.title, QStringLiteral("Сохранение журнала в текстовый файл"));
    QFile text(t.savePath);
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QByteArray bytes = text.readAll();
    QVERIFY(bytes.startsWith("      "));
    QCOMPARE(bytes.count("\r\n"), 10);

    t.savePath = t.path("s.us4");
    t.w.commands().action(Command::SaveSettingsFile)->trigger();
    QCOMPARE(QFileInfo(t.savePath).size(), 538);
    QCOMPARE(t.lastSave.proposedName, QStringLiteral("Куст12_Ск345"));
    QCOMPARE(t.lastSave.selectedFilter, 0);

    Window u;
    QVERIFY(u.started());
    u.openPath = t.savePath;
    u.w.commands().action(Command::LoadSettingsFile)->trigger();
    QCOMPARE(u.w.pages()->currentIndex(), int(kSettingsPage));
    QCOMPARE(u.settings()->title(), QStringLiteral("Уставки:  ") + t.savePath);
    QCOMPARE(valueOf(u.settings(), 34), QStringLiteral("12,50 А"));
    QCOMPARE(u.w.status()->well(), QStringLiteral("куст № 12 скважина № 345"));
    QCOMPARE(u.state()->cellText(3, 2), QStringLiteral("380 B"));
    QVERIFY(!u.w.state().journalLoaded);
}

void PagesTest::damagedForeignAndUnreadableFilesChangeNothing() {
    Window t;
    QVERIFY(t.started());
    ModalBoxes boxes(QMessageBox::No);
    const QString missing = t.path("missing.VR4");
    QVERIFY(!t.w.files().openJournalFile(missing));
    QCOMPARE(boxes.captions, QStringList{QStringLiteral("Ошибка")});
    QVERIFY(boxes.texts.value(0).startsWith(missing + "\n"));
    QVERIFY(boxes.texts.value(0).size() > missing.size() + 2);

    auto bytes = vorsan::journalFileBytes(G4, samples::imageOf(samples::smallGen4(), G4),
                                          samples::settingsOf(G4), samples::runningState());
    auto foreign = bytes;
    foreign[0] = 0x12;
    QVERIFY(samples::writeFile(t.path("f.VR4"), foreign));
    QVERIFY(!t.w.files().openJournalFile(t.path("f.VR4")));
    QCOMPARE(boxes.texts.value(1), QStringLiteral("Файл неправильный, продолжить?"));
    QCOMPARE(boxes.captions.value(1), QStringLiteral("Внимание!"));

    auto damaged = bytes;
    damaged[12] -= 1; // data length one short of the total
    QVERIFY(samples::writeFile(t.path("d.VR4"), damaged));
    QVERIFY(!t.w.files().openJournalFile(t.path("d.VR4")));
    QCOMPARE(boxes.texts.value(2), QStringLiteral("Файл поврежден, открытие невозможно."));
    QCOMPARE(boxes.captions.value(2), QStringLiteral("Ошибка"));

    QVERIFY(!t.w.files().loadSettingsFile(missing));
    QCOMPARE(boxes.captions.size(), 4);

    QCOMPARE(t.w.windowTitle(), kMainCaption);
    QVERIFY(!t.w.state().journalLoaded);
    QCOMPARE(t.journal()->model()->rowCount(), 0);
    // The settings title named the file before it was read, and keeps naming it after the refusal;
    // the settings themselves stay as they were.
    QCOMPARE(t.settings()->title(), QStringLiteral("Уставки:  ") + QDir::toNativeSeparators(missing));
    QCOMPARE(t.w.state().catalogue.size(), std::size_t{77});
    QVERIFY(!t.w.commands().table().enabled(Command::SaveJournal));

    // A foreign file answered Yes is read with the generation loaded before (4).
    boxes.setAnswer(QMessageBox::Yes);
    QVERIFY(t.w.files().openJournalFile(t.path("f.VR4")));
    QCOMPARE(t.journal()->model()->rowCount(), 5);

    // An unwritable target reports the system's reason.
    t.savePath = t.path("no/such/dir/x.VR4");
    t.w.commands().action(Command::SaveJournal)->trigger();
    QCOMPARE(boxes.captions.size(), 6);
    QVERIFY(boxes.texts.value(5).startsWith(t.savePath));
}

void PagesTest::settingsFileFromTheCommandLine() {
    QTemporaryDir dir;
    const QString file = dir.filePath("Куст12_Ск345.us4");
    const auto block = vorsan::fileParameterBlock(samples::settingsOf(G4), samples::runningState());
    QVERIFY(samples::writeFile(file, vorsan::writeContainer(G4, {}, block)));
    Window t(vorsan::parseCommandLine({file.toStdString()}));
    QVERIFY(t.started());
    QTRY_COMPARE(t.settings()->title(), QStringLiteral("Уставки:  ") + file);
    QCOMPARE(t.w.pages()->currentIndex(), int(kSettingsPage));
    QCOMPARE(valueOf(t.settings(), 34), QStringLiteral("12,50 А"));
    QCOMPARE(valueOf(t.settings(), 21), QStringLiteral("380 В"));
    QCOMPARE(t.state()->cellText(2, 2), QStringLiteral("Работа"));
    QVERIFY(t.w.state().pendingFile.isEmpty());

    // A journal file named on the command line opens without the oilfield question.
    const QString journal = dir.filePath("j.VR4");
    QVERIFY(samples::writeJournalFile(journal, samples::smallGen4(), G4, samples::runningState()));
    MainWindow w(vorsan::parseCommandLine({journal.toStdString()}));
    int asked = 0;
    w.setOilfieldQuestion([&] { ++asked; });
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(w.state().journalLoaded);
    QCOMPARE(w.windowTitle(), QStringLiteral("ВОРСАН 4.074 : ") + journal);
    QCOMPARE(asked, 0);
}

void PagesTest::currentStatePageAndStartStopButton() {
    Window t;
    QVERIFY(t.started());
    t.w.pages()->setCurrentIndex(kCurrentStatePage);
    auto* page = t.state();
    auto* grid = page->grid();
    QCOMPARE(grid->model()->rowCount(), 26);
    QCOMPARE(grid->columnWidth(0), 25);
    QCOMPARE(grid->columnWidth(1), 250);
    QCOMPARE(grid->columnWidth(2), 350);
    QCOMPARE(page->cellText(2, 0), QStringLiteral("00"));
    QCOMPARE(page->cellText(21, 0), QStringLiteral("19"));
    QCOMPARE(page->cellText(1, 1), QStringLiteral("Причина последнего стопа"));
    QCOMPARE(page->cellText(25, 1), QStringLiteral("Рестарты по другим причинам"));
    auto* button = t.w.startStopButton();
    // The button sits inside the value cell of row 0, clear of the frame and the rules, 3 pixels
    // right of the grid's left edge plus columns 0 and 1.
    const QRect cell = grid->visualRect(grid->model()->index(0, 2));
    const QRect placed(button->mapTo(grid->viewport(), QPoint(0, 0)), button->size());
    QVERIFY2(cell.contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y())
                                                   .arg(placed.width()).arg(placed.height())));
    QCOMPARE(button->mapTo(grid, QPoint(0, 0)).x(), 25 + 250 + 3);
    QCOMPARE(button->size(), QSize(50, 16));
    QCOMPARE(button->toolTip(), QStringLiteral("Дистанционный запуск (останов)"));

    auto stopped = samples::runningState();
    stopped.status = 0x0002 | (3u << 6); // stopped by underload, blocked, switch off
    t.w.showCurrentState(stopped);
    QCOMPARE(button->text(), QStringLiteral("Пуск"));
    QCOMPARE(page->cellText(1, 2), QStringLiteral("Стоп, недогрузка"));
    QCOMPARE(page->cellText(2, 2), QStringLiteral("БЛОК, переключатель Откл."));
    t.w.showCurrentState(samples::runningState());
    QCOMPARE(button->text(), QStringLiteral("Стоп"));
    QCOMPARE(page->cellText(1, 2), QString());
    QCOMPARE(t.w.state().currentState, samples::runningState());
}

void PagesTest::entryPointsForAStationRead() {
    Window t;
    QVERIFY(t.started());
    int asked = 0;
    t.w.setOilfieldQuestion([&] { ++asked; });
    t.w.pages()->setCurrentIndex(kSettingsPage);
    t.w.showJournal(G4, samples::imageOf(samples::smallGen4(), G4), samples::settingsOf(G4),
                    samples::runningState());
    QCOMPARE(t.w.windowTitle(), kJournalReadCaption);
    QCOMPARE(t.w.pages()->currentIndex(), int(kJournalPage));
    QCOMPARE(t.journal()->model()->rowCount(), 5);
    QCOMPARE(t.settings()->title(), kControllerSettingsTitle);
    QCOMPARE(valueOf(t.settings(), 34), QStringLiteral("12,50 А"));
    QCOMPARE(t.state()->cellText(2, 2), QStringLiteral("Работа"));
    QCOMPARE(asked, 1);
    QVERIFY(t.w.commands().table().enabled(Command::ShowDiagrams));

    t.w.showJournal(G3, samples::imageOf(samples::smallGen3(), G3), std::nullopt, std::nullopt);
    QCOMPARE(t.journal()->model()->columnCount(), 11);
    QCOMPARE(asked, 2);
}

QTEST_MAIN(PagesTest)
#include "pages_test.moc"
