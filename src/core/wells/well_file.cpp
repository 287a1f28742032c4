#include "wells/well_file.h"

#include "settings/catalogue.h"
#include "text/cp1251.h"

namespace vorsan::wells {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint32_t get(std::span<const std::uint8_t> b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

std::uint16_t valueOf(const WellFile& f, int gen4Number, int gen3Number) {
    const int n = f.generation == ControllerGeneration::Gen4 ? gen4Number : gen3Number;
    return f.values[static_cast<std::size_t>(n - kFirstSettingNumber)];
}

} // namespace

std::uint16_t WellFile::pad() const {
    return valueOf(*this, kGen4PadNumber, kGen3PadNumber);
}
std::uint16_t WellFile::well() const {
    return valueOf(*this, kGen4WellNumber, kGen3WellNumber);
}
void WellFile::setPadAndWell(std::uint16_t pad, std::uint16_t well) {
    const bool gen4 = generation == ControllerGeneration::Gen4;
    values[static_cast<std::size_t>((gen4 ? kGen4PadNumber : kGen3PadNumber) - kFirstSettingNumber)] = pad;
    values[static_cast<std::size_t>((gen4 ? kGen4WellNumber : kGen3WellNumber) - kFirstSettingNumber)] = well;
}

std::vector<std::uint8_t> wellFileBytes(const WellFile& f) {
    std::vector<std::uint8_t> out;
    out.reserve(f.table.size() + f.index.size() + kWellFileFixedBytes);
    put32(out, static_cast<std::uint32_t>(f.table.size()));
    put32(out, static_cast<std::uint32_t>(f.index.size()));
    out.insert(out.end(), 6, 0xFF);
    put16(out, f.generation == ControllerGeneration::Gen4 ? kWellFileMarkerGen4 : kWellFileMarkerGen3);
    out.insert(out.end(), f.table.begin(), f.table.end());
    out.insert(out.end(), f.index.begin(), f.index.end());
    for (std::uint16_t v : f.values)
        put16(out, v);
    std::string name = utf8ToCp1251(f.oilfield).bytes.substr(0, 30);
    const auto length = static_cast<std::uint8_t>(name.size());
    name.resize(30, ' ');
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(length);
    return out;
}

std::optional<WellFile> parseWellFile(std::span<const std::uint8_t> b) {
    if (b.size() < kWellFileFixedBytes) return std::nullopt;
    const std::uint64_t n1 = get(b, 0, 4), n2 = get(b, 4, 4);
    const std::uint16_t marker = static_cast<std::uint16_t>(get(b, 14, 2));
    if (marker != kWellFileMarkerGen4 && marker != kWellFileMarkerGen3) return std::nullopt;
    // A file shorter than its sizes claim is damaged: its tables would be cut off.
    if (n1 + n2 + kWellFileFixedBytes > b.size()) return std::nullopt;
    WellFile f;
    f.generation = marker == kWellFileMarkerGen4 ? ControllerGeneration::Gen4 : ControllerGeneration::Gen3;
    std::size_t at = 16;
    f.table.assign(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n1));
    at += n1;
    f.index.assign(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n2));
    at += n2;
    for (std::size_t i = 0; i < kWellFileValues; ++i, at += 2)
        f.values[i] = static_cast<std::uint16_t>(get(b, at, 2));
    const std::size_t length = std::min<std::size_t>(b[at + 30], 30);
    f.oilfield = cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&b[at]), length));
    return f;
}

} // namespace vorsan::wells
