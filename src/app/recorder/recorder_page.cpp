#include "recorder/recorder_page.h"

#include "link/recorder_transfer.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The caption colour of a chronology that was downloaded into the window.
const QColor kDownloadedColour(0x5F, 0x5F, 0xEF);
const QString kLoadHint = QStringLiteral("Загрузить");
const QString kGen3OnlyHint = QStringLiteral("Только для версии Ворсан 3");

// Up to ten entries stand in one column; more are split over two columns of ceil(n / 2) rows.
int rowsFor(int count) {
    return count <= 10 ? count : (count + 1) / 2;
}

} // namespace

RecorderPage::RecorderPage(WindowState& state, QWidget* parent) : Page(state, parent) {
    setObjectName(QStringLiteral("RecorderPage"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    refresh_ = new QPushButton(QStringLiteral("Обновить"), this);
    clear_ = new QPushButton(QStringLiteral("Обнулить регистратор"), this);
    loadMarked_ = new QPushButton(QStringLiteral("Загрузить все отмеченные в базу данных"), this);
    selectAll_ = new QPushButton(QStringLiteral("Выбрать все"), this);
    for (QPushButton* b : {refresh_, clear_, loadMarked_, selectAll_})
        bar->addWidget(b);
    bar->addStretch();
    layout->addLayout(bar);
    scroll_ = new QScrollArea(this);
    area_ = new QWidget;
    scroll_->setWidget(area_);
    layout->addWidget(scroll_, 1);
    connect(selectAll_, &QPushButton::clicked, this, &RecorderPage::selectAll);
    layoutEntries(vorsan::kMaxRecorderEntries);
}

void RecorderPage::layoutEntries(int count) {
    // The marks belong to the entry numbers, not to the widgets: they outlive a new layout.
    std::vector<bool> marks;
    for (const Entry& e : entries_) {
        marks.push_back(e.mark->isChecked());
        delete e.button;
        delete e.mark;
    }
    entries_.clear();
    count = std::clamp(count, 0, vorsan::kMaxRecorderEntries);
    const QFontMetrics fm(area_->font());
    const int width = 66 * fm.horizontalAdvance(QLatin1Char('0'));
    const int height = fm.height() * 7 / 4;
    const int rows = rowsFor(count);
    int column = 0;
    int margin = 20;
    for (int i = 1; i <= count; ++i) {
        while ((column + 1) * rows < i) {
            ++column;
            margin *= 2;
        }
        const int left = column * width + margin;
        const int top = (i - 1 - column * rows) * height;
        Entry e;
        e.button = new QPushButton(QString::number(i), area_);
        e.button->setObjectName(QStringLiteral("entry%1").arg(i));
        e.button->setGeometry(left, top, width, height);
        e.button->setEnabled(false);
        e.mark = new QCheckBox(area_);
        e.mark->setObjectName(QStringLiteral("mark%1").arg(i));
        e.mark->setGeometry(left - 15, top + (height - e.mark->sizeHint().height()) / 2, 14,
                            e.mark->sizeHint().height());
        e.mark->setEnabled(false);
        e.mark->setChecked(std::size_t(i - 1) < marks.size() && marks[std::size_t(i - 1)]);
        connect(e.button, &QPushButton::clicked, this, [this, i] { emit entryClicked(i); });
        e.button->show();
        e.mark->show();
        entries_.push_back(e);
    }
    const int columns = rows == 0 ? 0 : (count + rows - 1) / rows;
    area_->resize(columns * width + 20 * (1 << std::max(columns - 1, 0)) + 4, rows * height + 4);
}

void RecorderPage::showEntry(int i, const QString& caption, bool loadable) {
    const Entry& e = entries_.at(std::size_t(i - 1));
    e.button->setText(caption);
    e.button->setPalette(QPalette());
    e.button->setToolTip(loadable ? kLoadHint : kGen3OnlyHint);
    e.button->setEnabled(loadable);
    e.mark->setEnabled(loadable);
    if (!loadable) e.mark->setChecked(false);
}

void RecorderPage::markDownloaded(int i) {
    QPushButton* b = entryButton(i);
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, kDownloadedColour);
    b->setPalette(p);
}

bool RecorderPage::marked(int i) const {
    const Entry& e = entries_.at(std::size_t(i - 1));
    return e.mark->isEnabled() && e.mark->isChecked();
}

void RecorderPage::selectAll() {
    for (const Entry& e : entries_)
        if (e.mark->isEnabled()) e.mark->setChecked(true);
}
