#include "link/frame_exchange.h"
#include "link/scripted_link.h"
#include "link/trace_writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vorsan;

TEST(TraceWriter, OneExchangeAsText) {
    ScriptedLink line;
    std::ostringstream text;
    {
        TraceWriter trace(text);
        line.setObserver(&trace);
        ASSERT_TRUE(line.open("scripted", 9600).ok());
        const auto req = padWellRequest(1);
        line.expect(Bytes(req.bytes.begin(), req.bytes.end()))
            .reply({0x01, 0x03, 0x04}, 12.5)
            .reply(withCrc({0x01, 0x03, 0x04, 0x00, 0x07, 0x00, 0x2A}), 40);
        framedRequest(line, req);
        line.close();
        line.setObserver(nullptr);
    }
    // The second piece starts with the same three bytes: 12 bytes arrive, 9 are taken.
    EXPECT_EQ(text.str(), "        0.000 open\n"
                          "        0.000 purge\n"
                          "        0.000 rts off\n"
                          "        0.000 > 01 03 00 EE 00 02 A4 3E\n"
                          "        0.000 rts on\n"
                          "       12.500 < 01 03 04\n"
                          "       40.000 < 01 03 04 00 07 00\n"
                          "       40.000 close\n");
}
