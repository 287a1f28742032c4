// Randomized inputs for the decoders and file loaders: no crash or read outside a buffer (run
// under the sanitizer build), and the invariants every result keeps.
#include "journal/container.h"
#include "journal/journal_decode.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "journal/journal_rows.h"
#include "journal/journal_text_export.h"
#include "settings/catalogue.h"
#include "journal/settings_file.h"

#include "image_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr ControllerGeneration kGenerations[] = {ControllerGeneration::Gen4, ControllerGeneration::Gen3};

// Random images that are mostly plausible: valid BCD dates in a few minutes, used markers, small
// values, with a share of fully random bytes.
JournalImage randomImage(std::mt19937& rng) {
    JournalImage img;
    const int mode = static_cast<int>(rng() % 3);
    for (auto& b : img)
        b = static_cast<std::uint8_t>(mode == 0 ? rng() : 0xFF);
    if (mode == 0) return img;
    for (std::size_t at = 0; at + 32 <= img.size(); at += 8) {
        if (rng() % 3 != 0) continue;
        for (std::size_t i = 0; i < 32; ++i)
            img[at + i] = static_cast<std::uint8_t>(rng() % 4);
        const unsigned minute = rng() % 3, second = rng() % 4 == 0 ? 0 : 9;
        const std::uint8_t date[7] = {bcd(second), bcd(minute), bcd(14), bcd(5), bcd(3), bcd(24), bcd(24)};
        std::copy(date, date + 7, img.begin() + static_cast<long>(at));
        img[at + 6] = static_cast<std::uint8_t>(mode == 1 ? rng() % 150 : 255);
        img[at + 7] = static_cast<std::uint8_t>(rng() % 150);
        img[at + 27] = static_cast<std::uint8_t>(rng() % 2 ? 0x08 : 0x00);
        img[at + 29] = static_cast<std::uint8_t>(rng() % 256);
        img[at + 30] = static_cast<std::uint8_t>(rng() % 9);
        const std::uint8_t markers[] = {0x55, 0xAA, 0xCD, 0x00};
        img[at + 31] = markers[rng() % 4];
    }
    return img;
}

std::uint64_t key(const JournalRecord& r) {
    return (std::uint64_t{r.year} << 40) | (std::uint64_t{r.month} << 32) | (std::uint64_t{r.day} << 24) |
           (std::uint64_t{r.hour} << 16) | (std::uint64_t{r.minute} << 8) | r.second;
}

auto fields(const JournalRecord& r) {
    return std::make_tuple(key(r), r.SOBYTIE, r.IA, r.IB, r.IC, r.UAB, r.UBC, r.UCA, r.SOP, r.ZAGR, r.COS_,
                           r.EXT_ZAP, r.NUM_UST, r.OLD_ZN, r.NEW_ZN, r.P, r.T);
}

std::vector<JournalRecord> sortedByFields(std::vector<JournalRecord> v) {
    std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return fields(a) < fields(b); });
    return v;
}

TEST(JournalFuzz, DecodingRandomImagesKeepsItsInvariants) {
    std::mt19937 rng(2024);
    const auto cat = buildCatalogue(ControllerGeneration::Gen4);
    for (int round = 0; round < 300; ++round) {
        const JournalImage img = randomImage(rng);
        for (const auto g : kGenerations) {
            auto d = decodeJournal(img, g);
            ASSERT_LE(d.journal.count(), kMaxJournalRecords);
            for (std::size_t i = 1; i < d.journal.count(); ++i) {
                // The same-moment pass only exchanges records of one minute.
                ASSERT_LE(key(d.journal.records[i - 1]) >> 8, key(d.journal.records[i]) >> 8);
            }
            for (const auto& r : d.journal.records) {
                ASSERT_GE(r.month, 1);
                ASSERT_LE(r.month, 12);
                ASSERT_LE(r.year, 2100);
            }
            // Re-encoding keeps every record with its values.
            const auto e = encodeJournal(d.journal, g, img, {}, d.wellNumber, d.padNumber);
            EXPECT_EQ(e.dropped, 0u);
            const auto back = decodeJournal(e.image, g);
            ASSERT_EQ(sortedByFields(back.journal.records), sortedByFields(d.journal.records))
                << "round " << round;
            // Rows and text build for whatever came out.
            auto rows = buildJournalRows(d.journal, g, cat, ',');
            ASSERT_EQ(rows.size(), d.journal.count());
            const auto text = journalTextFile(d.journal, rows, "c", 1, 2);
            EXPECT_EQ(text.replaced, 0u);
        }
    }
}

TEST(JournalFuzz, LoadersRejectOrReadMutatedFiles) {
    std::mt19937 rng(77);
    auto cat4 = buildCatalogue(ControllerGeneration::Gen4);
    for (auto& e : cat4.entries)
        e.value = 1;
    const CurrentState state{};
    const auto journalFile = journalFileBytes(ControllerGeneration::Gen4, randomImage(rng), cat4, state);
    const auto settingsFile = *settingsFileBytes(cat4, state);
    std::size_t ok = 0, rejected = 0;
    for (int round = 0; round < 4000; ++round) {
        auto f = round % 2 ? journalFile : settingsFile;
        switch (rng() % 4) {
        case 0: // header bytes changed
            for (int i = 0; i < 1 + static_cast<int>(rng() % 4); ++i)
                f[rng() % 26] = static_cast<std::uint8_t>(rng());
            break;
        case 1: // cut anywhere
            f.resize(rng() % (f.size() + 1));
            break;
        case 2: // grown with junk
            f.resize(f.size() + rng() % 100, static_cast<std::uint8_t>(rng()));
            break;
        default: // all random
            f.resize(rng() % 600);
            for (auto& b : f)
                b = static_cast<std::uint8_t>(rng());
        }
        const auto answer = [&] { return rng() % 2 == 0; };
        const auto j = loadJournalFile(f, ControllerGeneration::Gen4, answer);
        const auto s = loadSettingsFile(f, ControllerGeneration::Gen3, answer);
        (j.status == FileStatus::ok ? ok : rejected)++;
        if (j.status == FileStatus::ok) {
            EXPECT_EQ(j.file.catalogue.size(), settingCount(j.file.generation));
            (void)decodeJournal(j.file.image, j.file.generation);
        }
        if (s.status == FileStatus::ok) {
            EXPECT_EQ(s.file.catalogue.size(), settingCount(s.file.generation));
        }
    }
    EXPECT_GT(ok, 0u);
    EXPECT_GT(rejected, 0u);
}

} // namespace
