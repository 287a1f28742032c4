#pragma once
// The commands that move data between the window and a station: "Считать журнал событий" of
// either generation (`readJournalGen4`, `readJournalGen3`), "Считать уставки с контроллера"
// (`readSettings`), "Запись уставок в контроллер" (`writeSettings`) and "Обнуление хронологии
// событий" (`clearChronology`). Each runs its transaction on the link thread through the session.
#include "common/types.h"
#include "settings/setting_def.h"

#include <QObject>

class LiveSession;

class StationCommands : public QObject {
    Q_OBJECT
public:
    explicit StationCommands(LiveSession& session);

    // Points "Считать журнал событий" (menu item and tool button) at the command of a generation.
    void bindReadJournal(vorsan::ControllerGeneration generation);

    void readJournalGen4();
    void readJournalGen3();
    void readSettings();
    void writeSettings();
    void clearChronology();

private:
    // Applies the transformer variant of a generation 3 type code (or, without one, the probe's).
    void applyGen3Variant(vorsan::SettingsCatalogue& settings, int typeCode);
    void settingsTitle(const QString& title);

    LiveSession& session_;
};
