#include "database/database_page.h"

#include "journal/journal_delegate.h"
#include "journal/journal_model.h"
#include "journal/journal_rows.h"
#include "shared/commands.h"
#include "shared/page_index.h"
#include "shared/status_panels.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <charconv>

using vorsan::Command;
using vorsan::wells::WellId;

namespace {

constexpr int kTreeWidth = 161;
constexpr int kRowHeight = 16;
constexpr int kNameColumnWidth = 540;
constexpr int kValueColumnWidth = 100;
constexpr int kSettingsHeaderHeight = 20;
const QString kWellNodePrefix = QStringLiteral("Скважина");

// The number in `text` from character `from` (1-based), at most `length` characters.
std::optional<std::uint16_t> numberIn(const QString& text, int from, int length) {
    const std::string digits = text.mid(from - 1, length).trimmed().toStdString();
    unsigned v = 0;
    const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() || v > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(v);
}

QTreeWidgetItem* node(const QString& text) {
    return new QTreeWidgetItem(QStringList{text});
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

std::optional<WellId> wellOfNode(const QTreeWidgetItem* n) {
    if (!n || !n->text(0).startsWith(kWellNodePrefix)) return std::nullopt;
    const QTreeWidgetItem* pad = n->parent();
    const QTreeWidgetItem* field = pad ? pad->parent() : nullptr;
    if (!field) return std::nullopt;
    const auto well = numberIn(n->text(0), 10, 5);
    const auto padNumber = numberIn(pad->text(0), 6, 5);
    if (!well || !padNumber) return std::nullopt;
    return WellId{field->text(0).mid(3, 30).toStdString(), *padNumber, *well};
}

std::optional<WellGroup> groupOfNode(const QTreeWidgetItem* n) {
    if (!n) return std::nullopt;
    const QTreeWidgetItem* field = n->parent();
    if (!field && n->text(0).startsWith(QStringLiteral("М. "))) return WellGroup{n->text(0).mid(3, 30), std::nullopt};
    if (!field || field->parent() || !n->text(0).startsWith(QStringLiteral("Куст "))) return std::nullopt;
    const auto pad = numberIn(n->text(0), 6, 5);
    if (!pad) return std::nullopt;
    return WellGroup{field->text(0).mid(3, 30), *pad};
}

DatabasePage::DatabasePage(WindowState& state, QWidget* parent)
    : Page(state, parent), well_(std::make_shared<DatabaseWellData>()) {
    setObjectName(QStringLiteral("DatabasePage"));

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("wellTree"));
    tree_->setHeaderHidden(true);
    tree_->setFixedWidth(kTreeWidth);
    // Deep nodes keep their whole text: a narrow indentation, and a scroll bar rather than "...".
    tree_->setIndentation(12);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setTextElideMode(Qt::ElideNone);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setUniformRowHeights(true);
    tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
    QFont bold = tree_->font();
    bold.setBold(true);
    tree_->setFont(bold);
    // The selection stays visible when the focus is elsewhere.
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    tree_->setPalette(palette);
    tree_->viewport()->installEventFilter(this);
    tree_->installEventFilter(this);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* now, QTreeWidgetItem*) { currentNodeChanged(now); });
    // A click on an oilfield or pad node (not on its branch sign) asks for the table of its wells.
    const auto group = [this](QTreeWidgetItem* n) {
        const auto g = groupOfNode(n);
        if (!g || right_->count() < 2) return;
        right_->setCurrentIndex(1);
        emit groupChosen(g->oilfield, g->pad);
    };
    connect(tree_, &QTreeWidget::itemClicked, this, group);
    connect(tree_, &QTreeWidget::itemActivated, this, group);

    bottom_ = new QTabWidget(this);
    bottom_->setObjectName(QStringLiteral("databasePages"));
    bottom_->setTabPosition(QTabWidget::South);

    grid_ = new QTableView;
    grid_->setObjectName(QStringLiteral("databaseJournalGrid"));
    model_ = new JournalModel(
        [this] {
            return JournalModel::Source{&well_->journal.journal, &well_->journal.rows,
                                        well_->settings.generation, &well_->journal.added};
        },
        this);
    delegate_ = setUpJournalGrid(grid_, model_, QAbstractItemView::ExtendedSelection);
    bottom_->addTab(grid_, QStringLiteral("Журнал событий"));

    auto* settingsPage = new QWidget;
    settingsPage->setObjectName(QStringLiteral("databaseSettingsPage"));
    title_ = new QLabel(settingsPage);
    title_->setObjectName(QStringLiteral("databaseSettingsTitle"));
    settings_ = new QTableWidget(0, 2, settingsPage);
    settings_->setObjectName(QStringLiteral("databaseSettingsGrid"));
    settings_->setHorizontalHeaderLabels(
        {QStringLiteral("Наименование параметра"), QStringLiteral("Значение")});
    settings_->setColumnWidth(0, kNameColumnWidth);
    settings_->setColumnWidth(1, kValueColumnWidth);
    settings_->horizontalHeader()->setFixedHeight(kSettingsHeaderHeight);
    settings_->verticalHeader()->hide();
    settings_->verticalHeader()->setDefaultSectionSize(kRowHeight + 2);
    settings_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    settings_->setSelectionBehavior(QAbstractItemView::SelectRows);
    settings_->setWordWrap(false);
    auto* s = new QVBoxLayout(settingsPage);
    s->setContentsMargins(4, 4, 0, 0);
    s->addWidget(title_);
    s->addWidget(settings_);
    bottom_->addTab(settingsPage, QStringLiteral("Уставки"));
    connect(bottom_, &QTabWidget::currentChanged, this, &DatabasePage::bottomPageChanged);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tree_);
    right_ = new QStackedWidget(this);
    right_->addWidget(bottom_);
    layout->addWidget(right_, 1);
    applyColumnWidths();
    (void)showWell(well_);
}

void DatabasePage::attach(const PageContext& context) {
    Page::attach(context);
    CommandSet* c = context.commands;
    tree_->addAction(c->action(Command::AddWellFromFile));
    tree_->addAction(c->action(Command::SaveWellToFile));
    auto* separator1 = new QAction(tree_);
    separator1->setSeparator(true);
    tree_->addAction(separator1);
    tree_->addAction(c->action(Command::DeleteWell));
    auto* separator2 = new QAction(tree_);
    separator2->setSeparator(true);
    tree_->addAction(separator2);
    tree_->addAction(c->action(Command::RestoreDatabase));
    tree_->addAction(c->action(Command::ArchiveDatabase));
    grid_->addAction(c->action(Command::ShowDatabaseDiagrams));
    grid_->addAction(c->action(Command::ExportDatabase));
    grid_->addAction(c->action(Command::PrintDatabase));
    grid_->addAction(c->action(Command::DeleteDatabaseRows));
}

void DatabasePage::applyColumnWidths() {
    for (int c = 0; c < model_->columnCount(); ++c)
        grid_->setColumnWidth(c, vorsan::kJournalColumnWidths[c]);
    // A well may hold far more rows than a journal: the number column takes the widest number.
    const int widestNumber = grid_->fontMetrics().horizontalAdvance(QString::number(model_->rowCount())) + 8;
    grid_->setColumnWidth(0, std::max(vorsan::kJournalColumnWidths[0], widestNumber));
    const int cause = vorsan::kJournalColumnsGen4 - 1;
    if (model_->columnCount() > cause) {
        int widest = 0;
        for (std::uint8_t code = 1; code <= 7; ++code)
            widest = std::max(widest, grid_->fontMetrics().horizontalAdvance(qs(vorsan::causeText(code))));
        grid_->setColumnWidth(cause, std::max(vorsan::kJournalColumnWidths[cause], widest + 8));
    }
}

std::shared_ptr<const DatabaseWellData> DatabasePage::showWell(std::shared_ptr<const DatabaseWellData> well) {
    // The model reads the new well from here on; the data source lets the old one go too.
    auto previous = std::move(well_);
    well_ = well ? std::move(well) : std::make_shared<DatabaseWellData>();
    model_->reload();
    if (context().commands) context().commands->dataSource().setDatabaseWell(well_);
    applyColumnWidths();
    if (model_->rowCount() > 0) {
        const QModelIndex last = model_->index(model_->rowCount() - 1, 1);
        grid_->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
        grid_->scrollTo(last);
    }

    const auto& page = well_->settingsPage;
    settings_->setUpdatesEnabled(false);
    settings_->clearContents();
    settings_->setRowCount(int(page.size()));
    for (int i = 0; i < int(page.size()); ++i) {
        settings_->setItem(i, 0, new QTableWidgetItem(qs(page[std::size_t(i)].name)));
        auto* value = new QTableWidgetItem(qs(page[std::size_t(i)].value));
        value->setTextAlignment(Qt::AlignCenter);
        settings_->setItem(i, 1, value);
    }
    settings_->setUpdatesEnabled(true);
    if (!well_->settingsTitle.empty()) title_->setText(qs(well_->settingsTitle));
    return previous;
}

void DatabasePage::setGroupView(QWidget* view) {
    while (right_->count() > 1) right_->removeWidget(right_->widget(1));
    right_->addWidget(view);
}

bool DatabasePage::showingGroup() const {
    return right_->currentIndex() == 1;
}

void DatabasePage::selectWellNode(const WellId& well) {
    right_->setCurrentIndex(0);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* field = tree_->topLevelItem(i);
        for (int p = 0; p < field->childCount(); ++p)
            for (int w = 0; w < field->child(p)->childCount(); ++w) {
                QTreeWidgetItem* n = field->child(p)->child(w);
                if (wellOfNode(n) != well) continue;
                building_ = true;
                field->setExpanded(true);
                field->child(p)->setExpanded(true);
                tree_->setCurrentItem(n);
                tree_->scrollToItem(n);
                building_ = false;
                return;
            }
    }
}

std::optional<WellId> DatabasePage::currentWellNode() const {
    return wellOfNode(tree_->currentItem());
}

void DatabasePage::showJournalPage() {
    bottom_->setCurrentIndex(0);
    grid_->setFocus();
}

std::vector<std::size_t> DatabasePage::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& i : grid_->selectionModel()->selectedRows())
        rows.push_back(std::size_t(i.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DatabasePage::clearTree() {
    building_ = true;
    tree_->clear();
    building_ = false;
}

void DatabasePage::buildTree(const std::vector<WellId>& wells, const WellId& current) {
    building_ = true;
    tree_->setUpdatesEnabled(false);
    tree_->clear();
    const auto directory = vorsan::wells::buildWellTree(wells);
    QList<QTreeWidgetItem*> top;
    top.reserve(int(directory.oilfields.size()) + 1);
    auto* root = node(QString::fromUtf8(vorsan::wells::kTreeRootText));
    top.append(root);
    QTreeWidgetItem* currentNode = nullptr;
    for (const auto& field : directory.oilfields) {
        auto* f = node(qs(vorsan::wells::oilfieldNodeText(field.name)));
        const bool sameField = field.name == current.oilfield;
        for (const auto& pad : field.pads) {
            auto* p = node(qs(vorsan::wells::padNodeText(pad.pad)));
            const bool samePad = sameField && pad.pad == current.pad;
            for (const auto w : pad.wells) {
                auto* n = node(qs(vorsan::wells::wellNodeText(w)));
                p->addChild(n);
                if (samePad && w == current.well && !currentNode) currentNode = n;
            }
            f->addChild(p);
        }
        top.append(f);
    }
    tree_->addTopLevelItems(top);
    tree_->setCurrentItem(root);
    if (!current.none() && currentNode) {
        for (auto* up = currentNode->parent(); up; up = up->parent())
            up->setExpanded(true);
        tree_->setCurrentItem(currentNode);
        tree_->scrollToItem(currentNode);
    }
    tree_->setUpdatesEnabled(true);
    building_ = false;
    tree_->setFocus();
}

bool DatabasePage::eventFilter(QObject* watched, QEvent* event) {
    // A press of the mouse on the tree or of a key in it is the user's own choice of a node.
    if ((watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) ||
        (watched == tree_ && event->type() == QEvent::KeyPress))
        treeClicked_ = true;
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonRelease && context().commands) {
        // Clicking the well already shown makes it the user's selection too.
        const auto well = wellOfNode(tree_->currentItem());
        if (well && well == well_->well) context().commands->table().wellSelected(true);
    }
    return Page::eventFilter(watched, event);
}

void DatabasePage::currentNodeChanged(QTreeWidgetItem* n) {
    if (building_) return;
    if (context().commands) context().commands->table().wellSelected(false);
    if (!treeClicked_) return;
    if (const auto well = wellOfNode(n)) {
        right_->setCurrentIndex(0);
        emit wellChosen(*well);
    }
}

void DatabasePage::bottomPageChanged(int index) {
    if (!context().commands || !isVisible()) return;
    if (index == 0) {
        context().commands->retarget(CommandSlot::Print, Command::PrintDatabase);
        grid_->setFocus();
    } else {
        context().commands->retarget(CommandSlot::Print, Command::PrintDatabaseSettings);
        settings_->setFocus();
    }
}

void DatabasePage::showStatus() {
    auto* status = context().status;
    status->clear();
    const auto& w = well_->well;
    if (w && !w->none()) status->setWell(QStringLiteral("куст № %1 скважина № %2").arg(w->pad).arg(w->well));
}

void DatabasePage::pageShown() {
    if (!context().commands) return;
    CommandSet* c = context().commands;
    c->dataSource().setKind(DataKind::DatabaseWell);
    c->retarget(CommandSlot::Print,
                bottom_->currentIndex() == 0 ? Command::PrintDatabase : Command::PrintDatabaseSettings);
    c->retarget(CommandSlot::Export, Command::ExportDatabase);
    c->retarget(CommandSlot::SaveText, Command::SaveDatabaseText);
    if (auto* pages = context().pages) {
        pages->setTabText(kDiagramsPage, QStringLiteral("Диаграммы по базе данных"));
        pages->setTabText(kGraphPage, QStringLiteral("Графики по базе данных"));
        pages->setTabText(kSpareGraphPage, QStringLiteral("Графики по базе данных"));
    }
    if (bottom_->currentIndex() == 0)
        grid_->setFocus();
    else
        settings_->setFocus();
    showStatus();
    c->table().wellSelected(false);
    emit shown();
}

void DatabasePage::pageHidden() {
    right_->setCurrentIndex(0);
    clearTree();
    treeClicked_ = false;
    if (context().commands) context().commands->table().wellSelected(false);
    emit hidden();
}
