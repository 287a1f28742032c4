// Where the program keeps "vors.set" and the database, and where it finds the user's guide.
#include "shared/app_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Makes the files named (relative paths) under `root`.
void makeFiles(const QString& root, const QStringList& files) {
    for (const QString& f : files) {
        const QString path = QDir(root).filePath(f);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

} // namespace

class AppPathsTest : public QObject {
    Q_OBJECT
private slots:
    void dataDirectory_data();
    void dataDirectory();
    void userGuide_data();
    void userGuide();
};

void AppPathsTest::dataDirectory_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<bool>("userDir");
    const QString desktop = QStringLiteral("usr/share/applications/ru.vorsan.Vorsan.desktop");
    // Installed under /usr: the user (even root, who could write there) gets a data directory of
    // their own, never one inside the system's bin directory.
    QTest::newRow("installed") << QStringList{desktop, "usr/bin/vorsan"} << "usr/bin" << true;
    // A build tree or a copy unpacked somewhere writable keeps its data beside it.
    QTest::newRow("build tree") << QStringList{"build/release/vorsan"} << "build/release" << false;
    QTest::newRow("a copy in a folder named bin")
        << QStringList{"stick/bin/vorsan", "stick/share/readme.txt"} << "stick/bin" << false;
}

void AppPathsTest::dataDirectory() {
    QFETCH(QStringList, files);
    QFETCH(QString, programDir);
    QFETCH(bool, userDir);
    QTemporaryDir root;
    makeFiles(root.path(), files);
    const QString program = QDir(root.path()).filePath(programDir);
    const QString user = QDir(root.path()).filePath("home/.local/share/Vorsan");
    QCOMPARE(chooseDataDir(program, user), userDir ? user : program);
    QCOMPARE(QFileInfo::exists(user), userDir);
}

void AppPathsTest::userGuide_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("guide");
    QTest::newRow("installed") << QStringList{"usr/bin/vorsan", "usr/share/doc/vorsan/guide.ru.html"}
                               << "usr/bin" << "usr/share/doc/vorsan/guide.ru.html";
    QTest::newRow("build tree") << QStringList{"build/vorsan", "build/doc/guide.ru.html"} << "build"
                                << QString();
}

void AppPathsTest::userGuide() {
    QFETCH(QStringList, files);
    QFETCH(QString, programDir);
    QFETCH(QString, guide);
    QTemporaryDir root;
    makeFiles(root.path(), files);
    const QString expected = guide.isEmpty() ? QString() : QDir(root.path()).filePath(guide);
    QCOMPARE(userGuidePage(QDir(root.path()).filePath(programDir)), expected);
}

QTEST_GUILESS_MAIN(AppPathsTest)
#include "app_paths_test.moc"
