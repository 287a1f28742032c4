#include "shared/commands.h"

#include "shared/command_icons.h"

using vorsan::Command;

namespace {

struct CommandText {
    Command command;
    const char* caption; // also the hint of its tool button
    QKeySequence shortcut;
};

// Captions and shortcuts of every command, in the order of the Command enumeration.
const CommandText kCommandTexts[] = {
    {Command::OpenJournal, "Открыть файл журнала", QKeySequence(Qt::CTRL | Qt::Key_O)},
    {Command::SaveJournal, "Сохранить журнал в файл", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {Command::SaveJournalText, "Сохранить журнал в текстовый файл", QKeySequence(Qt::CTRL | Qt::Key_T)},
    {Command::ReadJournal, "Считать журнал событий", QKeySequence(Qt::CTRL | Qt::Key_R)},
    {Command::PrintJournal, "Печать журнала событий", {}},
    {Command::ExportExcel, "Экспорт журнала в MS Excel", QKeySequence(Qt::CTRL | Qt::Key_E)},
    {Command::Exit, "Выход", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    {Command::Port1, "Com1", {}},
    {Command::Port2, "Com2", {}},
    {Command::Port3, "Com3", {}},
    {Command::Port4, "Com4", {}},
    {Command::ClearChronology, "Обнуление хронологии событий", {}},
    {Command::Parameters, "Параметры...", {}},
    {Command::LoadSettingsFile, "Загрузить файл уставок", {}},
    {Command::ReadSettings, "Считать уставки с контроллера", {}},
    {Command::SaveSettingsFile, "Сохранить уставки в файл", {}},
    {Command::WriteSettings, "Запись уставок в контроллер", {}},
    {Command::PrintSettings, "Печать уставок", {}},
    {Command::AddWellFromFile, "Добавить скважину из файла", {}},
    {Command::SaveWellToFile, "Сохранить скважину в файл", {}},
    {Command::DeleteWell, "Удалить скважину из базы данных", {}},
    {Command::FindWell, "Найти скважину", {}},
    {Command::RestoreDatabase, "Обновить базу данных из архива", {}},
    {Command::ArchiveDatabase, "Создать архив базы данных", {}},
    {Command::OpenDatabase, "Работа с базой данных", {}},
    {Command::SyncWithServer, "Синхронизировать с сервером…", {}},
    {Command::SearchPrevious, "поиск предыдущего устройства в сети", {}},
    {Command::SearchDevice, "Поиск устройства в сети", {}},
    {Command::SearchNext, "поиск следующего устройства в сети", {}},
    {Command::PrintGraphs, "Печать выбранных графиков", {}},
    {Command::PrintDiagram, "Печать выбранной диаграммы", {}},
    {Command::ShowDiagrams, "Показать диаграммы", {}},
    {Command::DeleteRow, "Удалить строку", {}},
    {Command::PrintAllGraphs, "Печать нескольких графиков", {}},
    {Command::PrintDatabase, "Печать базы данных", {}},
    {Command::PrintDatabaseSettings, "Печать уставок по базе данных", {}},
    {Command::ExportDatabase, "Экспорт базы данных в MS Excel", {}},
    {Command::SaveDatabaseText, "Сохранить журнал в текстовый файл", {}},
    {Command::ShowDatabaseDiagrams, "Показать диаграммы", {}},
    {Command::DeleteDatabaseRows, "Удалить строку", {}},
    {Command::PrintWellReport, "Печать отчёта по скважине", {}},
    {Command::Help, "Справка по программе", QKeySequence(Qt::Key_F1)},
    {Command::About, "О программе", {}},
};
static_assert(std::size(kCommandTexts) == vorsan::kCommandCount);

constexpr Command kSlotDefaults[] = {Command::PrintJournal, Command::ExportExcel, Command::SaveJournalText};

} // namespace

QString CommandSet::caption(Command c) {
    return QString::fromUtf8(kCommandTexts[index(c)].caption);
}

CommandSet::CommandSet(QObject* parent) : QObject(parent) {
    for (const auto& t : kCommandTexts) {
        Q_ASSERT(&t - kCommandTexts == static_cast<std::ptrdiff_t>(index(t.command)));
        auto* a = new QAction(QString::fromUtf8(t.caption), this);
        a->setObjectName(QStringLiteral("command%1").arg(static_cast<int>(t.command)));
        a->setShortcut(t.shortcut);
        a->setToolTip(a->text());
        a->setStatusTip(a->text());
        a->setIcon(commandIcon(t.command));
        a->setEnabled(table_.enabled(t.command));
        const Command c = t.command;
        connect(a, &QAction::triggered, this, [this, c] {
            if (table_.enabled(c) && handlers_[index(c)]) handlers_[index(c)]();
        });
        actions_[index(c)] = a;
    }
    for (Command c : {Command::Port1, Command::Port2, Command::Port3, Command::Port4})
        action(c)->setCheckable(true);

    for (std::size_t s = 0; s < slots_.size(); ++s) {
        auto* a = new QAction(this);
        slots_[s] = {a, kSlotDefaults[s]};
        // The slot carries the shortcut of the command it stands for in the menu (Ctrl+E, Ctrl+T).
        a->setShortcut(action(kSlotDefaults[s])->shortcut());
        action(kSlotDefaults[s])->setShortcut({});
        connect(a, &QAction::triggered, this, [this, s] { action(slots_[s].target)->trigger(); });
        mirror(static_cast<CommandSlot>(s));
    }

    table_.setListener([this](Command c, bool on) {
        action(c)->setEnabled(on);
        for (std::size_t s = 0; s < slots_.size(); ++s)
            if (slots_[s].target == c) mirror(static_cast<CommandSlot>(s));
    });
}

void CommandSet::bind(Command c, std::function<void()> handler) {
    handlers_[index(c)] = std::move(handler);
}

void CommandSet::retarget(CommandSlot s, Command target) {
    slots_[slotIndex(s)].target = target;
    mirror(s);
}

void CommandSet::mirror(CommandSlot s) {
    const auto& slot = slots_[slotIndex(s)];
    const QAction* target = action(slot.target);
    slot.action->setText(target->text());
    slot.action->setToolTip(target->toolTip());
    slot.action->setStatusTip(target->statusTip());
    slot.action->setIcon(target->icon());
    slot.action->setEnabled(table_.enabled(slot.target));
}
