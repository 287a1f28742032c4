#include "link/byte_command.h"
#include "link/checksums.h"
#include "link/scripted_link.h"

#include <gtest/gtest.h>

using namespace vorsan;

namespace {

struct ByteLine : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(line.open("scripted", 9600).ok()); }
    ScriptedLink line;
};

Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return b;
}

} // namespace

TEST_F(ByteLine, ValueRequestReadsLowByteFirst) {
    line.expect({54}).reply({54}, 3);
    line.expect({0xE0}).reply({0xE0, 0x63, 0x01}, 3);
    const ValueResult r = valueRequest(line, 54);
    EXPECT_EQ(r.error, LinkError::None);
    EXPECT_EQ(r.value, 0x0163);
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(ByteLine, ValueRequestWithWrongEchoSendsNothingMore) {
    line.expect({17}).reply({18});
    line.anyWrite().reply({0xE0, 1, 2});
    const ValueResult r = valueRequest(line, 17);
    EXPECT_EQ(r.error, LinkError::Read_Error1);
    EXPECT_EQ(line.writes().size(), 1u);
}

TEST_F(ByteLine, ValueRequestFailuresStepByStep) {
    struct Case {
        const char* what;
        void (*script)(ScriptedLink&);
        LinkError error;
        std::size_t writes;
    };
    const Case cases[] = {
        {"command not written", [](ScriptedLink& l) { l.anyWrite().failWrite(); }, LinkError::Write_Error0,
         1},
        {"no echo", [](ScriptedLink& l) { l.anyWrite(); }, LinkError::Read_Error1, 1},
        {"0xE0 not written",
         [](ScriptedLink& l) {
             l.anyWrite().reply({20});
             l.anyWrite().failWrite();
         },
         LinkError::Write_Error, 2},
        {"no 0xE0 echo",
         [](ScriptedLink& l) {
             l.anyWrite().reply({20});
             l.anyWrite().reply({0xE1, 1, 2});
         },
         LinkError::Read_Error2, 2},
        {"high byte missing",
         [](ScriptedLink& l) {
             l.anyWrite().reply({20});
             l.anyWrite().reply({0xE0, 1});
         },
         LinkError::Read_Error3, 2},
        {"value byte after 100 attempts",
         [](ScriptedLink& l) {
             l.anyWrite().reply({20});
             l.anyWrite().reply({0xE0}).reply({1}, 401);
         },
         LinkError::Read_Error3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedLink l;
        ASSERT_TRUE(l.open("scripted", 9600).ok());
        c.script(l);
        EXPECT_EQ(valueRequest(l, 20).error, c.error);
        EXPECT_EQ(l.writes().size(), c.writes);
    }
}

TEST_F(ByteLine, SingleCommandOutcomes) {
    line.expect({0xDE}).reply({0xDE}, 30);
    EXPECT_EQ(singleCommand(line, 0xDE), CommandEcho::Echoed);
    line.expect({0xDE}).reply({0x00}, 30);
    EXPECT_EQ(singleCommand(line, 0xDE), CommandEcho::NoEcho);
    line.expect({0xDE}).reply({0xDE}, 81); // after the 20 attempts
    EXPECT_EQ(singleCommand(line, 0xDE), CommandEcho::NoEcho);
}

TEST_F(ByteLine, SingleCommandTriesTheWriteTenTimes) {
    for (int i = 0; i < 9; ++i)
        line.anyWrite().failWrite();
    line.expect({0x42}).reply({0x42});
    EXPECT_EQ(singleCommand(line, 0x42), CommandEcho::Echoed);

    for (int i = 0; i < 10; ++i)
        line.anyWrite().failWrite();
    line.expect({0x42}).reply({0x42});
    EXPECT_EQ(singleCommand(line, 0x42), CommandEcho::NotWritten);
    EXPECT_EQ(line.turnsLeft(), 1u);
}

TEST_F(ByteLine, BlockReadStepsProgressOncePerBlock) {
    const Bytes data = pattern(512);
    Bytes reply{0xDD};
    reply.insert(reply.end(), data.begin(), data.end());
    line.expect({0xDD}).replyPaced(reply, 5, 1.04);
    std::vector<std::pair<int, int>> calls;
    const BlockReadResult r =
        blockRead(line, 0xDD, 8, 64, 10, [&](int done, int blocks) { calls.emplace_back(done, blocks); });
    EXPECT_EQ(r.error, LinkError::None);
    EXPECT_EQ(r.data, data);
    ASSERT_EQ(calls.size(), 9u); // the range, then 8 steps
    for (int k = 0; k <= 8; ++k)
        EXPECT_EQ(calls[static_cast<std::size_t>(k)], std::make_pair(k, 8));
}

TEST_F(ByteLine, BlockReadWithoutEchoIsAReadError) {
    line.expect({0x45}).reply({0x44, 1, 2, 3});
    const BlockReadResult r = blockRead(line, 0x45, 128, 256, 150);
    EXPECT_EQ(r.error, LinkError::Read_Error);
    EXPECT_TRUE(r.data.empty());
}

TEST_F(ByteLine, BlockReadWriteFailure) {
    line.anyWrite().failWrite();
    EXPECT_EQ(blockRead(line, 0x45, 128, 256, 150).error, LinkError::Write_Error);
}

TEST_F(ByteLine, BlockReadTimeOutCountsFromTheEcho) {
    // Two data bytes within 2 s of the echo are in time; a last byte 1 ms later is not kept.
    line.expect({0xE0}).reply({0xE0}, 10).reply({0x34}, 500).reply({0x12}, 2011);
    const BlockReadResult late = blockRead(line, 0xE0, 1, 2, 2);
    EXPECT_EQ(late.error, LinkError::Time_Error);
    EXPECT_EQ(late.data, Bytes{0x34});

    line.expect({0xE0}).reply({0xE0}, 10).reply({0x34}, 500).reply({0x12}, 2010);
    const ChecksumResult sum = readControllerChecksum(line);
    EXPECT_EQ(sum.error, LinkError::None);
    EXPECT_EQ(sum.checksum, 0x1234);
}

TEST_F(ByteLine, JournalTransferWithChecksum) {
    const Bytes data = pattern(32768);
    Bytes reply{0x45};
    reply.insert(reply.end(), data.begin(), data.end());
    line.expect({0x45}).replyPaced(reply, 2, 1.04); // about 34 s of line time
    int steps = 0;
    const BlockReadResult r = blockRead(line, 0x45, 128, 256, 150, [&](int done, int) { steps += done > 0; });
    ASSERT_EQ(r.error, LinkError::None);
    EXPECT_EQ(steps, 128);
    EXPECT_EQ(r.data, data);
    const std::uint16_t sum = additiveChecksum(r.data);
    line.expect({0xE0}).reply({0xE0, static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)});
    EXPECT_EQ(readControllerChecksum(line).checksum, sum);
}

TEST_F(ByteLine, ProbeFindsAGeneration3Controller) {
    line.expect({0xFF}).reply({0xFF}, 2);
    line.expect({54}).reply({54}, 2);
    line.expect({0xE0}).reply({0xE0, 99, 0}, 2);
    const ProbeResult p = probe(line);
    EXPECT_TRUE(p.answered);
    EXPECT_EQ(p.typeCode, 99);
}

TEST_F(ByteLine, ProbeOutcomes) {
    line.expect({0xFF}).reply({0xFE});
    ProbeResult p = probe(line);
    EXPECT_TRUE(p.answered);
    EXPECT_EQ(p.typeCode, kRecorderTypeCode);

    line.expect({0xFF}).reply({0x12});
    EXPECT_FALSE(probe(line).answered);

    line.expect({0xFF});
    EXPECT_FALSE(probe(line).answered);

    line.expect({0xFF}).reply({0xFF});
    line.expect({54}); // the type code does not come
    p = probe(line);
    EXPECT_TRUE(p.answered);
    EXPECT_EQ(p.typeCode, -1);

    line.anyWrite().failWrite();
    EXPECT_FALSE(probe(line).answered);
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(ByteLine, ProbeDoesNothingOnAPortThatIsNotRs232) {
    line.setRs232(false);
    line.expect({0xFF}).reply({0xFF});
    EXPECT_FALSE(probe(line).answered);
    EXPECT_TRUE(line.writes().empty());
}
