#include "settings/settings_compare_dialog.h"

#include "journal/settings_file.h"
#include "settings/settings_model.h"
#include "settings/settings_page.h"
#include "shared/data_source.h"
#include "shared/loaded_data.h"
#include "shared/window_state.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kCompareCaption = QStringLiteral("Сравнить уставки…");
const QString kSettingsFilter = QStringLiteral("Файл уставок *.us4; *.ust (*.us4 *.ust)");

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

SettingsCompareDialog::SettingsCompareDialog(const vorsan::SettingsComparison& comparison, const QString& there,
                                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsCompareDialog"));
    setWindowTitle(QStringLiteral("Сравнение уставок"));
    const auto& diffs = comparison.differences;
    auto* label = new QLabel(diffs.empty()
                                 ? QStringLiteral("Уставки на странице и %1 совпадают.").arg(there)
                                 : QStringLiteral("Уставки на странице и %1: различаются %2.").arg(there).arg(diffs.size()),
                             this);
    label->setWordWrap(true);
    QString thereHeader = there.section(QLatin1Char(' '), 0, 1); // "в файле"
    if (!thereHeader.isEmpty()) thereHeader[0] = thereHeader[0].toUpper();
    table_ = new QTableWidget(static_cast<int>(diffs.size()), 4, this);
    table_->setObjectName(QStringLiteral("compareTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Наименование параметра"),
                                       QStringLiteral("На странице"), thereHeader});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < static_cast<int>(diffs.size()); ++r) {
        const auto& d = diffs[static_cast<std::size_t>(r)];
        const QString cells[] = {q(d.number), q(d.name), q(d.here), q(d.there)};
        for (int c = 0; c < 4; ++c)
            table_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table_->setColumnWidth(0, 40);
    table_->setColumnWidth(1, 420);
    table_->setColumnWidth(2, 110);
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(780, 420);
}

SettingsCompareDialog* showSettingsComparison(const vorsan::SettingsComparison& comparison, const QString& there,
                                              SettingsPage* page, QWidget* parent) {
    if (!comparison.compared()) {
        QMessageBox::warning(parent, QStringLiteral("Внимание"), q(comparison.refusal));
        return nullptr;
    }
    QList<int> rows;
    for (const auto& d : comparison.differences)
        rows << static_cast<int>(d.index);
    page->model()->setMarkedRows(rows);
    auto* dialog = new SettingsCompareDialog(comparison, there, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Choosing a difference shows its row on the settings page.
    QObject::connect(dialog->table(), &QTableWidget::currentCellChanged, page, [page, rows](int row) {
        if (row >= 0 && row < rows.size())
            page->grid()->scrollTo(page->model()->index(rows[row], 0), QAbstractItemView::PositionAtCenter);
    });
    dialog->show();
    return dialog;
}

bool compareWithSettingsFile(const QString& path, WindowState& state, SettingsPage* page, QWidget* parent) {
    // A file of unknown magic is not compared: nothing says which settings it holds.
    const auto load = vorsan::loadSettingsFile(std::filesystem::path(path.toStdU16String()),
                                               state.catalogue.generation, [] { return false; });
    if (load.status != vorsan::FileStatus::ok) {
        QString why = load.status == vorsan::FileStatus::unreadable ? q(load.error)
                                                                    : QStringLiteral("это не файл уставок");
        QMessageBox::critical(parent, QStringLiteral("Ошибка"),
                              QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    const QString there = QStringLiteral("в файле %1").arg(QFileInfo(path).fileName());
    const auto comparison =
        vorsan::compareSettings(state.catalogue, load.file.catalogue, decimalSeparator(), there.toStdString());
    showSettingsComparison(comparison, there, page, parent);
    return true;
}

QAction* attachSettingsComparison(QMenu* menu, SettingsPage* page, WindowState& state, QWidget* parent) {
    auto* action = new QAction(kCompareCaption, parent);
    action->setObjectName(QStringLiteral("compareSettingsAction"));
    QObject::connect(action, &QAction::triggered, parent, [page, &state, parent] {
        const QString path = QFileDialog::getOpenFileName(parent, kCompareCaption, QString(), kSettingsFilter);
        if (!path.isEmpty()) compareWithSettingsFile(path, state, page, parent);
    });
    menu->addSeparator();
    menu->addAction(action);
    page->grid()->addAction(action);
    page->grid()->setContextMenuPolicy(Qt::ActionsContextMenu);
    return action;
}

QAction* attachSnapshotComparison(QMenu* menu, SettingsPage* page, WindowState& state, DataSource& database,
                                  QWidget* parent) {
    auto* action = new QAction(QStringLiteral("Сравнить уставки со скважиной из базы данных"), parent);
    action->setObjectName(QStringLiteral("compareSnapshotAction"));
    auto follow = [action, &database] {
        const auto& well = database.databaseWell();
        action->setEnabled(well && well->settings.present);
    };
    follow();
    QObject::connect(&database, &DataSource::databaseWellChanged, action, follow);
    QObject::connect(action, &QAction::triggered, parent, [page, &state, &database, parent] {
        const auto well = database.databaseWell();
        if (!well || !well->well || !well->settings.present) return;
        vorsan::SettingsSet values;
        for (const auto& e : well->settings.catalogue.entries)
            values.push_back(e.value);
        const QString there = QStringLiteral("в базе данных (куст %1, скважина %2)")
                                  .arg(well->well->pad)
                                  .arg(well->well->well);
        showSettingsComparison(vorsan::compareSettings(state.catalogue, well->settings.generation, values,
                                                       decimalSeparator(), there.toStdString()),
                               there, page, parent);
    });
    menu->addAction(action);
    page->grid()->addAction(action);
    return action;
}
