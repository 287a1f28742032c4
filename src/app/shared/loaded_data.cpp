#include "shared/loaded_data.h"

#include "journal/journal_decode.h"
#include "journal/journal_file.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "shared/window_state.h"

#include <QLocale>

#include <span>

char decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point == QStringLiteral(",") ? ',' : '.';
}

vorsan::SettingsCatalogue gen4CatalogueFor(const vorsan::SettingsCatalogue& current) {
    if (current.generation == vorsan::ControllerGeneration::Gen4 && !current.entries.empty()) return current;
    return vorsan::buildCatalogue(vorsan::ControllerGeneration::Gen4);
}

void rebuildJournal(WindowState& state) {
    if (!state.journalImage) state.journalImage = std::make_unique<vorsan::JournalImage>();
    auto decoded =
        vorsan::decodeJournal(std::span<const std::uint8_t>(*state.journalImage), state.journalGeneration);
    state.journal = std::move(decoded.journal);
    rebuildJournalRows(state);
}

void rebuildJournalRows(WindowState& state) {
    state.journalRows = vorsan::buildJournalRows(state.journal, state.journalGeneration,
                                                 gen4CatalogueFor(state.catalogue), decimalSeparator());
}

QString padWellStatus(const vorsan::SettingsCatalogue& catalogue) {
    const auto pw = vorsan::padAndWell(catalogue);
    if (pw.pad == vorsan::kUnknown16 || pw.well == vorsan::kUnknown16) return {};
    return QStringLiteral("куст № %1 скважина № %2").arg(pw.pad).arg(pw.well);
}
