#pragma once
// What the main window holds for as long as the program runs. Every command reads and replaces
// these objects; the pages get a reference to it. Only the program settings are ever written to
// disk (vors.set), and only when the user changes them.
#include "common/types.h"
#include "journal/current_state.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "settings/setting_def.h"
#include "shell/command_line.h"
#include "shell/program_settings.h"

#include <QString>

namespace vorsan::wells {
class WellDatabase;
}

#include <cstdint>
#include <memory>
#include <vector>

struct WindowState {
    // Directories: where the executable is, and where the program keeps its data ("vors.set",
    // the database directory "bd"): the program directory when it is writable, else the user's
    // data directory.
    QString programDir;
    QString dataDir;
    QString databaseDir;
    QString settingsDir;

    vorsan::ProgramSettings settings; // port name and recorder speed
    QString portDeviceOverride;       // --port DEVICE; empty: "comN" maps to a device

    std::uint8_t stationAddress = 1;
    vorsan::ControllerGeneration connectedGeneration = vorsan::ControllerGeneration::Gen4;
    vorsan::ControllerGeneration loadedGeneration = vorsan::ControllerGeneration::Gen4;
    std::uint16_t pad = vorsan::kUnknown16;
    std::uint16_t well = vorsan::kUnknown16;
    std::uint16_t recorderCount = 255; // the recorder's register 0x20; 255: no recorder

    // The well database (its directory locked for this program, "ustavki.DBF" and "temp.DBF"
    // open) from start-up to the end; null before start-up and after closing.
    std::shared_ptr<vorsan::wells::WellDatabase> database;

    bool journalLoaded = false;
    std::unique_ptr<vorsan::JournalImage> journalImage; // created at start, released with the window
    // Generation of the journal shown (loading settings of the other generation does not change it).
    vorsan::ControllerGeneration journalGeneration = vorsan::ControllerGeneration::Gen4;
    vorsan::Journal journal;                     // decoded from journalImage for journalGeneration
    std::vector<vorsan::JournalRow> journalRows; // one per record, rebuilt after every decoding

    // The settings shown: the catalogue of loadedGeneration with its values (all 0xFFFF at start).
    vorsan::SettingsCatalogue catalogue;
    // The transformer variant the last generation 3 type code chose (1 or 2; 0: none seen yet).
    int gen3Variant = 0;
    // The last current state (poll, journal transfer, file); all zero at start.
    vorsan::CurrentState currentState = vorsan::zeroState();

    // The file named on the command line, opened once the window is up (then cleared).
    QString pendingFile;
    vorsan::PendingFileKind pendingFileKind = vorsan::PendingFileKind::None;
};
