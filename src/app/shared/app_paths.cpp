#include "shared/app_paths.h"

#include "shared/window_state.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// QFileInfo::isWritable does not see every reason a directory refuses files (read-only mounts,
// ACLs): try to create one.
bool canCreateFilesIn(const QString& dir) {
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".vorsan-write-test-XXXXXX")));
    return probe.open();
}

} // namespace

bool isInstalledProgramDir(const QString& programDir) {
    const QDir dir(programDir);
    return dir.dirName() == QStringLiteral("bin") &&
           QFileInfo::exists(dir.filePath(QStringLiteral("../share/applications/ru.vorsan.Vorsan.desktop")));
}

QString chooseDataDir(const QString& programDir, const QString& userDataDir) {
    if (!isInstalledProgramDir(programDir) && canCreateFilesIn(programDir)) return programDir;
    QDir().mkpath(userDataDir);
    return userDataDir;
}

void setUpPaths(WindowState& state, const QString& dataDir) {
    state.programDir = QCoreApplication::applicationDirPath();
    state.dataDir = !dataDir.isEmpty()
                        ? dataDir
                        : chooseDataDir(state.programDir,
                                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    state.databaseDir = QDir(state.dataDir).filePath(QStringLiteral("bd"));
    state.settingsDir = state.dataDir;
}

QString userGuidePage(const QString& programDir) {
    const QFileInfo page(QDir(programDir).filePath(QStringLiteral("../share/doc/vorsan/guide.ru.html")));
    return page.exists() ? page.absoluteFilePath() : QString();
}
