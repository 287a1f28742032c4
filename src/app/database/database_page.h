#pragma once
// Page "База данных": the well tree on the left (161 pixels, bold, read-only) and two pages with
// their tabs at the bottom: "Журнал событий" (the database journal grid: the journal view's model
// and delegate, added rows' date, time and values blue) and "Уставки" (title line and settings).
// The page shows what the database operations leave (DatabaseWellData); it runs none itself: a
// user's choice of a well in the tree is handed to DatabaseCommands through wellChosen.
#include "shared/data_source.h"
#include "shared/page.h"
#include "wells/well_directory.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class JournalDelegate;
class JournalModel;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

class DatabasePage : public Page {
    Q_OBJECT
public:
    explicit DatabasePage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;
    void pageHidden() override;

    // Shows `well` in the two pages (journal grid: current row the last; settings page and its
    // title). The well is also what the data source hands to printing, export and charts. Returns
    // the well shown until now: freeing a large one takes tens of milliseconds, so the caller
    // decides where that happens.
    [[nodiscard]] std::shared_ptr<const DatabaseWellData> showWell(std::shared_ptr<const DatabaseWellData> well);

    // The well the two pages show (never null: an empty one before the first well).
    const std::shared_ptr<const DatabaseWellData>& shownWell() const { return well_; }

    // Builds the tree from the directory (in "KUST_SKV" order) in one update, selects the root,
    // then the current well's node when there is one. These selections load nothing.
    void buildTree(const std::vector<vorsan::wells::WellId>& wells, const vorsan::wells::WellId& current);
    void clearTree();

    // The user has clicked the tree since it was last shown (or since the last journal added):
    // only then does choosing a well node load it.
    bool treeClicked() const { return treeClicked_; }
    void clearTreeClicked() { treeClicked_ = false; }

    // The well of the tree's current node, nullopt when it is no well node.
    std::optional<vorsan::wells::WellId> currentWellNode() const;

    // Indices (in shown order) of the journal rows the user selected.
    std::vector<std::size_t> selectedRows() const;

    QTreeWidget* tree() const { return tree_; }
    QTabWidget* bottomPages() const { return bottom_; }
    QTableView* journalGrid() const { return grid_; }
    JournalModel* journalModel() const { return model_; }
    QTableWidget* settingsGrid() const { return settings_; }
    QLabel* settingsTitle() const { return title_; }
    // Brings "Журнал событий" to the front with the focus on its grid.
    void showJournalPage();

    // The user chose a well node (after clicking the tree).
    Q_SIGNAL void wellChosen(const vorsan::wells::WellId& well);
    // The user clicked an oilfield node (pad: none) or a pad node: the tab shows the group view
    // (the run-life table of its wells) in place of its two pages until a well node is chosen
    // (clicked, or selected by selectWellNode) or the tab is shown again.
    Q_SIGNAL void groupChosen(const QString& oilfield, std::optional<std::uint16_t> pad);
    // The view the tab shows for a clicked oilfield or pad node (the tab takes it as its child).
    void setGroupView(QWidget* view);
    bool showingGroup() const;
    // Selects the node of `well` in the tree (expanding its parents) and brings back the two pages,
    // loading nothing.
    void selectWellNode(const vorsan::wells::WellId& well);
    // The tab is shown (rebuild the tree with the directory) / hidden.
    Q_SIGNAL void shown();
    Q_SIGNAL void hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void currentNodeChanged(QTreeWidgetItem* node);
    void bottomPageChanged(int index);
    void applyColumnWidths();
    void showStatus();

    QTreeWidget* tree_ = nullptr;
    QStackedWidget* right_ = nullptr; // the two pages, or the group view
    QTabWidget* bottom_ = nullptr;
    QTableView* grid_ = nullptr;
    JournalModel* model_ = nullptr;
    JournalDelegate* delegate_ = nullptr;
    QLabel* title_ = nullptr;
    QTableWidget* settings_ = nullptr;
    std::shared_ptr<const DatabaseWellData> well_;
    bool treeClicked_ = false;
    bool building_ = false;
};

// The well of a well node ("Скважина N" under "Куст P" under "М. name"); nullopt for other nodes.
std::optional<vorsan::wells::WellId> wellOfNode(const QTreeWidgetItem* node);

// The oilfield and pad of an oilfield node ("М. name": no pad) or a pad node ("Куст P" under it);
// nullopt for other nodes.
struct WellGroup {
    QString oilfield;
    std::optional<std::uint16_t> pad;
};
std::optional<WellGroup> groupOfNode(const QTreeWidgetItem* node);
