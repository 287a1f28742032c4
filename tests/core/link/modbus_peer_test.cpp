// Our framed exchanges against libmodbus, an independent Modbus RTU implementation, acting as the
// station on the master side of a pseudo-terminal. Our link opens the slave side like a port.
#if defined(VORSAN_HAVE_LIBMODBUS)

#include "link/checksums.h"
#include "link/frame_exchange.h"
#include "link/posix_serial_link.h"
#include "pty_pair.h"

#include <gtest/gtest.h>
#include <modbus.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

using namespace vorsan;
using vorsan::test::PtyPair;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kStation = 1;
constexpr int kHolding = 256;
constexpr int kInput = 16384;
constexpr int kCoils = 256;

std::uint16_t holdingValue(int r) {
    return static_cast<std::uint16_t>(0x1000 + r * 3);
}
std::uint16_t inputValue(int r) {
    return static_cast<std::uint16_t>(r * 7 + 0x0101);
}

// libmodbus as an RTU server on the master fd, in its own thread. Never modbus_connect or
// modbus_close: they would take over and rewrite the port's settings.
class ModbusStation {
  public:
    explicit ModbusStation(int fd) {
        ctx_ = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);
        map_ = modbus_mapping_new(kCoils, 0, kHolding, kInput);
        if (!ctx_ || !map_) return;
        modbus_set_slave(ctx_, kStation);
        modbus_set_socket(ctx_, fd);
        // libmodbus sleeps for the response time-out before some exceptions and after a request
        // to another address; 1 ms keeps it from dropping our next request.
        modbus_set_response_timeout(ctx_, 0, 1000);
        // Wake up regularly to see whether the test has ended.
        modbus_set_indication_timeout(ctx_, 0, 100000);
        for (int r = 0; r < kHolding; ++r)
            map_->tab_registers[r] = holdingValue(r);
        for (int r = 0; r < kInput; ++r)
            map_->tab_input_registers[r] = inputValue(r);
        thread_ = std::thread([this] { serve(); });
    }
    ~ModbusStation() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (map_) modbus_mapping_free(map_);
        if (ctx_) modbus_free(ctx_);
    }
    bool ok() const { return ctx_ && map_; }

  private:
    void serve() {
        std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
            const int rc = modbus_receive(ctx_, query);
            if (rc > 0) {
                modbus_reply(ctx_, query, rc, map_);
            } else if (rc < 0 && errno == EIO) {
                // Our side is closed: nothing to read until it opens again.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            // Time-outs, bad CRC and requests to other addresses: go on listening.
        }
    }

    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Real time on a loaded machine: data requests get a generous time-out here; their protocol
// time-outs are tested on the scripted line.
FramedRequest generous(FramedRequest r) {
    r.timeoutMs = 3000;
    return r;
}

struct LibModbus : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(link.open(pty.slavePath(), 9600).ok());
        station = std::make_unique<ModbusStation>(pty.master());
        ASSERT_TRUE(station->ok());
    }
    void TearDown() override {
        station.reset();
        link.close();
    }
    PtyPair pty;
    PosixSerialLink link;
    std::unique_ptr<ModbusStation> station;
};

} // namespace

TEST_F(LibModbus, CurrentStateBlockOfSixteenRegisters) {
    const FramedReply r = framedRequest(link, generous(currentStateFirstRequest(kStation)));
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.length, 37u);
    EXPECT_EQ(r.bytes[0], kStation);
    EXPECT_EQ(r.bytes[1], 0x03);
    EXPECT_EQ(r.bytes[2], 32);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.registerValue(static_cast<std::size_t>(i)), holdingValue(63 + i));
}

TEST_F(LibModbus, JournalBlocksOfSixtyFourInputRegisters) {
    for (int k : {0, 1, 100, 255}) {
        SCOPED_TRACE(k);
        const FramedReply r = framedRequest(link, generous(journalBlockRequest(kStation, k)));
        ASSERT_TRUE(r.valid);
        EXPECT_EQ(r.length, 133u);
        EXPECT_EQ(r.data().size(), 128u);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(r.registerValue(static_cast<std::size_t>(i)), inputValue(64 * k + i));
    }
}

TEST_F(LibModbus, WholeSettingsBlockInSixteenRequests) {
    Bytes block;
    for (int k = 0; k < 16; ++k) {
        const FramedReply r = framedRequest(link, generous(settingsBlockRequest(kStation, k)));
        ASSERT_TRUE(r.valid) << k;
        EXPECT_EQ(r.tries, 1);
        block.insert(block.end(), r.data().begin(), r.data().end());
    }
    ASSERT_EQ(block.size(), 512u);
    for (int reg = 0; reg < 256; ++reg)
        EXPECT_EQ(block[2 * reg] << 8 | block[2 * reg + 1], holdingValue(reg)) << reg;
}

TEST_F(LibModbus, WrittenRegisterIsEchoedAndReadsBack) {
    // 0x0D0A and 0x1113 also cross the line unchanged in both directions.
    const std::pair<std::uint16_t, std::uint16_t> writes[] = {
        {176 + 12 / 2, 0xBEEF}, {0x11, 0x0D0A}, {0x13, 0x1113}};
    for (auto [reg, value] : writes) {
        const FramedRequest w = generous(writeSettingRequest(kStation, reg, value));
        const FramedReply echo = framedRequest(link, w);
        ASSERT_TRUE(echo.valid);
        EXPECT_EQ(echo.length, 8u);
        EXPECT_EQ(Bytes(echo.frame().begin(), echo.frame().end()), Bytes(w.bytes.begin(), w.bytes.end()));
        const FramedReply back = framedRequest(link, generous(readRegisters(kStation, reg, 1)));
        ASSERT_TRUE(back.valid);
        EXPECT_EQ(back.registerValue(0), value);
    }
}

TEST_F(LibModbus, SearchProbeIsRefusedWithFiveBytes) {
    const FramedReply r = framedRequest(link, searchProbeRequest(kStation));
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.length, 5u);
    EXPECT_EQ(r.bytes[0], kStation);
    EXPECT_EQ(r.bytes[1], 0x83);
    EXPECT_EQ(r.bytes[2], MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
}

TEST_F(LibModbus, OtherAddressesAreSilent) {
    // The search over addresses 3, 2, 1 finds only the station, which answers right after.
    for (int n : {3, 2}) {
        const FramedReply r = framedRequest(link, searchProbeRequest(static_cast<std::uint8_t>(n)));
        EXPECT_FALSE(r.valid) << n;
        EXPECT_FALSE(r.skipped);
        EXPECT_EQ(r.error, LinkError::None);
    }
    EXPECT_TRUE(framedRequest(link, searchProbeRequest(kStation)).valid);
    EXPECT_FALSE(framedRequest(link, padWellRequest(200)).valid);
    EXPECT_TRUE(framedRequest(link, generous(padWellRequest(kStation))).valid);
}

TEST_F(LibModbus, CommandValuesOfThisProtocolAreRefused) {
    // Function 5 takes only 0xFF00 and 0x0000 in Modbus; 0x2710 and 0x0001 get the 5-byte refusal.
    for (const FramedRequest& req : {clearChronologyRequest(kStation), startStopRequest(kStation, true)}) {
        const FramedReply r = framedRequest(link, req);
        ASSERT_TRUE(r.valid);
        EXPECT_EQ(r.bytes[1], 0x85);
        EXPECT_EQ(r.bytes[2], MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE);
    }
    // 0x0000 is accepted and echoed in 8 bytes, which the 5-byte check does not take.
    EXPECT_FALSE(framedRequest(link, startStopRequest(kStation, false)).valid);
    EXPECT_TRUE(framedRequest(link, generous(padWellRequest(kStation))).valid);
}

TEST_F(LibModbus, RefusalWhereDataWasAskedForIsNoReply) {
    // Registers 250 to 265 run past the station's 256: a 5-byte refusal instead of 37 bytes.
    const FramedReply r = framedRequest(link, readRegisters(kStation, 250, 16));
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.tries, 1);
    EXPECT_TRUE(framedRequest(link, generous(currentStateSecondRequest(kStation))).valid);
}

TEST_F(LibModbus, RequestWithBadCrcIsIgnored) {
    FramedRequest bad = padWellRequest(kStation);
    bad.bytes[7] ^= 0x01;
    EXPECT_FALSE(framedRequest(link, bad).valid);
    EXPECT_TRUE(framedRequest(link, generous(padWellRequest(kStation))).valid);
}

TEST_F(LibModbus, StationSurvivesThePortBeingClosedAndOpenedAgain) {
    link.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let the server see the hang-up
    ASSERT_TRUE(link.open(pty.slavePath(), 9600).ok());
    EXPECT_TRUE(framedRequest(link, generous(padWellRequest(kStation))).valid);
}

#endif
