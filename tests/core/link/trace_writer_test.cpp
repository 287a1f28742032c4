#include "link/byte_command.h"
#include "link/frame_exchange.h"
#include "link/scripted_link.h"
#include "link/trace_writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vorsan;

namespace {

// A scripted line traced from its open to its close.
struct TracedLine : ::testing::Test {
    void SetUp() override {
        line.setObserver(&trace);
        ASSERT_TRUE(line.open("scripted", 9600).ok());
    }
    // The whole trace, the line closed.
    std::string closed() {
        line.close();
        line.setObserver(nullptr);
        trace.flush();
        return text.str();
    }
    static Bytes bytesOf(const FramedRequest& r) { return Bytes(r.bytes.begin(), r.bytes.end()); }

    ScriptedLink line;
    std::ostringstream text;
    TraceWriter trace{text};
};

const Bytes kPadWellReply = withCrc({0x01, 0x03, 0x04, 0x00, 0x07, 0x00, 0x2A});

} // namespace

TEST_F(TracedLine, FramedExchangeWithTheTimeSinceItsRequest) {
    line.expect(bytesOf(padWellRequest(1))).reply(kPadWellReply, 12.5);
    ASSERT_TRUE(framedRequest(line, padWellRequest(1)).valid);
    // Purge and RTS around the request are not shown.
    EXPECT_EQ(closed(), "-- open\n"
                        "-> 01 03 00 EE 00 02 A4 3E\n"
                        "<- 01 03 04 00 07 00 2A CA 2D   (+12.5 ms)\n"
                        "-- close\n");
}

TEST_F(TracedLine, BadCrcMarkedAndTheRepeatedRequestMarkedAsRetry) {
    const FramedRequest block = settingsBlockRequest(1, 0); // 6 tries
    Bytes data(37, 0);
    data[0] = 0x01, data[1] = 0x03, data[2] = 0x20;
    const Bytes good = withCrc(Bytes(data.begin(), data.end() - 2));
    line.expect(bytesOf(block)).reply(withBadCrc(Bytes(good.begin(), good.end() - 2)), 20);
    line.expect(bytesOf(block)); // silence
    line.expect(bytesOf(block)).reply(good, 30);
    ASSERT_TRUE(framedRequest(line, block).valid);

    const std::string request = "01 03 00 00 00 10 44 06";
    std::string zeros;
    for (int i = 0; i < 32; ++i)
        zeros += " 00";
    EXPECT_EQ(closed(), "-- open\n"
                        "-> " +
                            request +
                            "\n"
                            "<- 01 03 20" +
                            zeros +
                            " 92 20   (+20.0 ms)   [CRC failure]\n"
                            "-> " +
                            request +
                            "   [retry]\n"
                            "-> " +
                            request +
                            "   [retry]\n"
                            "<- 01 03 20" +
                            zeros +
                            " 92 7A   (+30.0 ms)\n"
                            "-- close\n");
}

TEST_F(TracedLine, ShortOrLongFramedRepliesAreNotIntact) {
    line.expect(bytesOf(padWellRequest(1))).reply({0x01, 0x03}, 2);
    framedRequest(line, padWellRequest(1));
    const Bytes flood(300, 0x55);
    line.expect(bytesOf(padWellRequest(2))).reply(flood, 1);
    framedRequest(line, padWellRequest(2));
    trace.flush();
    const std::string t = text.str();
    EXPECT_NE(t.find("<- 01 03   (+2.0 ms)   [CRC failure]\n"), std::string::npos) << t;
    // A framed exchange takes no more than the reply length: 9 of the 300 bytes.
    EXPECT_NE(t.find("<- 55 55 55 55 55 55 55 55 55   (+1.0 ms)   [CRC failure]\n"), std::string::npos) << t;
}

TEST_F(TracedLine, ReplySplitOverSeveralReadsIsOneLine) {
    const Bytes head(kPadWellReply.begin(), kPadWellReply.begin() + 3);
    const Bytes tail(kPadWellReply.begin() + 3, kPadWellReply.end());
    line.expect(bytesOf(padWellRequest(1))).reply(head, 0).replyPaced(tail, 250, 1.04);
    ASSERT_TRUE(framedRequest(line, padWellRequest(1)).valid);
    // The time is that of the last byte: 250 + 5 x 1.04 ms.
    EXPECT_EQ(closed(), "-- open\n"
                        "-> 01 03 00 EE 00 02 A4 3E\n"
                        "<- 01 03 04 00 07 00 2A CA 2D   (+255.2 ms)\n"
                        "-- close\n");
}

TEST_F(TracedLine, SameRequestInANewSessionIsNoRetry) {
    line.expect(bytesOf(padWellRequest(1)));
    framedRequest(line, padWellRequest(1));
    line.close();
    line.open("scripted", 9600);
    line.expect(bytesOf(padWellRequest(1))).reply(kPadWellReply, 3);
    framedRequest(line, padWellRequest(1));
    EXPECT_EQ(closed(), "-- open\n"
                        "-> 01 03 00 EE 00 02 A4 3E\n"
                        "-- close\n"
                        "-- open\n"
                        "-> 01 03 00 EE 00 02 A4 3E\n"
                        "<- 01 03 04 00 07 00 2A CA 2D   (+3.0 ms)\n"
                        "-- close\n");
}

TEST_F(TracedLine, Generation3SingleBytesGetNoMarks) {
    line.expect({54}).reply({54}, 3);
    line.expect({0xE0}).reply({0xE0, 0x63, 0x01}, 3);
    ASSERT_EQ(valueRequest(line, 54).error, LinkError::None);
    // The same command twice in a row is two commands, not a retry; a wrong echo is no CRC failure.
    line.expect({0x27}).reply({0x27}, 1);
    line.expect({0x27}).reply({0x26}, 1);
    EXPECT_EQ(singleCommand(line, 0x27), CommandEcho::Echoed);
    EXPECT_EQ(singleCommand(line, 0x27), CommandEcho::NoEcho);
    EXPECT_EQ(closed(), "-- open\n"
                        "-> 36\n"
                        "<- 36   (+3.0 ms)\n"
                        "-> E0\n"
                        "<- E0 63 01   (+3.0 ms)\n"
                        "-> 27\n"
                        "<- 27   (+1.0 ms)\n"
                        "-> 27\n"
                        "<- 26   (+1.0 ms)\n"
                        "-- close\n");
}

TEST_F(TracedLine, LongRunShowsItsStartAndLength) {
    Bytes reply{0xE5};
    for (int i = 0; i < 400; ++i)
        reply.push_back(static_cast<std::uint8_t>(i));
    line.expect({0xE5}).replyPaced(reply, 1, 0.1);
    ASSERT_EQ(blockRead(line, 0xE5, 2, 200, 2).error, LinkError::None);
    trace.flush();
    const std::string t = text.str();
    std::string shown = "<- E5";
    char b[4];
    for (int i = 0; i < 255; ++i) {
        std::snprintf(b, sizeof b, " %02X", i);
        shown += b;
    }
    EXPECT_NE(t.find(shown + " ... (401 bytes)   (+"), std::string::npos) << t;
    EXPECT_EQ(t.find("[CRC failure]"), std::string::npos);
}

TEST(TraceWriter, BytesBeforeAnyRequestHaveNoTime) {
    ScriptedLink line;
    std::ostringstream text;
    TraceWriter trace(text);
    line.setObserver(&trace);
    line.failOpen(LinkError::OpenPort_Error);
    EXPECT_FALSE(line.open("scripted", 9600).ok());
    ASSERT_TRUE(line.open("scripted", 9600).ok());
    line.inject({0x55, 0xAA}, line.nowMicros());
    readWithAttempts(line, 1);
    readWithAttempts(line, 1);
    line.purge();
    line.setObserver(nullptr);
    EXPECT_EQ(text.str(), "-- open failed\n"
                          "-- open\n"
                          "<- 55 AA\n");
}
