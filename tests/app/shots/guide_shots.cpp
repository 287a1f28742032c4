// The screenshots of the user's guide (doc/guide/*.png): the real window against simulated
// stations, driven the way a user would, through its menus, pages and buttons found by their
// captions. Run by scripts/screenshots under Xvfb:
//   guide_shots OUTDIR SIMULATOR
// A step whose window part is not there yet is skipped with a note on stderr, so the pictures
// follow what the window shows today; the exit status is 1 only when no window could be shot.
#include "print/print_dialog.h"
#include "shell/command_line.h"
#include "window/main_window.h"
#include "window/translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

void note(const QString& text) { std::fprintf(stderr, "guide_shots: %s\n", qPrintable(text)); }

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (done()) return true;
        QTest::qWait(50);
    }
    return done();
}

// One simulated line on a pseudo-terminal, reachable through a symbolic link.
class SimulatedLine {
public:
    SimulatedLine(const QString& simulator, const QString& link, const QStringList& devices)
        : link_(link) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(simulator, devices + QStringList{QStringLiteral("--fast"),
                                                        QStringLiteral("--link"), link});
        waitFor([&] { return QFile::exists(link_); }, 5000);
    }
    ~SimulatedLine() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    QString device() const { return QFile::symLinkTarget(link_); }

private:
    QString link_;
    QProcess process_;
};

class Driver {
public:
    Driver(MainWindow& window, QString out) : window_(window), out_(std::move(out)) {
        // Message boxes that come up on their own (errors, questions) are noted and closed, so a
        // missing piece never stops the pictures that follow.
        boxes_.setInterval(100);
        QObject::connect(&boxes_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == expectedBox_) return;
            note(QStringLiteral("closed the box «%1»: %2").arg(box->windowTitle(), box->text()));
            box->reject();
        });
        boxes_.start();
    }

    // The window as the screen shows it, with the menus and drop-down lists that are open, even
    // where they reach beyond it.
    bool shoot(const QString& name, QWidget* what = nullptr) {
        QTest::qWait(600);
        QWidget* target = what ? what : &window_;
        QRect area = target->frameGeometry();
        if (!what)
            for (auto* w : QApplication::topLevelWidgets())
                if (w != &window_ && w->isVisible() &&
                    (w->windowType() == Qt::Popup || qobject_cast<QMenu*>(w) || qobject_cast<QDialog*>(w)))
                    area |= w->frameGeometry();
        area &= QGuiApplication::primaryScreen()->geometry();
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        const bool ok = screen.copy(area).save(QDir(out_).filePath(name + QStringLiteral(".png")));
        if (ok) ++shots_;
        else note(QStringLiteral("could not write %1.png").arg(name));
        return ok;
    }

    QAction* action(const QString& caption) const {
        for (auto* a : window_.findChildren<QAction*>())
            if (plain(a->text()) == caption) return a;
        return nullptr;
    }
    bool trigger(const QString& caption) {
        QAction* a = action(caption);
        if (!a || !a->isEnabled()) {
            note(QStringLiteral("command «%1» is %2").arg(caption, a ? "disabled" : "missing"));
            return false;
        }
        a->trigger();
        return true;
    }

    QTabWidget* pages() const { return window_.findChild<QTabWidget*>(); }
    bool showPage(const QString& caption) {
        QTabWidget* tabs = pages();
        for (int i = 0; tabs && i < tabs->count(); ++i)
            if (plain(tabs->tabText(i)) == caption && tabs->isTabVisible(i)) {
                tabs->setCurrentIndex(i);
                return true;
            }
        note(QStringLiteral("no page «%1»").arg(caption));
        return false;
    }

    // Opens a menu of the menu bar by its caption (the port menu's caption starts with "Порт").
    QMenu* openMenu(const QString& captionStart) {
        for (auto* a : window_.menuBar()->actions())
            if (a->menu() && plain(a->text()).startsWith(captionStart)) {
                window_.menuBar()->setActiveAction(a);
                return a->menu();
            }
        note(QStringLiteral("no menu «%1»").arg(captionStart));
        return nullptr;
    }
    void closeMenus() {
        for (auto* m : window_.findChildren<QMenu*>()) m->hide();
        QTest::qWait(100);
    }

    // A window other than the main one that is showing now (a non-modal dialog), if any.
    QWidget* otherWindow() const {
        for (auto* w : QApplication::topLevelWidgets())
            if (w != &window_ && w->isVisible() && w->isWindow() && !qobject_cast<QMenu*>(w) &&
                w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
                return w;
        return nullptr;
    }

    static QAbstractButton* button(QWidget* in, const QString& caption) {
        for (auto* b : in->findChildren<QAbstractButton*>())
            if (plain(b->text()) == caption || b->toolTip() == caption) return b;
        return nullptr;
    }

    void expectBox(QMessageBox* box) { expectedBox_ = box; }
    int shots() const { return shots_; }
    MainWindow& window() { return window_; }

private:
    MainWindow& window_;
    QString out_;
    QTimer boxes_;
    QMessageBox* expectedBox_ = nullptr;
    int shots_ = 0;
};

// Points the program's port (a symbolic link) at another simulated line.
void repoint(const QString& port, const QString& device) {
    QFile::remove(port);
    QFile::link(device, port);
}

bool connected(Driver& d) {
    QAction* read = d.action(QStringLiteral("Считать журнал событий"));
    return read && read->isEnabled();
}

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorsan"));
    installRussianTranslations(app);
    if (argc < 3) {
        std::fprintf(stderr, "usage: guide_shots OUTDIR SIMULATOR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString simulator = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("port"));

    SimulatedLine stations(simulator, dir.filePath(QStringLiteral("stations")),
                           {QStringLiteral("--gen4"), QStringLiteral("1,5,17")});
    SimulatedLine recorder(simulator, dir.filePath(QStringLiteral("recorder")),
                           {QStringLiteral("--recorder"), QStringLiteral("6")});
    repoint(port, stations.device());

    MainWindow window(vorsan::parseCommandLine({"--port", port.toStdString()}));
    window.setDataDir(dir.filePath(QStringLiteral("data")));
    QDir().mkpath(dir.filePath(QStringLiteral("data")));
    window.show();
    Driver d(window, out);

    // Connecting: the probe finds the station at address 1; the port menu is open.
    if (!waitFor([&] { return connected(d); }, 15000)) note(QStringLiteral("no station found"));
    if (d.openMenu(QStringLiteral("Порт"))) {
        d.shoot(QStringLiteral("port"));
        d.closeMenus();
    }

    // The current state, polled every 2 s while its page is shown.
    if (d.showPage(QStringLiteral("Текущее состояние"))) {
        QTest::qWait(4500);
        d.shoot(QStringLiteral("state"));
    }

    // Reading the journal (with the settings); the oilfield question may follow.
    const QString before = window.windowTitle();
    if (d.trigger(QStringLiteral("Считать журнал событий"))) {
        if (!waitFor([&] { return window.windowTitle() != before; }, 120000))
            note(QStringLiteral("the journal read did not finish"));
        QTest::qWait(800);
        if (QWidget* question = d.otherWindow()) {
            if (auto* field = question->findChild<QComboBox*>()) field->setEditText(QStringLiteral("Северное"));
            else if (auto* line = question->findChild<QLineEdit*>()) line->setText(QStringLiteral("Северное"));
            d.shoot(QStringLiteral("database_add"), question);
            if (QAbstractButton* yes = Driver::button(question, QStringLiteral("Да"))) yes->click();
            else question->close();
            QTest::qWait(1500);
        }
    }
    if (d.showPage(QStringLiteral("Журнал событий"))) {
        if (auto* grid = d.pages()->currentWidget()->findChild<QTableView*>()) {
            grid->setFocus();
            grid->selectRow(2);
        }
        d.shoot(QStringLiteral("journal"));
    }

    // Settings, and one of them opened for editing.
    if (d.showPage(QStringLiteral("Уставки"))) {
        d.shoot(QStringLiteral("settings"));
        if (auto* grid = d.pages()->currentWidget()->findChild<QTableView*>()) {
            // The second setting is a choice: its editor is a drop-down list.
            grid->setFocus();
            grid->selectRow(1);
            QTest::keyClick(grid, Qt::Key_Enter);
            QTest::qWait(300);
            QComboBox* list = nullptr;
            for (auto* c : grid->findChildren<QComboBox*>())
                if (c->isVisible()) list = c;
            if (list) list->showPopup();
            else note(QStringLiteral("no drop-down editor on the settings grid"));
            d.shoot(QStringLiteral("settings_edit"));
            if (list) list->hidePopup();
            grid->setFocus();
            grid->selectRow(4); // another row: the editor goes away unchanged
        }
    }

    // Searching the line: the first station, the next one (5), and while the search after 5 runs
    // through the silent addresses, its progress window; then the list of stations seen.
    const auto stationsSeen = [&] { return window.stationList() ? window.stationList()->count() : 0; };
    const QString next = QStringLiteral("поиск следующего устройства в сети");
    if (d.trigger(QStringLiteral("Поиск устройства в сети")))
        waitFor([&] { return d.action(next) && d.action(next)->isEnabled(); }, 30000);
    if (d.trigger(next)) waitFor([&] { return stationsSeen() >= 2; }, 30000);
    if (d.showPage(QStringLiteral("Журнал событий")) &&
        waitFor([&] { return d.action(next) && d.action(next)->isEnabled(); }, 30000) && d.trigger(next)) {
        QTest::qWait(2000);
        d.shoot(QStringLiteral("search_progress"));
        waitFor([&] { return stationsSeen() >= 3; }, 30000);
    }
    if (window.stationList() && window.stationListShown()) {
        QTest::qWait(500);
        window.stationList()->setFocus();
        window.stationList()->setCurrentIndex(0); // the list opens downwards, inside the window
        window.stationList()->showPopup();
        d.shoot(QStringLiteral("search"));
        window.stationList()->hidePopup();
    }

    // Every station of the line at once: the scan from the page "Обзор линии", then its rounds.
    if (d.showPage(QStringLiteral("Обзор линии"))) {
        QWidget* page = d.pages()->currentWidget();
        if (QAbstractButton* scan = Driver::button(page, QStringLiteral("Найти все станции"))) {
            scan->click();
            const auto scanned = [page] {
                for (auto* label : page->findChildren<QLabel*>())
                    if (label->text().contains(QStringLiteral("круг опроса"))) return true;
                return false;
            };
            if (!waitFor(scanned, 60000)) note(QStringLiteral("the overview's scan did not finish"));
            QTest::qWait(2500);
            d.shoot(QStringLiteral("overview"));
        }
        d.showPage(QStringLiteral("Журнал событий"));
    }

    // The line monitor over a few probes.
    if (d.trigger(QStringLiteral("Монитор линии"))) {
        QTest::qWait(5000);
        if (QWidget* monitor = d.otherWindow()) {
            d.shoot(QStringLiteral("monitor"), monitor);
            monitor->close();
        }
    }

    // The recorder's transfer speed, in the parameters dialog.
    if (d.trigger(QStringLiteral("Параметры..."))) {
        QTest::qWait(500);
        if (QWidget* parameters = d.otherWindow()) {
            d.shoot(QStringLiteral("parameters"), parameters);
            parameters->close();
        }
    }

    // Graphs (one, then all three) and diagrams of the journal read.
    if (d.showPage(QStringLiteral("Графики"))) {
        d.shoot(QStringLiteral("graphs"));
        if (QAbstractButton* all = Driver::button(d.pages()->currentWidget(),
                                                  QStringLiteral("Просмотр всех графиков на одном экране"))) {
            all->click();
            d.shoot(QStringLiteral("graphs_all"));
            if (QAbstractButton* one = Driver::button(d.pages()->currentWidget(),
                                                      QStringLiteral("Просмотр одного графика на экране")))
                one->click();
        }
    }
    if (d.showPage(QStringLiteral("Диаграммы"))) d.shoot(QStringLiteral("diagrams"));

    // Printing and export live in the "Файл" menu.
    if (d.showPage(QStringLiteral("Журнал событий")) && d.openMenu(QStringLiteral("Файл"))) {
        d.shoot(QStringLiteral("file_menu"));
        d.closeMenus();
    }

    // Printing: the print dialog over the window, and the first page as it comes out (to PDF,
    // drawn as a picture by pdftoppm).
    if (d.showPage(QStringLiteral("Журнал событий"))) {
        bool dialogShown = false;
        QTimer::singleShot(1000, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            dialogShown = true;
            d.shoot(QStringLiteral("print_dialog"));
            if (auto* modal = qobject_cast<QDialog*>(dialog)) modal->reject();
            else dialog->close();
        });
        if (d.trigger(QStringLiteral("Печать журнала событий"))) {
            waitFor([&] { return dialogShown; }, 3000);
            const QString pdf = dir.filePath(QStringLiteral("journal.pdf"));
            setUnattendedPdfOutput(pdf);
            d.trigger(QStringLiteral("Печать журнала событий"));
            setUnattendedPdfOutput({});
            if (QFile::exists(pdf) &&
                QProcess::execute(QStringLiteral("pdftoppm"),
                                  {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"),
                                   QStringLiteral("-singlefile"), pdf,
                                   QDir(out).filePath(QStringLiteral("print_page"))}) == 0)
                note(QStringLiteral("printed page drawn"));
        }
    }

    // The well database and its search dialog.
    if (d.showPage(QStringLiteral("База данных"))) {
        if (auto* tree = d.pages()->currentWidget()->findChild<QTreeView*>()) tree->expandAll();
        d.shoot(QStringLiteral("database"));
    }
    if (d.openMenu(QStringLiteral("База данных"))) {
        d.shoot(QStringLiteral("database_menu"));
        d.closeMenus();
    }
    if (d.trigger(QStringLiteral("Найти скважину"))) {
        QTest::qWait(800);
        if (QWidget* search = d.otherWindow()) {
            d.shoot(QStringLiteral("well_search"), search);
            search->close();
        }
    }

    // The recorder: the port now leads to a line with the data recorder.
    repoint(port, recorder.device());
    const auto recorderShown = [&] {
        QTabWidget* tabs = d.pages();
        for (int i = 0; tabs && i < tabs->count(); ++i)
            if (plain(tabs->tabText(i)) == QStringLiteral("Регистратор")) return tabs->isTabVisible(i);
        return false;
    };
    if (waitFor(recorderShown, 15000) && d.showPage(QStringLiteral("Регистратор"))) {
        QTest::qWait(1500);
        d.shoot(QStringLiteral("recorder"));
    } else {
        note(QStringLiteral("the recorder page did not show"));
    }

    window.close();
    note(QStringLiteral("%1 pictures in %2").arg(d.shots()).arg(out));
    return d.shots() > 0 ? 0 : 1;
}
