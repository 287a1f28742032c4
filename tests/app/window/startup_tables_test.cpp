// Start-up opens the database's settings and scratch tables; a first run creates them.
#include "window/main_window.h"

#include "db/well_database.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StartupTablesTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunCreatesTheDatabase();
    void lockedSettingsTableIsReportedAndEndsTheWindow();
    void closingTheWindowReleasesTheTables();
};

void StartupTablesTest::firstRunCreatesTheDatabase() {
    QTemporaryDir dir;
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(w.state().journalImage != nullptr);
    QVERIFY(QFile::exists(dir.filePath("bd/ustavki.DBF")));
    QVERIFY(QFile::exists(dir.filePath("bd/temp.DBF")));
    QVERIFY(w.state().database != nullptr);
}

void StartupTablesTest::lockedSettingsTableIsReportedAndEndsTheWindow() {
    QTemporaryDir dir;
    const std::string bd = QDir(dir.path()).filePath("bd").toStdString();
    QVERIFY(bool(vorsan::db::initDatabase(bd)));
    vorsan::db::Table holder; // another window holds the table
    QVERIFY(bool(vorsan::db::openDatabaseTable(holder, bd, vorsan::db::kSettingsTableFile,
                                               vorsan::db::settingsSnapshotLayout())));
    QString text;
    QString caption;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            caption = box->windowTitle();
            box->accept();
        }
    });
    poll.start(10);
    MainWindow w;
    w.setDataDir(dir.path());
    w.show();
    QTRY_VERIFY(!text.isEmpty());
    // Another program holds the database: said so plainly.
    QCOMPARE(text, QStringLiteral("База данных уже открыта другой программой."));
    QCOMPARE(caption, QStringLiteral("Внимание..."));
    QTRY_VERIFY(!w.isVisible());
}

void StartupTablesTest::closingTheWindowReleasesTheTables() {
    QTemporaryDir dir;
    {
        MainWindow w;
        w.setDataDir(dir.path());
        w.show();
        QTRY_VERIFY(w.state().journalImage != nullptr);
        w.close();
        vorsan::db::Table again;
        QVERIFY(bool(vorsan::db::openDatabaseTable(again, QDir(dir.path()).filePath("bd").toStdString(),
                                                   vorsan::db::kScratchTableFile,
                                                   vorsan::db::wellTableLayout())));
    }
}

QTEST_MAIN(StartupTablesTest)
#include "startup_tables_test.moc"
