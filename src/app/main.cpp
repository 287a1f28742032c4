#include "shell/command_line.h"
#include "window/main_window.h"
#include "window/translations.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorsan"));
    QApplication::setApplicationVersion(QStringLiteral("4.074"));
    // The menu entry and the icon an installed program gets from the desktop (data/).
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.vorsan.Vorsan"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vorsan")));
    installRussianTranslations(app);

    // Qt has taken its own options (-platform, ...); what is left is ours.
    std::vector<std::string> args;
    const auto qtArgs = QApplication::arguments();
    for (qsizetype i = 1; i < qtArgs.size(); ++i)
        args.push_back(qtArgs[i].toStdString());
    const auto commandLine = vorsan::parseCommandLine(args);
    if (!commandLine.error.empty()) std::fprintf(stderr, "vorsan: %s\n", commandLine.error.c_str());
    for (const auto& option : commandLine.unknownOptions)
        std::fprintf(stderr, "vorsan: unknown option %s\n", option.c_str());

    MainWindow window(commandLine);
    window.show();
    return app.exec();
}
