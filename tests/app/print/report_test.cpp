// The print and spreadsheet-export commands of the window, run through the window's actions: the
// PDFs are read back with pdftotext, the workbook with python3 openpyxl.
#include "files/file_commands.h"
#include "journal/journal_file.h"
#include "journal/journal_page.h"
#include "print/print_dialog.h"
#include "print/report_commands.h"
#include "shared/commands.h"
#include "shared/data_views.h"
#include "window/main_window.h"

#include "journal_samples.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLocale>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using vorsan::Command;
using vorsan::ControllerGeneration;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;

struct Window {
    QTemporaryDir dir;
    MainWindow w;
    QString savePath;
    SaveRequest lastSave;
    QList<QUrl> opened;

    Window() {
        w.setDataDir(dir.path());
        WorkbookHooks hooks;
        hooks.dialogs.save = [this](QWidget*, const SaveRequest& r) {
            lastSave = r;
            return savePath;
        };
        hooks.open = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        w.reports().setHooks(hooks);
        w.show();
    }
    ~Window() { setUnattendedPdfOutput({}); }
    bool started() {
        return QTest::qWaitFor([this] { return w.state().journalImage != nullptr; });
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // Opens a journal file of `journal` with pad 12 and well 345, as a file named on the command line.
    bool open(const vorsan::Journal& journal, ControllerGeneration g) {
        const QString file = path(QStringLiteral("Куст12_Ск345.VR4"));
        vorsan::saveJournalFile(file.toStdString(), g, samples::imageOf(journal, g), samples::settingsOf(g),
                                samples::runningState());
        return w.files().openJournalFile(file, true);
    }
    void selectRows(int first, int last) { // 1-based grid rows
        QTableView* grid = w.views().journalPage()->grid();
        grid->clearSelection();
        const auto* m = grid->model();
        grid->selectionModel()->select(QItemSelection(m->index(first - 1, 0), m->index(last - 1, 0)),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The lines of each page of a printout made through the command's print path, blanks simplified.
    QList<QStringList> print(Command c, bool selectionOnly = false) {
        const QString pdf = path(QStringLiteral("out.pdf"));
        QFile::remove(pdf);
        setUnattendedPdfOutput(pdf, selectionOnly);
        w.commands().action(c)->trigger();
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished();
        QStringList texts = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
        texts.removeLast(); // after the last form feed
        QList<QStringList> pages;
        for (const QString& text : texts) {
            QStringList lines;
            for (const QString& line : text.split(QLatin1Char('\n')))
                if (!line.simplified().isEmpty()) lines << line.simplified();
            pages << lines;
        }
        return pages;
    }
    // The row numbers of the table lines of the pages, in order.
    static QList<int> rowNumbers(const QList<QStringList>& pages) {
        QList<int> numbers;
        for (const QStringList& page : pages)
            for (const QString& line : page) {
                const QStringList w = line.split(QLatin1Char(' '));
                if (w.size() > 2 && w[1].contains(QStringLiteral(".2024"))) numbers << w[0].toInt();
            }
        return numbers;
    }
};

} // namespace

class ReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void journalPrintsEveryRowOrTheSelection() {
        Window t;
        QVERIFY(t.started());
        QVERIFY(t.open(samples::fullJournal(G4), G4));
        const QList<QStringList> pages = t.print(Command::PrintJournal);
        QVERIFY(pages.size() > 10);
        for (int p = 0; p < pages.size(); ++p) {
            QVERIFY(pages[p][0].startsWith(QStringLiteral("ВОРСАН 4.074 : ")));
            QCOMPARE(pages[p][1], QStringLiteral("куст № 12 скважина № 345"));
            QVERIFY(pages[p][2].startsWith(QStringLiteral("Дата Время Uab,В")));
            QCOMPARE(pages[p].last(), QString::number(p + 1));
        }
        QList<int> all(1152);
        std::iota(all.begin(), all.end(), 1);
        QCOMPARE(Window::rowNumbers(pages), all);

        t.selectRows(5, 7);
        QCOMPARE(Window::rowNumbers(t.print(Command::PrintJournal, true)), (QList<int>{5, 6, 7}));
        // Without the selection range the whole journal prints.
        QCOMPARE(Window::rowNumbers(t.print(Command::PrintJournal)).size(), 1152);
    }

    void settingsPrintUnderThePageTitle() {
        Window t;
        QVERIFY(t.started());
        QVERIFY(t.open(samples::smallGen4(), G4));
        const QList<QStringList> pages = t.print(Command::PrintSettings);
        QCOMPARE(pages.size(), 2); // 77 settings
        for (const QStringList& page : pages) QVERIFY(page[0].startsWith(QStringLiteral("Уставки: ")));
        QCOMPARE(pages[0][1], QStringLiteral("21 Номинальное напряжение 380 В"));
        QVERIFY(pages[0].contains(QStringLiteral("34 Номинальный ток двигателя 12,50 А")));
        QVERIFY(pages[1].last().startsWith(QStringLiteral("97 "))); // the last of 77 settings, no page number
    }

    void exportWritesOpensAndCopies() {
        Window t;
        QVERIFY(t.started());
        QVERIFY(t.open(samples::smallGen4(), G4));
        t.savePath = t.path(QStringLiteral("журнал.xlsx"));
        t.selectRows(2, 2); // one selected row exports every record
        t.w.commands().action(Command::ExportExcel)->trigger();
        QTRY_VERIFY(!t.w.reports().exporting());
        QCOMPARE(t.lastSave.proposedName, QStringLiteral("Куст12_Ск345_2024-03-05"));
        QCOMPARE(t.lastSave.suffixes, QStringList{QStringLiteral("xlsx")});
        QCOMPARE(t.opened, QList<QUrl>{QUrl::fromLocalFile(t.savePath)});
        const QString clip = QGuiApplication::clipboard()->text();
        QCOMPARE(clip.count(QStringLiteral("\r\n")), 6); // header and five records
        QVERIFY(clip.contains(QStringLiteral("05.03.2024 10:00:05\t\t\t\tСтоп : недогрузка\r\n")));

        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral(VORSAN_TESTDATA "/../core/report/read_workbook.py"), t.savePath});
        QVERIFY(p.waitForFinished());
        const QString dump = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(dump.contains(QStringLiteral("A2 date 2024-03-05T10:00:00 ")), qPrintable(dump));
        QVERIFY2(dump.contains(QStringLiteral("E3 text Стоп : недогрузка ")), qPrintable(dump));
        QVERIFY2(dump.contains(QStringLiteral("A6 date 2024-03-05T12:00:00 ")), qPrintable(dump));

        // A selection of rows 2 to 3 exports those two; a cancelled dialog writes nothing.
        t.selectRows(2, 3);
        t.savePath = t.path(QStringLiteral("two.xlsx"));
        t.w.commands().action(Command::ExportExcel)->trigger();
        QTRY_VERIFY(!t.w.reports().exporting());
        QCOMPARE(QGuiApplication::clipboard()->text().count(QStringLiteral("\r\n")), 3);
        t.savePath.clear();
        t.w.commands().action(Command::ExportExcel)->trigger();
        QTRY_VERIFY(!t.w.reports().exporting());
        QCOMPARE(t.opened.size(), 2);
    }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
