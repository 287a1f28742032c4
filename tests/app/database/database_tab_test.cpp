// The database tab, its tree and pages, and its three dialogs, driven through the real window
// over a database prepared in a temporary directory.
#include "database/add_to_database_dialog.h"
#include "database/database_commands.h"
#include "database/database_page.h"
#include "database/find_well_dialog.h"
#include "database/open_well_dialog.h"
#include "dialogs/progress_window.h"
#include "print/print_dialog.h"
#include "files/file_dialogs.h"
#include "charts/chart_source.h"
#include "charts/diagrams_page.h"
#include "journal/journal_model.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "shared/status_panels.h"
#include "window/main_window.h"
#include "window/page_control.h"

#include "modal_boxes.h"

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <tuple>

using vorsan::Command;
using vorsan::ControllerGeneration;
using vorsan::wells::WellDatabase;
using vorsan::wells::WellId;

namespace {

vorsan::JournalRecord record(int day, int minute, int seed) {
    vorsan::JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = std::uint8_t(day);
    r.hour = std::uint8_t(minute / 60);
    r.minute = std::uint8_t(minute % 60);
    r.SOBYTIE = 255;
    r.UAB = std::uint16_t(380 + seed % 50);
    r.UBC = 381;
    r.UCA = 379;
    r.IA = 12.5;
    r.IB = 12.4;
    r.IC = 12.6;
    r.ZAGR = 55;
    r.SOP = 65535;
    r.COS_ = 255;
    r.P = 12;
    r.T = 80;
    r.EXT_ZAP = 1;
    return r;
}

// Measurements a minute apart from minute `first`.
vorsan::Journal minutes(int first, int count) {
    vorsan::Journal j;
    for (int m = first; m < first + count; ++m)
        j.records.push_back(record(1, m, m));
    return j;
}

vorsan::SettingsSet settingsFor(ControllerGeneration g, std::uint16_t pad, std::uint16_t well) {
    vorsan::SettingsSet s(vorsan::settingCount(g), 0);
    const bool g4 = g == ControllerGeneration::Gen4;
    s[std::size_t((g4 ? vorsan::kGen4PadNumber : vorsan::kGen3PadNumber) - vorsan::kFirstSettingNumber)] = pad;
    s[std::size_t((g4 ? vorsan::kGen4WellNumber : vorsan::kGen3WellNumber) - vorsan::kFirstSettingNumber)] = well;
    return s;
}

struct Well {
    std::string field;
    std::uint16_t pad, well;
    ControllerGeneration generation = ControllerGeneration::Gen4;
};

// Fills the database in `dir`/bd before the window opens it.
void prepare(const QTemporaryDir& dir, const std::vector<Well>& wells) {
    vorsan::wells::Outcome o;
    auto db = WellDatabase::open(QDir(dir.path()).filePath("bd").toStdString(), ',', o);
    QVERIFY2(db, o.message.c_str());
    const auto j = minutes(0, 5);
    for (const auto& w : wells)
        QVERIFY(db->addJournal(w.field, {&j, w.generation, settingsFor(w.generation, w.pad, w.well)}).ok);
}

struct Window {
    QTemporaryDir dir;
    MainWindow w;
    explicit Window(const std::vector<Well>& wells = {}, const vorsan::CommandLine& commandLine = {})
        : w(commandLine) {
        prepare(dir, wells);
        w.setDataDir(dir.path());
        w.show();
        QTRY_VERIFY(w.state().database != nullptr);
    }
    DatabaseCommands& db() { return w.database(); }
    DatabasePage* page() { return db().page(); }
    QTreeWidget* tree() { return page()->tree(); }
    bool settle() {
        // The operations run off the window's thread; their results arrive through the event loop.
        for (int i = 0; i < 2000 && !db().idle(); ++i)
            QTest::qWait(10);
        QTest::qWait(20);
        return db().idle();
    }
    void showTab() {
        w.pages()->setCurrentIndex(kDatabasePage);
        QVERIFY(settle());
    }
    const DatabaseWellData& shown() { return *w.commands().dataSource().databaseWell(); }
    // A journal as if just read from a station of `pad`/`well`.
    void obtain(const vorsan::Journal& j, std::uint16_t pad, std::uint16_t well) {
        auto& s = w.state();
        s.journal = j;
        s.journalGeneration = ControllerGeneration::Gen4;
        s.catalogue = vorsan::buildCatalogue(ControllerGeneration::Gen4);
        vorsan::assignSettingsSet(s.catalogue, settingsFor(ControllerGeneration::Gen4, pad, well));
    }
    // A click whose loading is left running (the result arrives through the event loop).
    void press(QTreeWidgetItem* item) {
        tree()->expandAll();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(item).center());
    }
    void click(QTreeWidgetItem* item) {
        press(item);
        QVERIFY(settle());
    }
    QTreeWidgetItem* find(const QString& text) {
        const auto found = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    uint colour(int row, int column) {
        return page()->journalModel()->index(row, column).data(JournalModel::ColourRole).toUInt();
    }
};

QStringList childTexts(const QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out << item->child(i)->text(0);
    return out;
}

} // namespace

class DatabaseTabTest : public QObject {
    Q_OBJECT
private slots:
    void emptyDatabaseShowsOnlyTheRoot();
    void treeOfTwoOilfieldsAndNodesThatLoadNothing();
    void addedRowsAreBlueUntilShownAgain();
    void deletingRowsAndAddingAgain();
    void deletingAWell();
    void aLaterChoiceWins();
    void aClickKeepsAQueuedAddition();
    void printingTheShownWell();
    void diagramsCoverTheGridSelection();
    void settingsNumbering();
    void openWellDialogLines();
    void findWellPrefixes();
    void questionYesNeedsAnOilfieldAndNoAddsNothing();
    void oilfieldOnlyMode();
    void wellFileBetweenTwoInstallations();
    void archiveBetweenTwoInstallations();
};

void DatabaseTabTest::emptyDatabaseShowsOnlyTheRoot() {
    Window t;
    t.showTab();
    QCOMPARE(t.tree()->topLevelItemCount(), 1);
    QCOMPARE(t.tree()->topLevelItem(0)->text(0), QStringLiteral("База данных"));
    QCOMPARE(t.tree()->currentItem(), t.tree()->topLevelItem(0));
    QCOMPARE(t.w.pages()->tabText(kDiagramsPage), QStringLiteral("Диаграммы по базе данных"));
    QCOMPARE(t.w.pages()->tabText(kGraphPage), QStringLiteral("Графики по базе данных"));
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::SaveText), Command::SaveDatabaseText);
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::Print), Command::PrintDatabase);
    QVERIFY(t.w.commands().dataSource().kind() == DataKind::DatabaseWell);
    ModalBoxes boxes;
    t.w.commands().action(Command::OpenDatabase)->trigger();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("Нет данных ")});
    t.w.pages()->setCurrentIndex(kJournalPage);
    QVERIFY(t.w.commands().dataSource().kind() == DataKind::Window);
    QCOMPARE(t.w.pages()->tabText(kDiagramsPage), QStringLiteral("Диаграммы"));
}

void DatabaseTabTest::treeOfTwoOilfieldsAndNodesThatLoadNothing() {
    Window t({{"Новое", 1, 11}, {"Новое", 1, 12}, {"Новое", 2, 21}, {"Новое", 2, 22},
              {"Старое", 3, 31}, {"Старое", 3, 32}, {"Старое", 4, 41}, {"Старое", 4, 42}});
    t.showTab();
    QCOMPARE(t.tree()->topLevelItemCount(), 3);
    QCOMPARE(t.tree()->topLevelItem(1)->text(0), QStringLiteral("М. Новое"));
    QCOMPARE(t.tree()->topLevelItem(2)->text(0), QStringLiteral("М. Старое"));
    QCOMPARE(childTexts(t.tree()->topLevelItem(1)), (QStringList{"Куст 1", "Куст 2"}));
    QCOMPARE(childTexts(t.tree()->topLevelItem(2)->child(1)), (QStringList{"Скважина 41", "Скважина 42"}));
    // No current well: the root stays selected and nothing was loaded while building.
    QCOMPARE(t.tree()->currentItem(), t.tree()->topLevelItem(0));
    QVERIFY(!t.shown().well);
    // Pad and oilfield nodes load nothing and leave the well commands off.
    for (const char* n : {"Куст 2", "М. Старое"}) {
        t.click(t.find(QString::fromUtf8(n)));
        QVERIFY(!t.shown().well);
        QVERIFY(!t.w.commands().table().enabled(Command::SaveWellToFile));
        QVERIFY(!t.w.commands().table().enabled(Command::DeleteWell));
    }
    t.click(t.find(QStringLiteral("Скважина 32")));
    QCOMPARE(t.shown().well.value_or(WellId{}), (WellId{"Старое", 3, 32}));
    QVERIFY(t.w.commands().table().enabled(Command::SaveWellToFile));
    QVERIFY(t.w.commands().table().enabled(Command::DeleteWell));
    QCOMPARE(t.page()->journalModel()->rowCount(), 5);
    // The diagrams draw the well shown.
    t.w.commands().action(Command::ShowDatabaseDiagrams)->trigger();
    QCOMPARE(t.w.pages()->currentIndex(), int(kDiagramsPage));
    QTRY_VERIFY(t.w.pages()->chartSource()->database());
    QCOMPARE(t.w.pages()->chartSource()->records().size(), std::size_t(5));
    QCOMPARE(t.w.pages()->tabText(kDiagramsPage), QStringLiteral("Диаграммы по базе данных"));
    t.showTab();
    // Shown again, the tab selects the current well without loading it anew.
    t.w.pages()->setCurrentIndex(kJournalPage);
    QVERIFY(!t.w.commands().table().enabled(Command::DeleteWell));
    t.showTab();
    QCOMPARE(t.tree()->currentItem()->text(0), QStringLiteral("Скважина 32"));
    QCOMPARE(t.tree()->currentItem()->parent()->text(0), QStringLiteral("Куст 3"));
}

void DatabaseTabTest::addedRowsAreBlueUntilShownAgain() {
    Window t({{"Новое", 12, 345}, {"Новое", 12, 346}});
    t.obtain(minutes(3, 4), 12, 345); // rows 3 and 4 are there already, 5 and 6 are new
    t.db().addJournal(QStringLiteral("Новое"));
    QVERIFY(t.settle());
    QCOMPARE(t.w.pages()->currentIndex(), int(kDatabasePage));
    QCOMPARE(t.tree()->currentItem()->text(0), QStringLiteral("Скважина 345"));
    QCOMPARE(t.page()->journalModel()->rowCount(), 7);
    for (int row = 0; row < 7; ++row) {
        const uint expected = row >= 3 ? vorsan::kColourBlue : vorsan::kColourBlack;
        QCOMPARE(t.colour(row, 1), expected);
        QCOMPARE(t.colour(row, 2), expected);
        QCOMPARE(t.colour(row, 3), expected);
        QCOMPARE(t.colour(row, 0), uint(vorsan::kColourBlue));
        QCOMPARE(t.colour(row, 14), uint(vorsan::kCauseColumnColour));
    }
    QCOMPARE(t.page()->journalGrid()->currentIndex().row(), 6);
    QVERIFY(t.page()->settingsTitle()->text().startsWith(QStringLiteral("Уставки по кусту: 12,  скважине 345 на: 01.03.2024")));
    QCOMPARE(t.w.status()->well(), QStringLiteral("куст № 12 скважина № 345"));
    // The adding cleared the tree-click flag: the first click after it only sets it.
    t.click(t.find(QStringLiteral("Скважина 346")));
    t.click(t.find(QStringLiteral("Скважина 345")));
    QCOMPARE(t.shown().well.value_or(WellId{}), (WellId{"Новое", 12, 345}));
    for (int row = 0; row < 7; ++row)
        QCOMPARE(t.colour(row, 1), uint(vorsan::kColourBlack));
}

void DatabaseTabTest::deletingRowsAndAddingAgain() {
    Window t({{"Новое", 1, 1}});
    t.obtain(minutes(0, 5), 1, 1);
    t.db().addJournal(QStringLiteral("Новое"));
    QVERIFY(t.settle());
    auto* grid = t.page()->journalGrid();
    grid->selectionModel()->clearSelection();
    grid->selectRow(1);
    grid->selectionModel()->select(t.page()->journalModel()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    {
        ModalBoxes boxes(QMessageBox::Cancel);
        t.w.commands().action(Command::DeleteDatabaseRows)->trigger();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("Удалить выделенные строки?")});
    }
    QCOMPARE(t.page()->journalModel()->rowCount(), 5);
    {
        ModalBoxes boxes(QMessageBox::Ok);
        t.w.commands().action(Command::DeleteDatabaseRows)->trigger();
        QVERIFY(t.settle());
    }
    QCOMPARE(t.page()->journalModel()->rowCount(), 3);
    QCOMPARE(t.shown().journal.journal.records[1].minute, std::uint8_t(2));
    t.db().addJournal(QStringLiteral("Новое"));
    QVERIFY(t.settle());
    QCOMPARE(t.page()->journalModel()->rowCount(), 5);
}

void DatabaseTabTest::deletingAWell() {
    Window t({{"Новое", 1, 1}, {"Новое", 1, 2}});
    t.showTab();
    t.click(t.find(QStringLiteral("Скважина 2")));
    {
        ModalBoxes boxes(QMessageBox::Ok);
        t.w.commands().action(Command::DeleteWell)->trigger();
        QVERIFY(t.settle());
        QCOMPARE(boxes.texts,
                 QStringList{QStringLiteral("Вы действительно хотите удалить всю информацию по данной скважине?")});
    }
    QVERIFY(!t.find(QStringLiteral("Скважина 2")));
    QVERIFY(t.find(QStringLiteral("Скважина 1")));
    QCOMPARE(t.page()->journalModel()->rowCount(), 0);
    // The table's files stay, with no rows.
    QVERIFY(QFile::exists(QDir(t.dir.path()).filePath("bd/novoeK1C2.DBF")));
}

// Clicks made before the first one's well has arrived: the tab shows no well the user has left
// already, and saving and deleting a well follow the node selected last.
void DatabaseTabTest::aLaterChoiceWins() {
    const struct {
        QStringList clicks;
        std::uint16_t shown; // the one well shown
        bool wellCommands;
    } cases[] = {
        {{"Скважина 2", "Скважина 3"}, 3, true},
        {{"Скважина 2", "Куст 1"}, 2, false},
        {{"Скважина 3", "Скважина 2", "Скважина 3"}, 3, true},
    };
    Window t({{"Новое", 1, 1}, {"Новое", 1, 2}, {"Новое", 1, 3}});
    t.showTab();
    for (const auto& c : cases) {
        t.click(t.find(QStringLiteral("Скважина 1")));
        std::vector<std::uint16_t> shown;
        const auto follow = connect(&t.w.commands().dataSource(), &DataSource::databaseWellChanged,
                                    [&] { shown.push_back(t.shown().well ? t.shown().well->well : 0xFFFF); });
        for (const QString& node : c.clicks)
            t.press(t.find(node));
        QVERIFY(t.settle());
        disconnect(follow);
        QCOMPARE(shown, std::vector<std::uint16_t>{c.shown});
        QCOMPARE(t.w.commands().table().enabled(Command::DeleteWell), c.wellCommands);
        QCOMPARE(t.w.commands().table().enabled(Command::SaveWellToFile), c.wellCommands);
    }
}

// A journal the user agreed to add while a well was being read is added, whatever is clicked next.
void DatabaseTabTest::aClickKeepsAQueuedAddition() {
    Window t({{"Новое", 1, 1}, {"Новое", 1, 2}});
    t.showTab();
    t.click(t.find(QStringLiteral("Скважина 2")));
    std::atomic<bool> release{false};
    t.db().runOperation(
        [&](WellDatabase&) {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return vorsan::wells::Outcome{};
        },
        {});
    t.obtain(minutes(100, 3), 1, 2);
    t.db().addJournal(QStringLiteral("Новое"));
    t.press(t.find(QStringLiteral("Скважина 1")));
    release = true;
    QVERIFY(t.settle());
    QVERIFY(!t.db().progress());
    t.db().openWell({"Новое", 1, 2});
    QVERIFY(t.settle());
    QCOMPARE(t.page()->journalModel()->rowCount(), 8);
}

// "Печать базы данных" and "Печать уставок по базе данных" print the well the tab shows, with the
// oilfield in the second title line; the PDF is read back by an independent reader.
void DatabaseTabTest::printingTheShownWell() {
    Window t({{"Новое", 7, 8}});
    t.showTab();
    t.click(t.find(QStringLiteral("Скважина 8")));
    const auto pdfText = [&](Command command) {
        const QString pdf = QDir(t.dir.path()).filePath(QStringLiteral("out.pdf"));
        QFile::remove(pdf);
        setUnattendedPdfOutput(pdf);
        t.w.commands().action(command)->trigger();
        setUnattendedPdfOutput({});
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString journal = pdfText(Command::PrintDatabase);
    // (pdftotext folds the title's runs of blanks into one.)
    QVERIFY2(journal.contains(QStringLiteral("месторождение- Новое куст № 7 скважина № 8")), qPrintable(journal));
    QVERIFY(journal.contains(QStringLiteral("Uab,В")));
    const QString settings = pdfText(Command::PrintDatabaseSettings);
    QVERIFY2(settings.contains(QStringLiteral("Уставки по кусту: 7")), qPrintable(settings));
}

void DatabaseTabTest::diagramsCoverTheGridSelection() {
    Window t({{"Новое", 7, 8}}); // five measurements a minute apart from 00:00
    auto* diagrams = t.w.pages()->page<DiagramsPage>();
    const QString pdf = QDir(t.dir.path()).filePath(QStringLiteral("diagram.pdf"));
    // Rows from 0 selected in the grid; one row is the whole well and leaves the screen untitled.
    for (const auto& [top, bottom, work, period] :
         {std::tuple{1, 3, "РАБОТА: 0 сут.0 ч.2 мин.", "за период с 01.03.2024 00:01:00 по 01.03.2024 00:03:00"},
          std::tuple{2, 2, "РАБОТА: 0 сут.0 ч.4 мин.", "за период с 01.03.2024 00:00:00 по 01.03.2024 00:04:00"}}) {
        t.showTab();
        t.click(t.find(QStringLiteral("Скважина 8")));
        auto* grid = t.page()->journalGrid();
        grid->selectionModel()->select(QItemSelection(grid->model()->index(top, 0), grid->model()->index(bottom, 0)),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        t.w.commands().action(Command::ShowDatabaseDiagrams)->trigger();
        QTRY_VERIFY(t.w.pages()->chartSource()->database() && diagrams->pie()->count() > 0);
        QCOMPARE(diagrams->title(), top < bottom ? QString::fromUtf8(period) : QString());
        QVERIFY(diagrams->pie()->slices().at(0)->label().startsWith(QString::fromUtf8(work)));
        setUnattendedPdfOutput(pdf);
        t.w.commands().action(Command::PrintDiagram)->trigger();
        setUnattendedPdfOutput({});
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished();
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QString::fromUtf8(period)));
    }
}

void DatabaseTabTest::settingsNumbering() {
    Window t({{"Новое", 1, 3, ControllerGeneration::Gen3}, {"Новое", 1, 4, ControllerGeneration::Gen4}});
    t.showTab();
    auto* settings = t.page()->settingsGrid();
    t.click(t.find(QStringLiteral("Скважина 3")));
    QCOMPARE(settings->rowCount(), 82);
    QVERIFY(settings->item(0, 0)->text().startsWith(QStringLiteral("21  ")));
    QVERIFY(settings->item(78, 0)->text().startsWith(QStringLiteral("99  ")));
    QVERIFY(settings->item(79, 0)->text().startsWith(QStringLiteral("A0  ")));
    QVERIFY(settings->item(81, 0)->text().startsWith(QStringLiteral("A2  ")));
    QCOMPARE(t.page()->journalModel()->columnCount(), 11);
    t.click(t.find(QStringLiteral("Скважина 4")));
    QCOMPARE(settings->rowCount(), 77);
    QVERIFY(settings->item(76, 0)->text().startsWith(QStringLiteral("97  ")));
    QCOMPARE(t.page()->journalModel()->columnCount(), 15);
    t.page()->bottomPages()->setCurrentIndex(1);
    QCOMPARE(t.w.commands().slotTarget(CommandSlot::Print), Command::PrintDatabaseSettings);
}

void DatabaseTabTest::openWellDialogLines() {
    Window t({{"Новое", 7, 1234}, {"Новое", 8, 5}});
    t.w.commands().action(Command::OpenDatabase)->trigger();
    OpenWellDialog* d = t.db().openDialog();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("Открыть базу данных по..."));
    const QString line = d->list()->itemText(0);
    QCOMPARE(line.mid(5, 5), QStringLiteral("    7"));
    QCOMPARE(line.mid(20, 5), QStringLiteral(" 1234"));
    QCOMPARE(line.mid(30), QStringLiteral("Новое"));
    QCOMPARE(line, QStringLiteral("куст     7 скважина  1234  М: Новое"));
    d->okButton()->click();
    QVERIFY(t.settle());
    QCOMPARE(t.shown().well.value_or(WellId{}), (WellId{"Новое", 7, 1234}));
    QCOMPARE(t.w.pages()->currentIndex(), int(kDatabasePage));
    QCOMPARE(t.tree()->currentItem()->text(0), QStringLiteral("Скважина 1234"));
}

void DatabaseTabTest::findWellPrefixes() {
    Window t({{"Новое", 1, 5}, {"Новое", 10, 5}, {"Новое", 112, 5}, {"Новое", 12, 7}, {"новое", 1, 6},
              {"ТНово", 1, 8}});
    t.w.commands().action(Command::FindWell)->trigger();
    QVERIFY(t.settle());
    FindWellDialog* d = t.db().findDialog();
    QVERIFY(d && d->isVisible());
    QCOMPARE(t.w.pages()->currentIndex(), int(kDatabasePage));
    QVERIFY(!d->showButton()->isEnabled());
    const auto results = [d] {
        QStringList out;
        for (int r = 0; r < d->results()->rowCount(); ++r)
            out << d->results()->item(r, 0)->text() + "/" + d->results()->item(r, 1)->text() + "/" +
                       d->results()->item(r, 2)->text();
        return out;
    };
    const auto search = [&](const char* field, const char* pad, const char* well) {
        d->oilfieldEdit()->setText(QString::fromUtf8(field));
        d->padEdit()->setText(QString::fromUtf8(pad));
        d->wellEdit()->setText(QString::fromUtf8(well));
        QTest::keyClick(d->wellEdit(), Qt::Key_Return);
        return results();
    };
    const auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    QCOMPARE(sorted(search("", "1", "")), sorted({"ТНово/1/8", "новое/1/6", "Новое/1/5", "Новое/10/5",
                                                  "Новое/12/7", "Новое/112/5"}));
    QCOMPARE(search("", "12", ""), (QStringList{"Новое/12/7"}));
    QCOMPARE(sorted(search("Но", "", "")), sorted({"Новое/1/5", "Новое/10/5", "Новое/12/7", "Новое/112/5"}));
    // All empty: every well, in the directory's order.
    QStringList all;
    for (const auto& w : t.w.state().database->wells())
        all << QString::fromStdString(w.oilfield) + "/" + QString::number(w.pad) + "/" + QString::number(w.well);
    QCOMPARE(search("", "", ""), all);
    QVERIFY(d->showButton()->isEnabled());
    QCOMPARE(search("Но", "", "9"), (QStringList{"Не найдено//"}));
    QVERIFY(!d->showButton()->isEnabled());
    search("", "12", "");
    d->showButton()->click();
    QVERIFY(t.settle());
    QCOMPARE(t.shown().well.value_or(WellId{}), (WellId{"Новое", 12, 7}));
    QCOMPARE(t.tree()->currentItem()->text(0), QStringLiteral("Скважина 7"));
    // Hiding the tab destroys the dialog.
    t.w.pages()->setCurrentIndex(kJournalPage);
    QTRY_VERIFY(!t.db().findDialog());
}

void DatabaseTabTest::questionYesNeedsAnOilfieldAndNoAddsNothing() {
    Window t({{"Старое", 1, 1}});
    t.obtain(minutes(0, 3), 5, 6);
    t.w.views().askOilfield();
    QVERIFY(t.settle());
    AddToDatabaseDialog* q = t.db().question();
    QVERIFY(q && q->isVisible());
    QVERIFY(!q->oilfieldPanel()->isVisible());
    QCOMPARE(q->oilfieldList()->count(), 1);
    q->yesButton()->click(); // opens the oilfield panel only
    QVERIFY(q->isVisible() && q->oilfieldPanel()->isVisible());
    QCOMPARE(q->height(), 195);
    q->oilfieldList()->setEditText(QStringLiteral("   "));
    q->yesButton()->click(); // blanks only: not taken
    QVERIFY(q->isVisible());
    QVERIFY(t.db().idle());
    q->oilfieldList()->setEditText(QStringLiteral("  Новое "));
    QTest::keyClick(q->oilfieldList()->lineEdit(), Qt::Key_Return);
    QVERIFY(t.settle());
    QCOMPARE(t.shown().well.value_or(WellId{}), (WellId{"Новое", 5, 6}));
    QCOMPARE(t.w.pages()->currentIndex(), int(kDatabasePage));

    t.w.pages()->setCurrentIndex(kSettingsPage);
    t.w.views().askOilfield();
    QVERIFY(t.settle());
    q = t.db().question();
    q->noButton()->click();
    QCOMPARE(t.w.pages()->currentIndex(), int(kJournalPage));
    QTRY_VERIFY(!t.db().question());
    t.showTab();
    QCOMPARE(t.tree()->topLevelItemCount(), 3); // Новое was added once, nothing more
}

void DatabaseTabTest::oilfieldOnlyMode() {
    Window t({{"Старое", 1, 1}, {"Старое", 1, 2}, {"Новое", 2, 1}});
    std::optional<QString> chosen{QStringLiteral("-")};
    QTimer::singleShot(50, [&] {
        auto* d = qobject_cast<AddToDatabaseDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QVERIFY(!d->questionPanel()->isVisible());
        // One entry per oilfield, in name order.
        QCOMPARE(d->oilfieldList()->count(), 2);
        QCOMPARE(d->oilfieldList()->itemText(0), QStringLiteral("Новое"));
        QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return); // empty: nothing happens
        QVERIFY(d->isVisible());
        d->oilfieldList()->setEditText(QStringLiteral(" Третье "));
        QTest::keyClick(d->oilfieldList()->lineEdit(), Qt::Key_Return);
    });
    chosen = AddToDatabaseDialog::askOilfield(&t.w, *t.w.state().database);
    QCOMPARE(chosen, std::optional<QString>(QStringLiteral("Третье")));
}

namespace {
// The file dialogs answered with `path` (and the titles and filters they were asked with noted).
FileDialogs answering(const QString& path, QStringList& asked) {
    return {[&asked, path](QWidget*, const QString& title, const QString& filter) {
                asked << title << filter;
                return path;
            },
            [&asked, path](QWidget*, const SaveRequest& r) {
                asked << r.title << r.filters << r.proposedName;
                return path;
            }};
}
} // namespace

void DatabaseTabTest::wellFileBetweenTwoInstallations() {
    QTemporaryDir files;
    const QString vbd = QDir(files.path()).filePath("well.VBD");
    Window a({{"Новое", 12, 345}});
    a.showTab();
    a.click(a.find(QStringLiteral("Скважина 345")));
    QStringList asked;
    a.db().setDialogs(answering(vbd, asked));
    a.w.commands().action(Command::SaveWellToFile)->trigger();
    QVERIFY(a.settle());
    QCOMPARE(asked, (QStringList{"Сохранить данные по скважине как", "Данные по скважине  *.VBD (*.VBD)",
                                 "novoeK12C345"}));
    QVERIFY(QFileInfo(vbd).size() > 211);

    Window b({{"Старое", 1, 1}});
    asked.clear();
    b.db().setDialogs(answering(vbd, asked));
    b.w.commands().action(Command::AddWellFromFile)->trigger();
    QVERIFY(b.settle());
    QCOMPARE(asked.front(), QStringLiteral("Открыть данные по скважине "));
    QCOMPARE(b.w.pages()->currentIndex(), int(kDatabasePage));
    QCOMPARE(b.shown().well.value_or(WellId{}), (WellId{"Новое", 12, 345}));
    QCOMPARE(b.tree()->currentItem()->text(0), QStringLiteral("Скважина 345"));
    QCOMPARE(b.page()->journalModel()->rowCount(), 5);
    QCOMPARE(b.page()->settingsGrid()->rowCount(), a.page()->settingsGrid()->rowCount());
    for (int r = 0; r < a.page()->settingsGrid()->rowCount(); ++r)
        QCOMPARE(b.page()->settingsGrid()->item(r, 1)->text(), a.page()->settingsGrid()->item(r, 1)->text());

    // A well file named on the command line (a file manager's double click) is added at start.
    Window c({{"Старое", 1, 1}}, vorsan::parseCommandLine({vbd.toStdString()}));
    QTRY_COMPARE(c.w.pages()->currentIndex(), int(kDatabasePage));
    QVERIFY(c.settle());
    QCOMPARE(c.shown().well.value_or(WellId{}), (WellId{"Новое", 12, 345}));
    QCOMPARE(c.page()->journalModel()->rowCount(), 5);

    // A file whose marker is not a well file's is refused and changes nothing.
    QFile bad(QDir(files.path()).filePath("bad.VBD"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(211, '\0'));
    bad.close();
    b.db().setDialogs(answering(bad.fileName(), asked));
    ModalBoxes boxes;
    b.w.commands().action(Command::AddWellFromFile)->trigger();
    QVERIFY(b.settle());
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("Файл поврежден, открытие невозможно.")});
    QCOMPARE(boxes.captions, QStringList{QStringLiteral("Error")});
    QCOMPARE(b.shown().well.value_or(WellId{}), (WellId{"Новое", 12, 345}));
}

void DatabaseTabTest::archiveBetweenTwoInstallations() {
    QTemporaryDir files;
    const QString zip = QDir(files.path()).filePath("base.zip");
    Window a({{"Новое", 1, 1}, {"Новое", 1, 2}});
    QStringList asked;
    a.db().setDialogs(answering(zip, asked));
    a.w.commands().action(Command::ArchiveDatabase)->trigger();
    QVERIFY(a.settle());
    QCOMPARE(asked.mid(0, 2), (QStringList{"Сохранить базу данных как", "Архив базы данных (*.zip)"}));
    QVERIFY(QFileInfo(zip).size() > 0);

    Window b({{"Старое", 3, 3}});
    b.showTab();
    b.click(b.find(QStringLiteral("Скважина 3")));
    b.db().setDialogs(answering(zip, asked));
    bool progressShown = false;
    connect(&b.db(), &DatabaseCommands::progressShown, this, [&](ProgressWindow*) { progressShown = true; });
    b.w.commands().action(Command::RestoreDatabase)->trigger();
    QVERIFY(b.settle());
    QVERIFY(progressShown);
    QVERIFY(!b.db().progress());
    // Afterwards no well is current and the tab is rebuilt with the archive's wells.
    QVERIFY(!b.shown().well);
    QCOMPARE(b.w.pages()->currentIndex(), int(kDatabasePage));
    QCOMPARE(b.tree()->topLevelItemCount(), 3);
    QCOMPARE(b.tree()->currentItem(), b.tree()->topLevelItem(0));
    QVERIFY(b.find(QStringLiteral("Скважина 2")));
}

QTEST_MAIN(DatabaseTabTest)
#include "database_tab_test.moc"
