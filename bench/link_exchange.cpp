// Cost of the link's own work per journal transfer, line time excluded: CRC of a 133-byte reply
// and a whole 256-block journal read through the scripted line.
#include "link/checksums.h"
#include "link/frame_exchange.h"
#include "link/scripted_link.h"

#include <benchmark/benchmark.h>

using namespace vorsan;

static void BM_Crc16JournalReply(benchmark::State& state) {
    Bytes reply(131);
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i * 13);
    for (auto _ : state)
        benchmark::DoNotOptimize(crc16(reply));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 131);
}
BENCHMARK(BM_Crc16JournalReply);

static void BM_JournalReadOnScriptedLine(benchmark::State& state) {
    for (auto _ : state) {
        ScriptedLink line;
        line.open("scripted", 9600);
        line.setResponder([](const Bytes& req) {
            Bytes f{req[0], req[1], 128};
            f.resize(131, 0x5A);
            return withCrc(f);
        });
        std::size_t bytes = 0;
        for (int k = 0; k < 256; ++k)
            bytes += framedRequest(line, journalBlockRequest(1, k)).data().size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_JournalReadOnScriptedLine)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
