// "Синхронизировать с сервером…" in the real window against a private server: the sync runs off
// the window's thread, the summary is shown, the password is asked for and never saved.
#include "company/server_schema.h"
#include "database/database_commands.h"
#include "database/database_sync.h"
#include "database/sync_dialog.h"
#include "settings/catalogue.h"
#include "shared/commands.h"
#include "wells/well_database_state.h"
#include "window/main_window.h"

#include "../../pg/private_server.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using vorsan::Command;
namespace company = vorsan::company;

namespace {

vorsan::test::PrivateServer* server = nullptr;

std::string freshArchive(const std::string& name) {
    company::PgSession s;
    if (!s.connect(server->conninfo()) || !s.exec("CREATE DATABASE " + name)) return {};
    if (!s.connect(server->conninfo("postgres", name)) || !company::initServerSchema(s)) return {};
    return name;
}

vorsan::Journal minutes(int count) {
    vorsan::Journal j;
    for (int m = 0; m < count; ++m) {
        vorsan::JournalRecord r;
        r.year = 2024;
        r.month = 3;
        r.day = 1;
        r.hour = std::uint8_t(m / 60);
        r.minute = std::uint8_t(m % 60);
        r.SOBYTIE = 255;
        r.UAB = std::uint16_t(380 + m % 20);
        j.records.push_back(r);
    }
    return j;
}

struct Window {
    QTemporaryDir dir;
    MainWindow w{vorsan::CommandLine{}};
    explicit Window(int rows) {
        vorsan::wells::Outcome o;
        {
            auto db =
                vorsan::wells::WellDatabase::open(QDir(dir.path()).filePath("bd").toStdString(), ',', o);
            vorsan::SettingsSet s(vorsan::settingCount(vorsan::ControllerGeneration::Gen4), 0);
            s[std::size_t(vorsan::kGen4PadNumber - vorsan::kFirstSettingNumber)] = 5;
            s[std::size_t(vorsan::kGen4WellNumber - vorsan::kFirstSettingNumber)] = 7;
            const auto j = minutes(rows);
            if (rows) QVERIFY(db->addJournal("Южное", {&j, vorsan::ControllerGeneration::Gen4, s}).ok);
        }
        w.setDataDir(dir.path());
        w.show();
        QTRY_VERIFY(w.state().database != nullptr);
    }
    SyncDialog* open() {
        w.commands().action(Command::SyncWithServer)->trigger();
        return w.database().sync().dialog();
    }
};

void fill(SyncDialog* d, const std::string& archive, const QString& user = QStringLiteral("postgres")) {
    d->setFields({QString::fromStdString(server->socketDir()), QString::fromStdString(archive), user,
                  QString(), 5432, QString()});
}

// Runs the sync the dialog is filled for, counting the window's timer ticks meanwhile.
int runSync(SyncDialog* d) {
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(5);
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!d->running(), 30000); }();
    return ticks;
}

} // namespace

class DatabaseSyncTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server = new vorsan::test::PrivateServer;
        QVERIFY2(server->error().empty(), server->error().c_str());
    }
    void cleanupTestCase() { delete server; }
    void theMenuHasTheCommand();
    void syncShowsTheSummaryAndSavesTheAddressOnly();
    void aPasswordIsAskedForAndKeptNowhere();
    void aConnectionStringWithAPasswordIsNotSaved();
    void anUnreachableServerIsNamed();
};

void DatabaseSyncTest::theMenuHasTheCommand() {
    Window t(0);
    QMenu* menu = nullptr;
    for (QAction* a : t.w.menuBar()->actions())
        if (a->text() == QStringLiteral("База данных")) menu = a->menu();
    QVERIFY(menu);
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << a->text();
    QVERIFY2(texts.contains(QStringLiteral("Синхронизировать с сервером…")), qPrintable(texts.join('|')));
}

void DatabaseSyncTest::syncShowsTheSummaryAndSavesTheAddressOnly() {
    const std::string archive = freshArchive("window1");
    QVERIFY(!archive.empty());
    Window t(40);
    SyncDialog* d = t.open();
    QVERIFY(d && d->isVisible());
    fill(d, archive);
    runSync(d);
    QCOMPARE(d->resultLabel()->text(),
             QStringLiteral("Отправлено: 40 строк и 1 снимков уставок по 1 скважинам.\n"
                            "Получено: 0 строк и 0 снимков уставок по 0 скважинам."));
    QFile ini(QDir(t.w.state().settingsDir).filePath("vorsan.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray saved = ini.readAll();
    QVERIFY2(saved.contains("database=window1"), saved.constData());
    QVERIFY(!saved.contains("password"));

    // A second laptop gets the rows, and its window kept ticking meanwhile.
    Window other(0);
    SyncDialog* e = other.open();
    fill(e, archive);
    QVERIFY(runSync(e) >= 0);
    QVERIFY2(e->resultLabel()->text().contains(
                 QStringLiteral("Получено: 40 строк и 1 снимков уставок по 1 скважинам")),
             qPrintable(e->resultLabel()->text()));
    QCOMPARE(other.w.state().database->wells().size(), std::size_t(1));
}

void DatabaseSyncTest::aPasswordIsAskedForAndKeptNowhere() {
    const std::string archive = freshArchive("window2");
    QVERIFY(!archive.empty());
    company::PgSession s;
    QVERIFY(s.connect(server->conninfo()));
    QVERIFY(s.exec("CREATE ROLE engineer LOGIN PASSWORD 'right' IN ROLE vorsan_field"));
    QVERIFY(server->setHba("local all engineer scram-sha-256\nlocal all all trust\n"));
    qputenv("PGPASSFILE", "/nonexistent");
    Window t(10);
    SyncDialog* d = t.open();
    fill(d, archive, QStringLiteral("engineer"));
    runSync(d);
    QVERIFY(d->passwordEdit()->isVisible());
    d->passwordEdit()->setText(QStringLiteral("right"));
    runSync(d);
    QVERIFY2(d->resultLabel()->text().startsWith(QStringLiteral("Отправлено: 10 строк")),
             qPrintable(d->resultLabel()->text()));
    QVERIFY(d->passwordEdit()->text().isEmpty());
    QFile ini(QDir(t.w.state().settingsDir).filePath("vorsan.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(!ini.readAll().contains("right"));
    server->setHba("local all all trust\n");
    qunsetenv("PGPASSFILE");
}

void DatabaseSyncTest::aConnectionStringWithAPasswordIsNotSaved() {
    Window t(3);
    SyncDialog* d = t.open();
    SyncFields f;
    f.conninfo = QStringLiteral("host=/nonexistent user=x password=secret");
    d->setFields(f);
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    QVERIFY(!d->running());
    QVERIFY2(d->resultLabel()->text().startsWith(QStringLiteral("Пароль не сохраняется в настройках")),
             qPrintable(d->resultLabel()->text()));
    QFile ini(QDir(t.w.state().settingsDir).filePath("vorsan.ini"));
    QVERIFY(!ini.open(QIODevice::ReadOnly) || !ini.readAll().contains("secret"));
}

void DatabaseSyncTest::anUnreachableServerIsNamed() {
    Window t(3);
    SyncDialog* d = t.open();
    d->setFields({QStringLiteral("/nonexistent"), QStringLiteral("x"), QStringLiteral("x"), QString(), 5432,
                  QString()});
    runSync(d);
    QVERIFY2(d->resultLabel()->text().startsWith(QStringLiteral("Сервер недоступен.")),
             qPrintable(d->resultLabel()->text()));
}

QTEST_MAIN(DatabaseSyncTest)
#include "database_sync_test.moc"
