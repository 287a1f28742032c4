#pragma once
// Row types of the two catalogue tables (catalogue_gen4.cpp, catalogue_gen3.cpp); only the
// catalogue builder reads them.
#include <array>
#include <cstdint>

#include "settings/setting_def.h"

namespace vorsan {

struct CatalogueRow {
    const char* longName;
    const char* shortName;
    const char* unit;
    EditorKind kind;
    const char* editor; // the edit mask, or the comma-separated choice list
    std::int32_t scale;
    double minRaw;
    double maxRaw;
    std::uint16_t offset;
};

// Generation 3 rows carry no short name.
struct CatalogueRow3 {
    const char* longName;
    const char* unit;
    EditorKind kind;
    const char* editor;
    std::int32_t scale;
    double minRaw;
    double maxRaw;
    std::uint16_t offset;
};

extern const std::array<CatalogueRow, 77> kGen4Rows;
extern const std::array<CatalogueRow3, 82> kGen3Rows;

} // namespace vorsan
