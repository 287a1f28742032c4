#include "charts/diagrams_page.h"

#include "charts/chart_printing.h"
#include "journal/bgr_colour.h"
#include "journal/journal_page.h"
#include "shared/commands.h"
#include "shared/page_tabs.h"
#include "shared/status_panels.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

using vorsan::Command;

DiagramsPage::DiagramsPage(WindowState& state, ChartSource& source, QWidget* parent)
    : Page(state, parent), source_(source) {
    setObjectName(QStringLiteral("DiagramsPage"));
    auto* layout = new QVBoxLayout(this);
    choices_ = new QWidget(this);
    auto* row = new QHBoxLayout(choices_);
    workIdle_ = new QRadioButton(QString::fromUtf8(vorsan::kWorkIdleChoice), choices_);
    causes_ = new QRadioButton(QString::fromUtf8(vorsan::kStopCauseChoice), choices_);
    workIdle_->setChecked(true);
    row->addWidget(workIdle_);
    row->addWidget(causes_);
    row->addStretch(1);
    layout->addWidget(choices_);

    chart_ = new QChart();
    chart_->legend()->hide();
    chart_->setBackgroundRoundness(0);
    pie_ = new QPieSeries(chart_);
    pie_->setPieSize(0.6);
    chart_->addSeries(pie_);
    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("diagramView"));
    view_->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view_, 1);
    choices_->hide();
    view_->hide();

    connect(workIdle_, &QRadioButton::toggled, this, [this] { redraw(); });
}

void DiagramsPage::attach(const PageContext& context) {
    Page::attach(context);
    auto* commands = context.commands;
    if (!commands) return;
    commands->bind(Command::PrintDiagram,
                   [this] {
                       runPrintCommand(this->context().window, CommandSet::caption(Command::PrintDiagram), false,
                                       [this](QPrinter& p) { print(p); });
                   });
    commands->bind(Command::ShowDiagrams, [this] {
        source_.useWindowJournal();
        if (auto* pages = qobject_cast<PageTabs*>(this->context().pages)) pages->setCurrentIndex(kDiagramsPage);
    });
    auto* control = qobject_cast<PageTabs*>(context.pages);
    auto* journalPage = control ? control->page<JournalPage>() : nullptr;
    if (!journalPage) return;
    journalPage->grid()->addAction(commands->action(Command::ShowDiagrams));
    QTableView* grid = journalPage->grid();
    source_.windowSelection = [grid]() -> std::pair<std::size_t, std::size_t> {
        const auto rows = grid->selectionModel() ? grid->selectionModel()->selectedRows() : QModelIndexList{};
        if (rows.isEmpty()) return {0, 0};
        int top = rows.front().row();
        int bottom = top;
        for (const auto& r : rows) {
            top = std::min(top, r.row());
            bottom = std::max(bottom, r.row());
        }
        return {static_cast<std::size_t>(top), static_cast<std::size_t>(bottom)};
    };
}

bool DiagramsPage::causesChosen() const {
    return causes_->isChecked();
}

QString DiagramsPage::title() const {
    return chart_->title();
}

std::optional<vorsan::Stretch> DiagramsPage::stretch() const {
    const auto [top, bottom] = source_.selection();
    return vorsan::diagramStretch(source_.records().size(), top, bottom);
}

void DiagramsPage::pageShown() {
    showDiagram();
}

void DiagramsPage::pageHidden() {
    chart_->setTitle({});
    if (auto* pages = context().pages) {
        const int now = pages->currentIndex();
        if (now != kGraphPage && now != kSpareGraphPage) source_.useWindowJournal();
    }
}

void DiagramsPage::showJournal(const vorsan::Journal& journal, const QString& wellCaption, bool databaseMode) {
    if (databaseMode) {
        DatabaseJournal db;
        db.journal = journal;
        db.wellCaption = wellCaption;
        showDatabaseJournal(std::move(db));
        return;
    }
    source_.useWindowJournal();
    auto* pages = qobject_cast<PageTabs*>(context().pages);
    if (pages && pages->currentIndex() != kDiagramsPage)
        pages->setCurrentIndex(kDiagramsPage);
    else
        showDiagram();
}

void DiagramsPage::showDatabaseJournal(DatabaseJournal journal) {
    source_.useDatabase(std::move(journal));
    auto* pages = qobject_cast<PageTabs*>(context().pages);
    if (pages && pages->currentIndex() != kDiagramsPage)
        pages->setCurrentIndex(kDiagramsPage);
    else
        showDiagram();
}

void DiagramsPage::showDiagram() {
    if (auto* commands = context().commands) commands->retarget(CommandSlot::Print, Command::PrintDiagram);
    if (auto* status = context().status) {
        status->clear();
        status->setWell(source_.wellCaption());
    }
    if (source_.records().empty()) {
        choices_->hide();
        view_->hide();
        return;
    }
    // Shown first: the chart's theme dresses the slices of a hidden chart again when it appears.
    choices_->show();
    view_->show();
    redraw();
    const auto [top, bottom] = source_.selection();
    if (vorsan::selectionIsStretch(top, bottom)) chart_->setTitle(periodText(false));
}

void DiagramsPage::redraw() {
    pie_->clear();
    const auto s = stretch();
    if (!s) return;
    const auto records = source_.records();
    const auto slices = causesChosen()
                            ? vorsan::stopCauseDiagram(records, *s)
                            : vorsan::workIdleDiagram(records, *s, QLocale().groupSeparator().toStdString());
    // Each label carries the slice's share; the shares shown add up to 100 %.
    const auto percents = vorsan::slicePercents(slices);
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const auto& slice = slices[i];
        auto* p = pie_->append(QStringLiteral("%1 %2%").arg(QString::fromStdString(slice.label)).arg(percents[i]),
                               slice.value);
        p->setColor(colourFromBgr(slice.colour));
        p->setBorderColor(Qt::black);
        p->setBorderWidth(1);
        p->setLabelVisible(true);
    }
}

QString DiagramsPage::periodText(bool whole) const {
    const auto rows = source_.rows();
    if (rows.empty()) return {};
    std::size_t first = 0;
    std::size_t last = rows.size() - 1;
    const auto [top, bottom] = source_.selection();
    if (!whole && vorsan::selectionIsStretch(top, bottom) && top < rows.size()) {
        first = top;
        last = std::min(bottom, rows.size() - 1);
    }
    return QString::fromStdString(vorsan::periodLine(rows[first], rows[last]));
}

void DiagramsPage::print(QPrinter& printer) {
    const auto [top, bottom] = source_.selection();
    const QString caption = context().window ? context().window->windowTitle() : QStringLiteral("ВОРСАН 4.074 ");
    const QString choice = QString::fromUtf8(causesChosen() ? vorsan::kStopCausePrintTitle : vorsan::kWorkIdleChoice);
    printPieChart(printer, chart_, {caption, choice, periodText(!vorsan::selectionIsStretch(top, bottom))});
}
