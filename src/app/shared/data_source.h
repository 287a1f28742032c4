#pragma once
// Which data the shared print, spreadsheet, text-export, graph and diagram functions work on: the
// window's own journal and settings, or the well shown in the database tab. The database tab
// switches it when it is shown and hidden and hands over every well it shows; the printing,
// export and chart code read it here instead of asking the tab.
#include "wells/well_database_state.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class DataKind { Window, DatabaseWell };

// A well as the database tab shows it, taken from the database once the operation that showed it
// ended: it stays valid (and unchanged) while the next operation runs.
struct DatabaseWellData {
    std::optional<vorsan::wells::WellId> well; // none: no well is shown
    vorsan::wells::DatabaseJournal journal; // records in shown order, added flags, rows of texts
    vorsan::wells::DatabaseSettings settings;
    std::vector<vorsan::wells::SettingsPageRow> settingsPage;
    std::vector<std::string> settingsPageErrors; // values outside their list of choices
    std::string settingsTitle; // "Уставки по кусту: ..." (empty while the well has no rows)
    // Tells one taking from the database from another (0: none). The buffers of a copy are reused
    // for a later one, so the address does not tell them apart.
    std::uint64_t taking = 0;
};

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    DataKind kind() const { return kind_; }
    void setKind(DataKind kind);

    // The well shown in the database tab (never null: an empty well before the first one).
    const std::shared_ptr<const DatabaseWellData>& databaseWell() const { return well_; }
    void setDatabaseWell(std::shared_ptr<const DatabaseWellData> well);

    Q_SIGNAL void kindChanged(DataKind kind);
    Q_SIGNAL void databaseWellChanged();

private:
    DataKind kind_ = DataKind::Window;
    std::shared_ptr<const DatabaseWellData> well_;
};
