#include "journal/container.h"
#include "journal/journal_decode.h"
#include "journal/journal_file.h"
#include "common/whole_file.h"

#include "image_builder.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <unistd.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

const UnknownMagicQuestion kYes = [] { return true; };
const UnknownMagicQuestion kNo = [] { return false; };

void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

SettingsCatalogue filledCatalogue(ControllerGeneration g) {
    auto c = buildCatalogue(g);
    std::uint16_t v = 1;
    for (auto& e : c.entries)
        e.value = v++;
    c.byNumber(g == G4 ? kGen4PadNumber : kGen3PadNumber)->value = 12;
    c.byNumber(g == G4 ? kGen4WellNumber : kGen3WellNumber)->value = 345;
    return c;
}

CurrentState sampleState() {
    CurrentState s;
    s.status = 0x0041;
    s.UAB = 380;
    s.UBC = 381;
    s.UCA = 382;
    s.IA = 125;
    s.powerFactor = 87;
    s.second = 9;
    s.minute = 7;
    s.hour = 14;
    s.day = 5;
    s.month = 3;
    s.year = 24;
    s.starts = 17;
    s.runHours = 1234;
    s.runMinutes = 5;
    s.phaseOrder = 1;
    s.param51 = 51; // not carried by the file
    s.padNumber = 12;
    s.wellNumber = 345;
    return s;
}

// ---- container ------------------------------------------------------------------------------

TEST(Container, WriteLaysOutTheHeader) {
    const ParameterBlock block{};
    const JournalImage img{};
    const auto f = writeContainer(G4, img, block);
    ASSERT_EQ(f.size(), 33306u);
    const std::uint8_t header[26] = {0xED, 0xE1, 6, 0, 0x1A, 0x82, 0, 0, 26, 0, 0, 0, 0x00,
                                     0x82, 0,    0, 0, 0x80, 0,    0, 0, 2,  0, 0, 2, 0};
    EXPECT_TRUE(std::equal(header, header + 26, f.begin()));
    const auto g3 = writeContainer(G3, {}, block);
    EXPECT_EQ(g3.size(), 538u);
    EXPECT_EQ(g3[0], 0xEC);
    EXPECT_EQ(g3[2], 5);
}

TEST(Container, ReadsBothMagicsWhateverTheRest) {
    ParameterBlock block;
    block.fill(7);
    for (const auto g : {G3, G4}) {
        const auto c = readContainer(writeContainer(g, std::vector<std::uint8_t>(100, 3), block), kNo);
        ASSERT_EQ(c.status, ContainerStatus::ok);
        EXPECT_EQ(c.generation, g);
        EXPECT_EQ(c.journalBlock, std::vector<std::uint8_t>(100, 3));
        EXPECT_EQ(c.parameterBlock, std::vector<std::uint8_t>(512, 7));
    }
}

TEST(Container, ForeignMagicAsksAndNoRefuses) {
    auto f = writeContainer(G4, {}, ParameterBlock{});
    f[0] = 0x12;
    int asked = 0;
    const auto no = readContainer(f, [&] {
        ++asked;
        return false;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(no.status, ContainerStatus::refused);
    EXPECT_EQ(readContainer(f, {}).status, ContainerStatus::refused);
    const auto yes = readContainer(f, kYes);
    EXPECT_EQ(yes.status, ContainerStatus::ok);
    EXPECT_FALSE(yes.generation.has_value());
    EXPECT_EQ(yes.parameterBlock.size(), 512u);
}

TEST(Container, DamagedHeadersAreRefused) {
    const auto good = writeContainer(G4, std::vector<std::uint8_t>(32768, 0xFF), ParameterBlock{});
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> change;
    };
    const Case cases[] = {
        {"offset + length one less than total", [](auto& f) { put32(f, 12, 33306 - 26 - 1); }},
        {"total one more", [](auto& f) { put32(f, 4, 33307); }},
        {"journal block past the end", [](auto& f) { put32(f, 16, 32769); }},
        {"parameter block past the end", [](auto& f) { put32(f, 20, 513); }},
        {"data offset past the end", [](auto& f) { put32(f, 8, 40000), put32(f, 12, 33306 - 40000u); }},
        {"lengths that wrap in 32 bits", [](auto& f) { put32(f, 16, 0xFFFFFFFFu), put32(f, 20, 512 + 1); }},
        {"file cut short", [](auto& f) { f.resize(33000); }},
        {"header only", [](auto& f) { f.resize(26); }},
        {"shorter than the header", [](auto& f) { f.resize(25); }},
        {"empty file", [](auto& f) { f.clear(); }},
    };
    for (const auto& c : cases) {
        auto f = good;
        c.change(f);
        EXPECT_EQ(readContainer(f, kYes).status, ContainerStatus::damaged) << c.what;
    }
}

TEST(Container, ForeignMagicIsAskedBeforeTheHeaderIsChecked) {
    auto f = writeContainer(G4, {}, ParameterBlock{});
    f[0] = 0;
    put32(f, 4, 1);
    EXPECT_EQ(readContainer(f, kNo).status, ContainerStatus::refused);
    EXPECT_EQ(readContainer(f, kYes).status, ContainerStatus::damaged);
}

TEST(Container, RandomBytesNeverReadOutside) {
    // Under the sanitizer build this catches any read beyond the buffer.
    std::mt19937 rng(1);
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> f(rng() % 80);
        for (auto& b : f)
            b = static_cast<std::uint8_t>(rng());
        if (f.size() >= 26 && rng() % 2) {
            // Plausible headers: consistent totals with random block lengths.
            const std::uint32_t j = rng() % 64, p = rng() % 64, off = 26;
            put32(f, 4, static_cast<std::uint32_t>(f.size()));
            put32(f, 8, off);
            put32(f, 12, static_cast<std::uint32_t>(f.size()) - off);
            put32(f, 16, j);
            put32(f, 20, p);
        }
        const auto c = readContainer(f, kYes);
        if (c.status == ContainerStatus::ok) {
            EXPECT_LE(c.journalBlock.size() + c.parameterBlock.size(), f.size());
        }
        (void)loadJournalFile(f, G4, kYes);
    }
}

// ---- journal files --------------------------------------------------------------------------

JournalImage sampleImage(ControllerGeneration g) {
    auto img = emptyImage();
    if (g == G4) {
        eventG4(img, 0, {}, 3);
        changeG4(img, 0, {}, 34, 125, 130);
        measureG4(img, 0, {});
    } else {
        eventG3(img, 0, {}, 3);
        measureG3(img, 0, {});
        put16(img, 1020, 345);
        put16(img, 1022, 12);
    }
    return img;
}

TEST(JournalFile, SaveAndReopenGivesTheSameJournalSettingsAndState) {
    for (const auto g : {G4, G3}) {
        const auto img = sampleImage(g);
        const auto cat = filledCatalogue(g);
        const auto state = sampleState();
        const auto bytes = journalFileBytes(g, img, cat, state);
        ASSERT_EQ(bytes.size(), 33306u);
        // Opened with the other generation current: the magic decides.
        const auto load = loadJournalFile(bytes, g == G4 ? G3 : G4, kNo);
        ASSERT_EQ(load.status, FileStatus::ok);
        const auto& f = load.file;
        EXPECT_EQ(f.generation, g);
        EXPECT_EQ(f.image, img);
        EXPECT_EQ(f.journalBlockLength, 32768u);
        EXPECT_EQ(decodeJournal(f.image, g).journal, decodeJournal(img, g).journal);
        ASSERT_EQ(f.catalogue.size(), cat.size());
        for (std::size_t i = 0; i < cat.size(); ++i)
            EXPECT_EQ(f.catalogue.entries[i].value, cat.entries[i].value);
        EXPECT_EQ(f.padNumber, 12);
        EXPECT_EQ(f.wellNumber, 345);
        EXPECT_TRUE(f.stateStored);
        // Everything but pad, well and the two generation 3 parameters comes back.
        auto expected = state;
        expected.padNumber = expected.wellNumber = kUnknown16;
        expected.param51 = expected.param54 = 0;
        EXPECT_EQ(f.state, expected);
    }
}

TEST(JournalFile, ParameterBlockHoldsSettingsLowByteFirstAndStateHighByteFirst) {
    auto cat = buildCatalogue(G4);
    cat.byNumber(21)->value = 380;
    const auto block = fileParameterBlock(cat, sampleState());
    EXPECT_EQ(block[352], 0x7C);
    EXPECT_EQ(block[353], 0x01);
    EXPECT_EQ(block[128], 0x01); // UAB, register 64
    EXPECT_EQ(block[129], 0x7C);
    EXPECT_EQ(block[0], 0xFF);
    EXPECT_EQ(block[494], 0xFF);
}

TEST(JournalFile, StateOfThreeUnknownVoltagesIsNotStored) {
    CurrentState none;
    none.UAB = none.UBC = none.UCA = kUnknown16;
    const auto load = loadJournalFile(journalFileBytes(G4, emptyImage(), buildCatalogue(G4), none), G4, kNo);
    ASSERT_EQ(load.status, FileStatus::ok);
    EXPECT_FALSE(load.file.stateStored);
    EXPECT_EQ(load.file.padNumber, kUnknown16);
}

TEST(JournalFile, ForeignMagicAnsweredYesUsesTheCurrentGeneration) {
    auto bytes = journalFileBytes(G3, sampleImage(G3), filledCatalogue(G3), sampleState());
    bytes[0] = 0x00;
    const auto yes = loadJournalFile(bytes, G4, kYes);
    ASSERT_EQ(yes.status, FileStatus::ok);
    EXPECT_EQ(yes.file.generation, G4);
    EXPECT_EQ(yes.file.catalogue.size(), 77u);
    EXPECT_EQ(loadJournalFile(bytes, G4, kNo).status, FileStatus::refused);
}

TEST(JournalFile, ShortAndLongJournalBlocks) {
    const auto img = sampleImage(G4);
    const ParameterBlock block = fileParameterBlock(filledCatalogue(G4), sampleState());
    // Short: up to and including the first measurement block.
    const auto shortFile = writeContainer(G4, std::span<const std::uint8_t>(img.data(), 2048 + 32), block);
    const auto s = loadJournalFile(shortFile, G4, kNo);
    ASSERT_EQ(s.status, FileStatus::ok);
    EXPECT_EQ(s.file.journalBlockLength, 2080u);
    EXPECT_EQ(decodeJournal(s.file.image, G4).journal.count(), 3u);
    EXPECT_EQ(s.file.catalogue.byNumber(21)->value, filledCatalogue(G4).byNumber(21)->value);
    // Long: only the first 32768 bytes are the image.
    std::vector<std::uint8_t> longer(img.begin(), img.end());
    longer.resize(40000, 0x55);
    const auto l = loadJournalFile(writeContainer(G4, longer, block), G4, kNo);
    ASSERT_EQ(l.status, FileStatus::ok);
    EXPECT_EQ(l.file.image, img);
}

TEST(JournalFile, ShortParameterBlockLeavesTheRestUnknown) {
    const auto cat = filledCatalogue(G4);
    const ParameterBlock block = fileParameterBlock(cat, sampleState());
    const auto f = writeContainer(G4, {}, std::span<const std::uint8_t>(block.data(), 354));
    const auto load = loadJournalFile(f, G4, kNo);
    ASSERT_EQ(load.status, FileStatus::ok);
    EXPECT_EQ(load.file.catalogue.byNumber(21)->value, 1);
    EXPECT_EQ(load.file.catalogue.byNumber(22)->value, kUnknown16);
}

TEST(JournalFile, DamagedAndUnreadableFiles) {
    auto bytes = journalFileBytes(G4, emptyImage(), filledCatalogue(G4), sampleState());
    put32(bytes, 12, 33306 - 26 - 1);
    EXPECT_EQ(loadJournalFile(bytes, G4, kYes).status, FileStatus::damaged);
    const auto missing = loadJournalFile(std::filesystem::path("/nonexistent/dir/x.VR4"), G4, kYes);
    EXPECT_EQ(missing.status, FileStatus::unreadable);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_EQ(loadJournalFile(std::filesystem::path("/"), G4, kYes).status, FileStatus::unreadable);
}

TEST(JournalFile, SaveWritesTheFileWhole) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("journal_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "Куст12_Ск345.VR4";
    const auto img = sampleImage(G4);
    ASSERT_EQ(saveJournalFile(path, G4, img, filledCatalogue(G4), sampleState()), "");
    EXPECT_EQ(std::filesystem::file_size(path), 33306u);
    const auto back = loadJournalFile(path, G3, kNo);
    ASSERT_EQ(back.status, FileStatus::ok);
    EXPECT_EQ(back.file.image, img);
    EXPECT_NE(saveJournalFile(dir / "no" / "x.VR4", G4, img, filledCatalogue(G4), sampleState()), "");
    std::filesystem::remove_all(dir);
}

TEST(JournalFile, ProposedName) {
    EXPECT_EQ(proposedFileName(12, 345), "Куст12_Ск345");
    EXPECT_EQ(proposedFileName(0, 7), "Куст0_Ск7");
    EXPECT_EQ(proposedFileName(kUnknown16, 345), "");
    EXPECT_EQ(proposedFileName(12, kUnknown16), "");
}

TEST(WholeFile, RefusesFilesFarTooLarge) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("whole_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "big";
    ASSERT_EQ(writeWholeFile(path, std::string(1000, 'x')), "");
    EXPECT_TRUE(readWholeFile(path, 1000).ok);
    const auto tooBig = readWholeFile(path, 999);
    EXPECT_FALSE(tooBig.ok);
    EXPECT_TRUE(tooBig.bytes.empty());
    std::filesystem::remove_all(dir);
}

} // namespace
