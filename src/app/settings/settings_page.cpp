#include "settings/settings_page.h"

#include "settings/catalogue.h"
#include "settings/mask_edit.h"
#include "settings/settings_model.h"
#include "settings/value_text.h"
#include "shared/commands.h"
#include "shared/loaded_data.h"
#include "shared/status_panels.h"
#include "shared/window_state.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

using vorsan::Command;

namespace {
constexpr int kTitleHeight = 25;
constexpr int kHeaderHeight = 20;
constexpr int kRowHeight = 17;
constexpr int kNameWidth = 540;
constexpr int kValueWidth = 100;
constexpr int kScrollMin = 1;
constexpr int kScrollMax = 81;
constexpr int kScrollPage = 15;

// Message boxes show a CR as nothing; the line break is what it stands for.
QString boxText(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}
} // namespace

SettingsPage::SettingsPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("SettingsPage"));
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("settingsTitle"));
    title_->setFixedHeight(kTitleHeight);
    title_->setFrameShape(QFrame::Panel);
    title_->setFrameShadow(QFrame::Raised);
    title_->setAlignment(Qt::AlignCenter);

    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("settingsGrid"));
    model_ = new SettingsModel(this);
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setFixedHeight(kHeaderHeight);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid_->installEventFilter(this);

    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName(QStringLiteral("settingsScrollBar"));
    scroll_->setRange(kScrollMin, kScrollMax);
    scroll_->setPageStep(kScrollPage);
    scroll_->setValue(kScrollMin);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(grid_, 1);
    row->addWidget(scroll_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title_);
    layout->addLayout(row, 1);

    connect(grid_, &QTableView::doubleClicked, this, [this] { openEditor(); });
    connect(scroll_, &QScrollBar::valueChanged, this, &SettingsPage::onScrollBarMoved);
    // Scrolling the grid by keys or wheel moves its scroll bar along.
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        const QSignalBlocker block(scroll_);
        scroll_->setValue(topRow());
    });
}

void SettingsPage::attach(const PageContext& context) {
    Page::attach(context);
    if (state().catalogue.entries.empty())
        state().catalogue = vorsan::buildCatalogue(state().loadedGeneration);
    showSettings();
}

void SettingsPage::showSettings() {
    discardEditor();
    model_->prepare(state().catalogue);
    grid_->setColumnWidth(0, kNameWidth);
    grid_->setColumnWidth(1, kValueWidth);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SettingsPage::onCurrentRowChanged, Qt::UniqueConnection);
    showValues(1, static_cast<int>(state().catalogue.size()));
    if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
    scroll_->setValue(kScrollMin);
}

void SettingsPage::showValues(int first, int last) {
    model_->showValues(state().catalogue, first - 1, last - 1, decimalSeparator(), [this] {
        QMessageBox::critical(context().window, QStringLiteral("Error"),
                              QString::fromUtf8(vorsan::kChoiceOutOfRangeMessage));
    });
}

void SettingsPage::setTitle(const QString& text) {
    title_->setText(text);
}

QString SettingsPage::title() const {
    return title_->text();
}

void SettingsPage::pageShown() {
    context().commands->retarget(CommandSlot::Print, Command::PrintSettings);
    grid_->setFocus();
    context().status->clear();
    context().status->setWell(padWellStatus(state().catalogue));
}

QWidget* SettingsPage::editor() const {
    if (maskEditor_) return maskEditor_;
    return choiceEditor_;
}

int SettingsPage::topRow() const {
    return grid_->rowAt(0) + 1;
}

int SettingsPage::visibleRows() const {
    return std::max(1, grid_->viewport()->height() / kRowHeight);
}

void SettingsPage::openEditor() {
    discardEditor();
    const QModelIndex current = grid_->currentIndex();
    const auto* def = state().catalogue.at(static_cast<std::size_t>(current.row()));
    if (!current.isValid() || !def) return;
    editorRow_ = current.row() + 1;
    QWidget* editor = nullptr;
    if (def->editorKind == vorsan::EditorKind::mask) {
        maskEditor_ = new MaskEdit(def->mask(), grid_->viewport());
        editor = maskEditor_;
    } else {
        choiceEditor_ = new QComboBox(grid_->viewport());
        for (const auto& c : def->choices)
            choiceEditor_->addItem(QString::fromStdString(c));
        choiceEditor_->setCurrentIndex(def->value < def->choices.size() ? def->value : -1);
        editor = choiceEditor_;
    }
    editor->installEventFilter(this);
    // One pixel further left and up and two pixels larger than the value cell.
    editor->setGeometry(grid_->visualRect(model_->index(current.row(), 1)).adjusted(-1, -1, 1, 1));
    editor->show();
    editor->raise();
    editor->setFocus();
}

void SettingsPage::discardEditor() {
    QWidget* editor = this->editor();
    if (!editor || closing_) return;
    closing_ = true;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    maskEditor_ = nullptr;
    choiceEditor_ = nullptr;
    const int row = editorRow_;
    editorRow_ = 0;
    closing_ = false;
    if (row > 0) showValues(row, row);
}

void SettingsPage::commitEditor() {
    auto* def = state().catalogue.at(static_cast<std::size_t>(editorRow_ - 1));
    if (!def || closing_) return;
    const int row = editorRow_;
    std::string message;
    if (maskEditor_) {
        const auto input =
            vorsan::parseSettingInput(*def, maskEditor_->text().toStdString(), decimalSeparator());
        if (input.ok) {
            def->value = input.raw;
            def->loaded = true; // the user's own value counts as known
        } else {
            message = input.message;
        }
    } else if (choiceEditor_) {
        if (const auto raw = vorsan::choiceCommit(*def, choiceEditor_->currentIndex())) {
            def->value = *raw;
            def->loaded = true;
        }
    }
    discardEditor();
    grid_->setFocus();
    if (!message.empty()) QMessageBox::critical(context().window, QStringLiteral("Ошибка"), boxText(message));
    showValues(row, row);
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openEditor();
            return true;
        }
    } else if (watched == editor()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                commitEditor();
                return true;
            }
            if (key == Qt::Key_Escape) {
                discardEditor();
                grid_->setFocus();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut &&
                   static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            // Clicking elsewhere leaves the value as it was.
            discardEditor();
        }
    }
    return Page::eventFilter(watched, event);
}

void SettingsPage::onCurrentRowChanged() {
    discardEditor();
    const int current = grid_->currentIndex().row() + 1;
    const int position = scroll_->value();
    if (current > position + visibleRows() || topRow() < position) {
        const QSignalBlocker block(scroll_);
        scroll_->setValue(topRow());
    }
}

void SettingsPage::onScrollBarMoved(int position) {
    discardEditor();
    grid_->verticalScrollBar()->setValue(position - 1);
    const int top = topRow();
    const int last = top + visibleRows() - 1;
    const int current = grid_->currentIndex().row() + 1;
    int wanted = current;
    if (current < top) wanted = top;
    if (current > last) wanted = std::min(last, model_->rowCount());
    if (wanted != current && wanted >= 1) grid_->setCurrentIndex(model_->index(wanted - 1, 0));
    grid_->setFocus();
}
