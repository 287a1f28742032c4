#include "link/checksums.h"
#include "link/frame_exchange.h"
#include "link/scripted_link.h"
#include "recording_observer.h"

#include <gtest/gtest.h>

using namespace vorsan;
using vorsan::test::RecordingObserver;

namespace {

Bytes frameOf(const FramedRequest& r) {
    return Bytes(r.bytes.begin(), r.bytes.end());
}

// A read reply of `count` registers: address, function, byte count, registers r0, r0+1, ...
Bytes readReply(std::uint8_t address, std::uint8_t function, int count, int first = 0) {
    Bytes f{address, function, static_cast<std::uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        const int v = (first + i) * 257 + 3;
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v));
    }
    return withCrc(f);
}

struct Line : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(line.open("scripted", 9600).ok()); }
    ScriptedLink line;
};

} // namespace

TEST_F(Line, ValidReplyIsAcceptedWithItsRegisters) {
    const auto req = currentStateFirstRequest(1);
    line.expect(frameOf(req)).replyPaced(readReply(1, 3, 16, 63), 5, 1.04);
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.error, LinkError::None);
    EXPECT_EQ(r.tries, 1);
    EXPECT_EQ(r.data().size(), 32u);
    EXPECT_EQ(r.registerValue(0), 63 * 257 + 3);
    EXPECT_EQ(r.registerValue(15), 78 * 257 + 3);
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(Line, RtsDropsBeforeTheRequestAndRisesAfterIt) {
    RecordingObserver seen;
    line.setObserver(&seen);
    const auto req = padWellRequest(1);
    line.expect(frameOf(req)).reply(readReply(1, 3, 2, 238));
    ASSERT_TRUE(framedRequest(line, req).valid);
    ASSERT_GE(seen.events.size(), 4u);
    EXPECT_EQ(seen.events[0].control, LinkControl::Purged);
    EXPECT_EQ(seen.events[1].control, LinkControl::RtsDropped);
    EXPECT_TRUE(seen.events[2].traffic);
    EXPECT_EQ(seen.events[2].bytes, frameOf(req));
    EXPECT_EQ(seen.events[3].control, LinkControl::Drained);
    EXPECT_EQ(seen.events[4].control, LinkControl::RtsRaised);
    EXPECT_EQ(seen.bytes(TrafficDirection::Read), readReply(1, 3, 2, 238));
    EXPECT_TRUE(line.rts());
}

// write() returns while the 8 request bytes still take 8.3 ms at 9600 bit/s to leave the wire.
// RTS rises only then, and the 300 ms of the reply count from then.
TEST_F(Line, RtsRisesAndTheTimeOutStartsWhenTheRequestHasLeftTheWire) {
    line.setWireSpeed(9600);
    RecordingObserver seen;
    line.setObserver(&seen);
    const auto req = padWellRequest(1);
    line.expect(frameOf(req)).reply(readReply(1, 3, 2, 238), 299.5);
    EXPECT_TRUE(framedRequest(line, req).valid);
    std::int64_t written = 0, raised = 0;
    for (const auto& e : seen.events) {
        if (e.traffic && e.direction == TrafficDirection::Written) written = e.micros;
        if (!e.traffic && e.control == LinkControl::RtsRaised) raised = e.micros;
    }
    EXPECT_EQ(raised - written, 8333);
}

// The time-out counts from the end of the request: the whole reply must be in by then.
TEST_F(Line, ReplyCompletedOneMillisecondLateIsRejected) {
    const auto req = currentStateSecondRequest(1);
    const Bytes reply = readReply(1, 3, 16, 16);
    const Bytes head(reply.begin(), reply.end() - 1), tail(reply.end() - 1, reply.end());
    line.expect(frameOf(req)).reply(head, 10).reply(tail, 301);
    const FramedReply late = framedRequest(line, req);
    EXPECT_FALSE(late.valid);
    EXPECT_EQ(late.error, LinkError::None);

    line.expect(frameOf(req)).reply(head, 10).reply(tail, 300);
    EXPECT_TRUE(framedRequest(line, req).valid);
}

TEST_F(Line, LateByteIsNotKept) {
    std::array<std::uint8_t, 16> buffer{};
    const auto req = padWellRequest(1);
    std::copy(req.bytes.begin(), req.bytes.end(), buffer.begin());
    Bytes reply = readReply(1, 3, 2, 238);
    reply.back() = 0x99; // marks the last byte: it must not reach the buffer
    const Bytes head(reply.begin(), reply.end() - 1), tail(reply.end() - 1, reply.end());
    line.expect(frameOf(req)).reply(head).reply(tail, 300.5);
    const ExchangeResult r = framedExchange(line, buffer, 8, 9, 300);
    EXPECT_FALSE(r.received);
    EXPECT_NE(buffer[8], 0x99);
}

TEST_F(Line, ReplySplitAtEveryOffsetIsAssembled) {
    const auto req = journalBlockRequest(3, 17);
    const Bytes reply = readReply(3, 4, 64, 17 * 64);
    for (std::size_t cut = 1; cut < reply.size(); ++cut) {
        SCOPED_TRACE(cut);
        line.expect(frameOf(req))
            .reply(Bytes(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(cut)), 2)
            .reply(Bytes(reply.begin() + static_cast<std::ptrdiff_t>(cut), reply.end()), 250);
        const FramedReply r = framedRequest(line, req);
        ASSERT_TRUE(r.valid);
        EXPECT_EQ(Bytes(r.frame().begin(), r.frame().end()), reply);
    }
}

TEST_F(Line, JournalBlockAtLineSpeedFitsItsTimeOut) {
    // 133 bytes at 9600 bit/s: about 139 ms of line time after a 20 ms turn-round.
    const auto req = journalBlockRequest(1, 255);
    line.expect(frameOf(req)).replyPaced(readReply(1, 4, 64, 255 * 64), 20, 11.0 / 9.6);
    EXPECT_TRUE(framedRequest(line, req).valid);
}

TEST_F(Line, WrongCrcIsRetriedAtOnce) {
    RecordingObserver seen;
    line.setObserver(&seen);
    const auto req = settingsBlockRequest(1, 4);
    Bytes bad = readReply(1, 3, 16, 64);
    bad.back() ^= 0x01;
    line.expect(frameOf(req)).reply(bad, 20);
    line.expect(frameOf(req)).reply(readReply(1, 3, 16, 64), 20);
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.tries, 2);
    ASSERT_EQ(line.writes().size(), 2u);
    // No pause: the second request goes out at the moment the last byte of the bad reply came in.
    std::int64_t lastRead = -1, secondWrite = -1;
    int writes = 0;
    for (const auto& e : seen.events) {
        if (!e.traffic) continue;
        if (e.direction == TrafficDirection::Read && writes == 1) lastRead = e.micros;
        if (e.direction == TrafficDirection::Written && ++writes == 2) secondWrite = e.micros;
    }
    EXPECT_EQ(secondWrite, lastRead);
}

TEST_F(Line, FiveBadRepliesThenAGoodOneIsAccepted) {
    const auto req = journalBlockRequest(1, 9);
    for (int i = 0; i < 5; ++i)
        line.expect(frameOf(req)).reply(withBadCrc({1, 4, 0x80}), 1);
    line.expect(frameOf(req)).reply(readReply(1, 4, 64), 1);
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.tries, 6);
}

TEST_F(Line, SixFailedTriesGiveUp) {
    const auto req = journalBlockRequest(1, 9);
    for (int i = 0; i < 3; ++i)
        line.expect(frameOf(req)).reply(Bytes(133, 0x55), 1); // junk
    for (int i = 0; i < 3; ++i)
        line.expect(frameOf(req));                           // silence
    line.expect(frameOf(req)).reply(readReply(1, 4, 64), 1); // would be valid, never asked for
    const std::int64_t start = line.nowMicros();
    const FramedReply r = framedRequest(line, req);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.tries, 6);
    EXPECT_EQ(line.writes().size(), 6u);
    EXPECT_EQ(line.turnsLeft(), 1u);
    // Three silent tries wait their 300 ms each (plus at most one read attempt).
    EXPECT_GE(line.nowMicros() - start, 3 * 300'000);
    EXPECT_LE(line.nowMicros() - start, 3 * 304'001 + 3 * 1000);
}

TEST_F(Line, SingleRequestsAreTriedOnce) {
    const auto req = padWellRequest(1);
    line.expect(frameOf(req)).reply(withBadCrc({1, 3, 4, 0, 1, 0, 2}));
    EXPECT_FALSE(framedRequest(line, req).valid);
    EXPECT_EQ(line.writes().size(), 1u);
}

TEST_F(Line, WriteFailureStopsAtOnce) {
    const auto req = journalBlockRequest(1, 0);
    line.expect(frameOf(req)).failWrite(3);
    line.expect(frameOf(req)).reply(readReply(1, 4, 64));
    const FramedReply r = framedRequest(line, req);
    EXPECT_EQ(r.error, LinkError::Write_Error);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.tries, 1);
    EXPECT_EQ(line.turnsLeft(), 1u);
}

TEST_F(Line, JunkBeforeTheRequestIsPurged) {
    const auto req = padWellRequest(1);
    line.inject({0x01, 0x03, 0x04}, line.nowMicros());
    line.expect(frameOf(req)).reply(readReply(1, 3, 2, 238), 3);
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(line.purges(), 1u);
}

TEST_F(Line, RefusalWhereADataReplyIsExpectedTimesOut) {
    const auto req = currentStateFirstRequest(1);
    line.expect(frameOf(req)).reply(withCrc({1, 0x83, 0x02}));
    EXPECT_FALSE(framedRequest(line, req).valid);
}

TEST_F(Line, FixedExchangeDoesNothingOnAPortThatIsNotRs232) {
    line.setRs232(false);
    const auto req = searchProbeRequest(5);
    line.expect(frameOf(req)).reply(withCrc({5, 0x83, 0x02}));
    const std::int64_t start = line.nowMicros();
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.skipped);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.error, LinkError::None);
    EXPECT_EQ(line.writes().size(), 0u);
    EXPECT_EQ(line.purges(), 0u);
    EXPECT_EQ(line.readAttempts(), 0u);
    EXPECT_EQ(line.nowMicros(), start);

    // The low-level call leaves the request in the buffer and reports no error.
    std::array<std::uint8_t, 8> buffer = req.bytes;
    const ExchangeResult e = framedExchangeFixed(line, buffer, 8, 5);
    EXPECT_TRUE(e.skipped);
    EXPECT_FALSE(e.received);
    EXPECT_EQ(e.error, LinkError::None);
    EXPECT_EQ(buffer, req.bytes);
}

TEST_F(Line, FixedExchangeWaitsFiveHundredMilliseconds) {
    const auto req = searchProbeRequest(5);
    line.expect(frameOf(req)).reply(withCrc({5, 0x83, 0x02}), 499);
    const FramedReply found = framedRequest(line, req);
    EXPECT_TRUE(found.valid);
    EXPECT_EQ(found.bytes[0], 5);

    line.expect(frameOf(req)).reply(withCrc({5, 0x83, 0x02}), 501);
    EXPECT_FALSE(framedRequest(line, req).valid);
}

TEST_F(Line, AcceptingControllersLongerAnswerFailsTheFiveByteCheck) {
    const auto req = clearChronologyRequest(1);
    line.expect(frameOf(req)).reply(frameOf(req)); // an 8-byte echo
    EXPECT_FALSE(framedRequest(line, req).valid);
}

TEST_F(Line, WriteEchoIsChecked) {
    const auto req = writeSettingRequest(1, 200, 0xFFFF);
    line.expect(frameOf(req)).reply(frameOf(req), 15);
    const FramedReply r = framedRequest(line, req);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(Bytes(r.frame().begin(), r.frame().end()), frameOf(req));
}

TEST(ScriptedLinkTest, ClosedLinkNeitherWritesNorReads) {
    ScriptedLink line;
    EXPECT_FALSE(line.write(Bytes{1, 2}).ok);
    const ReadResult r = line.readByte();
    EXPECT_FALSE(r.byte);
    EXPECT_FALSE(r.ok);
}

TEST(ScriptedLinkTest, OpenFailureIsReported) {
    ScriptedLink line;
    line.failOpen(LinkError::OpenPort_Error, "Устройство /dev/ttyS9 не существует.");
    const OpenResult r = line.open("/dev/ttyS9", 9600);
    EXPECT_EQ(r.error, LinkError::OpenPort_Error);
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(openFailureMessage(r), "Не удалось открыть порт\nУстройство /dev/ttyS9 не существует.");
    EXPECT_TRUE(line.open("/dev/ttyS9", 9600).ok());
    EXPECT_EQ(line.openedSpeed(), 9600);
}

TEST(ScriptedLinkTest, ResponderPlaysTheStationForAWholeJournal) {
    ScriptedLink line;
    ASSERT_TRUE(line.open("scripted", 9600).ok());
    int corrupted = 0;
    line.setResponder(
        [&](const Bytes& request) {
            const int first = request[2] << 8 | request[3];
            Bytes reply = readReply(request[0], request[1], request[5], first);
            if (first == 64 * 7 && corrupted++ < 2) reply[10] ^= 0xFF; // block 7 fails twice
            return reply;
        },
        2, 11.0 / 9.6);
    Bytes image;
    for (int k = 0; k < 256; ++k) {
        const FramedReply r = framedRequest(line, journalBlockRequest(1, k));
        ASSERT_TRUE(r.valid) << k;
        EXPECT_EQ(r.tries, k == 7 ? 3 : 1);
        image.insert(image.end(), r.data().begin(), r.data().end());
    }
    ASSERT_EQ(image.size(), 32768u);
    EXPECT_EQ(image[2 * 300] << 8 | image[2 * 300 + 1], (300 * 257 + 3) & 0xFFFF);
    EXPECT_EQ(line.writes().size(), 258u);
}
