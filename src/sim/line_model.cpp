#include "line_model.h"

#include "journal/journal_file.h"
#include "link/checksums.h"
#include "settings/settings_block.h"

#include <algorithm>
#include <filesystem>

namespace vorsan::sim {
namespace {

constexpr std::uint8_t kRecorderAddress = 0xFF;
constexpr std::uint16_t kRecorderCountRegister = 0x20;
constexpr std::uint16_t kRecorderSpeedRegister = 9;
constexpr std::uint16_t kRunRegister = 0x3F;  // 0x05 on 0x3F: start (1) / stop (0)
constexpr std::uint16_t kClearValue = 0x2710; // 0x05 on register 0 with 0x2710: clear
constexpr std::size_t kInputRegisters = kJournalImageSize / 2;
constexpr std::uint16_t kStateBlockRegisters = 16; // a poll's first request: registers 63..78
constexpr std::uint8_t kGen3StatusValue = 16;      // a generation 3 poll's first value

// Refusal codes: 1 function not known, 2 register out of range, 4 the device would not do it.
Bytes refusal(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    Bytes r{address, static_cast<std::uint8_t>(function | 0x80), code};
    appendCrc(r);
    return r;
}

Bytes echo(std::uint8_t address, std::span<const std::uint8_t> frame) {
    Bytes r(frame.begin(), frame.begin() + 6);
    r[0] = address;
    appendCrc(r);
    return r;
}

std::uint16_t word(std::span<const std::uint8_t> frame, std::size_t at) {
    return static_cast<std::uint16_t>(frame[at] << 8 | frame[at + 1]);
}

// Reply to 0x03/0x04: address, function, byte count, the values high byte first, CRC.
template <typename ValueAt>
Bytes registersReply(std::uint8_t address, std::uint8_t function, std::uint16_t first, std::uint16_t count,
                     ValueAt valueAt) {
    Bytes r{address, function, static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t k = 0; k < count; ++k) {
        std::uint16_t v = valueAt(first + k);
        r.push_back(static_cast<std::uint8_t>(v >> 8));
        r.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    appendCrc(r);
    return r;
}

// Value requests of the generation 3 controller.
bool isValueCommand(std::uint8_t c) {
    return (c >= 16 && c <= 29) || c == 35 || (c >= 48 && c <= 56) || c == 65;
}

} // namespace

void appendCrc(Bytes& frame) {
    std::uint16_t crc = crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

LineModel::LineModel(const SimOptions& o) : switchOff(o.switchOff), badChecksum(o.badChecksum), baud(o.baud) {
    for (std::uint8_t a : o.gen4Addresses)
        if (std::none_of(stations.begin(), stations.end(),
                         [a](const Gen4Station& s) { return s.address == a; })) {
            Gen4Station st = makeGen4Station(a, o.seed);
            const auto setting = [a](const std::map<std::uint8_t, unsigned>& m) {
                const auto it = m.find(a);
                return it == m.end() ? 0u : it->second;
            };
            st.replyDelayMs = setting(o.replyDelayMs);
            st.stopCycleS = setting(o.stopCycleS);
            st.silenceCycleS = setting(o.silenceCycleS);
            stations.push_back(std::move(st));
        }
    if (o.gen3TypeCode) gen3 = makeGen3Controller(*o.gen3TypeCode, o.seed);
    if (o.recorderEntries) {
        recorder = Recorder{};
        recorder->entries = makeRecorderEntries(*o.recorderEntries, o.seed);
        recorder->count = static_cast<std::uint16_t>(*o.recorderEntries);
    }
}

unsigned LineModel::replySpeed(std::span<const std::uint8_t> frame) const {
    if (!recorder || frame.empty()) return baud;
    std::uint8_t a = frame[0];
    bool forRecorder =
        a == kRecorderAddress || (a >= 1 && a <= recorder->count && a <= recorder->entries.size());
    return forRecorder ? recorder->speed() : baud;
}

Bytes LineModel::onFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() != 8) return {};
    std::uint8_t a = frame[0];
    if (recorder) {
        if (a == kRecorderAddress) return recorderFrame(frame);
        if (a >= 1 && a <= recorder->count && a <= recorder->entries.size()) {
            RecorderEntry& e = recorder->entries[a - 1];
            return stationFrame(a, e.holding, e.journal, frame);
        }
    }
    for (Gen4Station& s : stations) {
        if (s.address != a) continue;
        if (s.silent || (s.silenceCycleS && (nowSeconds / s.silenceCycleS) % 2 == 1)) return {};
        if (s.stopCycleS) {
            // Even periods it runs, odd ones it stands after an underload stop.
            const bool shouldRun = (nowSeconds / s.stopCycleS) % 2 == 0;
            if (shouldRun && !(s.holding[kRegStatus] & 1u)) startStop(s, true);
            if (!shouldRun && (s.holding[kRegStatus] & 1u)) trip(s, 3);
        }
        return stationFrame(s.replyAddress, s.holding, s.journal, frame, &s);
    }
    return {};
}

unsigned LineModel::replyDelayMs(std::span<const std::uint8_t> frame) const {
    if (frame.empty() || (recorder && (frame[0] == kRecorderAddress || frame[0] <= recorder->count)))
        return 0;
    for (const Gen4Station& s : stations)
        if (s.address == frame[0]) return s.replyDelayMs;
    return 0;
}

Bytes LineModel::stationFrame(std::uint8_t replyAddress, RegisterFile& holding, JournalImage& journal,
                              std::span<const std::uint8_t> frame, Gen4Station* live) {
    const std::uint8_t fn = frame[1];
    const std::uint16_t reg = word(frame, 2), arg = word(frame, 4);
    switch (fn) {
    case 0x03: {
        if (arg == 0 || arg > 125 || reg + arg > holding.size()) return refusal(replyAddress, fn, 2);
        // A poll opens with the state block: the station's world moves on to now, so every poll
        // sees the clock run and the values drift while the blocks of one poll agree.
        if (live && reg == kRegStatus && arg == kStateBlockRegisters) updateLive(*live, nowSeconds);
        return registersReply(replyAddress, fn, reg, arg, [&](std::size_t r) { return holding[r]; });
    }
    case 0x04:
        if (arg == 0 || arg > 125 || reg + arg > kInputRegisters) return refusal(replyAddress, fn, 2);
        // Input register n holds journal bytes 2n and 2n + 1, sent in image order.
        return registersReply(replyAddress, fn, reg, arg, [&](std::size_t r) {
            return static_cast<std::uint16_t>(journal[2 * r] << 8 | journal[2 * r + 1]);
        });
    case 0x06:
        if (reg >= holding.size()) return refusal(replyAddress, fn, 2);
        holding[reg] = arg;
        return echo(replyAddress, frame);
    case 0x05:
        if (reg == kRunRegister && arg <= 1) {
            if (live)
                startStop(*live, arg == 1);
            else
                holding[kRegStatus] = static_cast<std::uint16_t>((holding[kRegStatus] & ~1u) | arg);
            return echo(replyAddress, frame);
        }
        if (reg == 0 && arg == kClearValue) {
            if (!switchOff) return refusal(replyAddress, fn, 4);
            journal.fill(0xFF);
            return echo(replyAddress, frame);
        }
        return refusal(replyAddress, fn, 2);
    default:
        return refusal(replyAddress, fn, 1);
    }
}

Bytes LineModel::recorderFrame(std::span<const std::uint8_t> frame) {
    const std::uint8_t fn = frame[1];
    const std::uint16_t reg = word(frame, 2), arg = word(frame, 4);
    if (fn == 0x03 && reg == kRecorderCountRegister && arg == 1)
        return registersReply(kRecorderAddress, fn, reg, arg, [&](std::size_t) { return recorder->count; });
    if (fn == 0x03 && reg == kRecorderSpeedRegister && arg == 1)
        return registersReply(kRecorderAddress, fn, reg, arg,
                              [&](std::size_t) { return recorder->speedCode; });
    if (fn == 0x06 && reg == kRecorderSpeedRegister && arg >= 1 && arg <= 255) {
        recorder->speedCode = static_cast<std::uint8_t>(arg); // takes effect after this reply
        return echo(kRecorderAddress, frame);
    }
    if (fn == 0x06 && reg == kRecorderCountRegister) {
        // Writing the count empties the directory down to that many entries (0: all gone).
        recorder->count = std::min<std::uint16_t>(arg, recorder->count);
        recorder->entries.resize(recorder->count);
        return echo(kRecorderAddress, frame);
    }
    return refusal(kRecorderAddress, fn, fn == 0x03 || fn == 0x06 ? 2 : 1);
}

Bytes LineModel::gen3Checksummed(const std::uint8_t* data, std::size_t size, std::uint8_t echoByte) {
    gen3LastSum_ = additiveSum(data, size);
    if (badChecksum) ++gen3LastSum_;
    Bytes r(size + 1);
    r[0] = echoByte;
    std::copy_n(data, size, r.begin() + 1);
    return r;
}

Bytes LineModel::onCommandByte(std::uint8_t b) {
    if (!gen3) return {};
    switch (gen3Phase_) {
    case Gen3Phase::ValueAwaitE0:
        gen3Phase_ = Gen3Phase::Idle;
        if (b == 0xE0) {
            auto it = gen3->values.find(gen3Value_);
            std::uint16_t v = gen3Value_ == 54 ? gen3->typeCode : it == gen3->values.end() ? 0 : it->second;
            return {0xE0, static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
        }
        return gen3Idle(b);
    case Gen3Phase::Writing:
        gen3Incoming_[gen3Written_++] = b;
        if (gen3Written_ == gen3Incoming_.size()) gen3Phase_ = Gen3Phase::WriteDone;
        return {b};
    case Gen3Phase::WriteDone:
        if (b == 0xFF) // filler after the block: echoed, not stored
            return {b};
        gen3Phase_ = Gen3Phase::Idle;
        if (b == 0xDF) {
            gen3->settings = gen3Incoming_;
            return {b};
        }
        return gen3Idle(b);
    case Gen3Phase::Idle:
        break;
    }
    return gen3Idle(b);
}

Bytes LineModel::gen3Idle(std::uint8_t b) {
    Gen3Controller& c = *gen3;
    if (isValueCommand(b)) {
        // A poll opens with the status (value 16): the controller's world moves on to now.
        if (b == kGen3StatusValue) updateLive(c, nowSeconds);
        gen3Phase_ = Gen3Phase::ValueAwaitE0;
        gen3Value_ = b;
        return {b};
    }
    switch (b) {
    case 0xFF: // probe
        return {0xFF};
    case 0x1E: { // clock: echo and 7 BCD bytes
        Bytes r(1 + c.clock.size());
        r[0] = 0x1E;
        std::copy(c.clock.begin(), c.clock.end(), r.begin() + 1);
        return r;
    }
    case 0x27: // start
    case 0x28: // stop
        startStop(c, b == 0x27);
        return {b};
    case 0x45:
        return gen3Checksummed(c.journal.data(), c.journal.size(), 0x45);
    case 0xDD:
        return gen3Checksummed(c.settings.data(), c.settings.size(), 0xDD);
    case 0xE0:
        return {0xE0, static_cast<std::uint8_t>(gen3LastSum_ & 0xFF),
                static_cast<std::uint8_t>(gen3LastSum_ >> 8)};
    case 0xDE:
        gen3Phase_ = Gen3Phase::Writing;
        gen3Written_ = 0;
        return {0xDE};
    case 0xDF:
        return {0xDF};
    case 0xE1: // clear: 1 = refused while the mode switch is not off
        if (!switchOff) return {1};
        c.journal.fill(0xFF);
        return {0};
    default:
        return {};
    }
}

std::string loadJournalFileInto(const std::string& path, LineModel& model) {
    JournalFileLoad load =
        loadJournalFile(std::filesystem::path(path), ControllerGeneration::Gen4, [] { return true; });
    if (load.status != FileStatus::ok)
        return path + ": " + (load.error.empty() ? "not a journal file" : load.error);
    const JournalFile& f = load.file;
    if (f.generation == ControllerGeneration::Gen4) {
        // The station's registers take the file's settings (176 + offset / 2) and current state.
        for (Gen4Station& s : model.stations) {
            s.journal = f.image;
            for (const SettingDef& def : f.catalogue.entries)
                s.holding[settingRegister(def.offset)] = def.value;
            if (load.file.stateStored) {
                ParameterBlock block = blockFromRegisters(s.holding);
                encodeParameterBlockState(f.state, block);
                s.holding = registersFromBlock(block);
                adoptRegisters(s);
            }
        }
    } else if (model.gen3) {
        model.gen3->journal = f.image;
        overlayGen3Settings(model.gen3->settings, f.catalogue);
        if (f.padNumber != kUnknown16) model.gen3->values[55] = f.padNumber;
        if (f.wellNumber != kUnknown16) model.gen3->values[56] = f.wellNumber;
    }
    if (model.recorder)
        for (RecorderEntry& e : model.recorder->entries) {
            if (e.copiedFrom != f.generation) continue;
            if (f.generation == ControllerGeneration::Gen3)
                std::reverse_copy(f.image.begin(), f.image.end(), e.journal.begin());
            else
                e.journal = f.image;
        }
    return {};
}

} // namespace vorsan::sim
