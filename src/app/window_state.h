#pragma once
// What the main window holds for as long as the program runs. Every command reads and replaces
// these objects; the pages get a reference to it. Only the program settings are ever written to
// disk (vors.set), and only when the user changes them.
#include "common/types.h"
#include "journal/current_state.h"
#include "journal/journal_record.h"
#include "settings/setting_def.h"
#include "shell/command_line.h"
#include "shell/program_settings.h"

#include <QString>

#include <cstdint>
#include <memory>

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

    bool journalLoaded = false;
    std::unique_ptr<vorsan::JournalImage> journalImage; // created at start, released with the window
    vorsan::Journal journal;                            // decoded from the image of the last read

    // The settings of the loaded generation with their raw values, and the transformer variant
    // the last generation 3 type code chose (1 or 2; 0: none seen yet).
    vorsan::SettingsCatalogue catalogue;
    int gen3Variant = 0;
    QString settingsTitle;

    vorsan::CurrentState currentState = vorsan::zeroState();

    // The file named on the command line, opened once the window is up (then cleared).
    QString pendingFile;
    vorsan::PendingFileKind pendingFileKind = vorsan::PendingFileKind::None;
};
