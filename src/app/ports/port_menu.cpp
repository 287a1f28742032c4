#include "ports/port_menu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMenu>

PortMenu::PortMenu(QMenu* menu, std::function<QString()> chosen)
    : QObject(menu), menu_(menu), chosen_(std::move(chosen)) {
    uart_ = [](const std::string& name) { return vorsan::uartPresent(name); };
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watch(); // the by-id directory comes with the first adapter and goes with the last
        refresh();
    });
    connect(menu_, &QMenu::aboutToShow, this, &PortMenu::refresh);
    watch();
}

void PortMenu::setDevRoot(const QString& root, vorsan::UartPresent uart) {
    devRoot_ = root;
    uart_ = std::move(uart);
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    watch();
    refresh();
}

void PortMenu::watch() {
    // The deepest of /dev/serial/by-id, /dev/serial, /dev that exists: udev makes the by-id
    // directory for the first adapter and removes it with the last.
    const QString byId = QString::fromStdString(vorsan::byIdDirectory(devRoot_.toStdString()).string());
    QString path;
    for (const QString& p : {byId, QFileInfo(byId).path(), devRoot_})
        if (QFileInfo(p).isDir()) {
            path = p;
            break;
        }
    const QStringList watched = watcher_->directories();
    if (watched == QStringList{path}) return;
    if (!watched.isEmpty()) watcher_->removePaths(watched);
    if (!path.isEmpty()) watcher_->addPath(path);
}

void PortMenu::refresh() {
    for (QAction* a : items_) {
        menu_->removeAction(a);
        a->deleteLater();
    }
    items_.clear();
    if (!separator_) separator_ = menu_->addSeparator();

    const QString chosen = chosen_ ? chosen_() : QString();
    bool chosenListed = false;
    auto add = [this](const QString& text, const QString& path, bool checked) {
        auto* a = new QAction(text, menu_);
        a->setCheckable(true);
        a->setChecked(checked);
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { emit deviceChosen(path); });
        menu_->addAction(a);
        items_ << a;
        return a;
    };
    for (const auto& port : vorsan::listSerialPorts(devRoot_.toStdString(), uart_)) {
        const QString path = QString::fromStdString(port.path);
        const bool isChosen = path == chosen;
        chosenListed = chosenListed || isChosen;
        add(QString::fromStdString(port.text), path, isChosen);
    }
    // A device in use that is no serial port of the list (a pseudo-terminal named by --port) is
    // listed as it is; one that is gone, as "отключён".
    if (!chosen.isEmpty() && !chosenListed)
        add(caption(chosen).mid(5) + (QFileInfo::exists(chosen) ? QString() : QStringLiteral(" (отключён)")),
            chosen, true);
    if (items_.isEmpty()) {
        auto* none = new QAction(QStringLiteral("Последовательные порты не найдены"), menu_);
        none->setEnabled(false);
        menu_->addAction(none);
        items_ << none;
    }
}

QString PortMenu::caption(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    if (path.contains(QLatin1String("/serial/by-id/")))
        return QStringLiteral("Порт:") + QString::fromStdString(vorsan::byIdItemText(name.toStdString()));
    return QStringLiteral("Порт:") + name;
}
