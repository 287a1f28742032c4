// The scan of a whole line against the simulator paced at 9600 bit/s with seven stations
// (1, 5, 7, 12, 33, 101, 247): the fast scan with its learned time-out, with a station answering
// 120 ms late and with every 10th request to a station unanswered, and the full search at 500 ms
// per address for comparison (about two minutes). Counters: found (stations), s (the scan's time),
// first_pass_s (until the second pass began), line_s (the pure line time of the bytes exchanged)
// and timeout_ms / second_ms (the learned time-outs). One iteration each. WatchRound polls the seven
// stations' current state in turn, as a view of the whole line does: per_station_ms is what a round
// costs beyond its pure line time, per station.
#include "link/device_search.h"
#include "link/line_probe.h"
#include "link/line_scan.h"
#include "link/posix_serial_link.h"
#include "link/station_watch.h"
#include "simulator.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace vorsan;
using namespace vorsan::sim;
using Clock = std::chrono::steady_clock;

const std::vector<std::uint8_t> kStations = {1, 5, 7, 12, 33, 101, 247};

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Requests of 8 bytes; each station found adds its 5-byte refusal and the pad-and-well request
// with its 9-byte reply.
double pureLineSeconds(int requests, std::size_t found) {
    return (requests * 8.0 + static_cast<double>(found) * (5 + 8 + 9)) * 10.0 / 9600.0;
}

template <typename Scan> void run(benchmark::State& state, SimOptions options, Scan scan) {
    options.gen4Addresses = kStations;
    Simulator sim(options);
    if (std::string e = sim.start(); !e.empty()) {
        state.SkipWithError(e.c_str());
        return;
    }
    PosixSerialLink link;
    for (auto _ : state) {
        if (!link.open(sim.devicePath(), 9600).ok()) {
            state.SkipWithError("the port did not open");
            break;
        }
        const Clock::time_point start = Clock::now();
        std::size_t found = scan(link, state, start);
        state.SetIterationTime(seconds(start, Clock::now()));
        link.close();
        state.counters["found"] = static_cast<double>(found);
        if (found != kStations.size()) state.SkipWithError("not every station was found");
    }
    sim.stop();
}

void fastScan(benchmark::State& state, SimOptions options) {
    run(state, std::move(options), [](SerialLink& link, benchmark::State& st, Clock::time_point start) {
        Clock::time_point secondPass = Clock::time_point{};
        LineScanOptions o;
        o.proceed = [&](const ScanStep& step) {
            if (step.pass == 2 && secondPass == Clock::time_point{}) secondPass = Clock::now();
            return true;
        };
        const LineScanResult r = scanLine(link, o);
        const Clock::time_point end = Clock::now();
        st.counters["s"] = seconds(start, end);
        st.counters["first_pass_s"] = seconds(start, secondPass == Clock::time_point{} ? end : secondPass);
        st.counters["line_s"] = pureLineSeconds(r.requests, r.stations.size());
        st.counters["timeout_ms"] = static_cast<double>(r.firstPassTimeoutMicros) / 1000.0;
        st.counters["second_ms"] = static_cast<double>(r.secondPassTimeoutMicros) / 1000.0;
        st.counters["requests"] = r.requests;
        return r.stations.size();
    });
}

void FastScan(benchmark::State& state) {
    fastScan(state, SimOptions{});
}

void FastScanLateStation(benchmark::State& state) {
    SimOptions o;
    o.replyDelayMs = {{7, 120}};
    fastScan(state, o);
}

void FastScanDroppedRequests(benchmark::State& state) {
    SimOptions o;
    o.dropEvery = 10;
    fastScan(state, o);
}

// The search of the whole line as "поиск следующего устройства в сети" repeated does it.
void FullSearch(benchmark::State& state) {
    run(state, SimOptions{}, [](SerialLink& link, benchmark::State& st, Clock::time_point start) {
        std::size_t found = 0;
        for (int next = 1;;) {
            const SearchResult r = searchStations(link, next, SearchDirection::Up);
            if (!r.found) break;
            ++found;
            readPadWell(link, *r.found);
            next = *r.found + 1;
        }
        st.counters["s"] = seconds(start, Clock::now());
        st.counters["line_s"] = pureLineSeconds(247, found);
        return found;
    });
}

// Ten rounds over the seven stations: three requests each (registers 63..78 and 16..31 with
// 37-byte replies, pad and well with a 9-byte reply).
void WatchRound(benchmark::State& state) {
    run(state, SimOptions{}, [](SerialLink& link, benchmark::State& st, Clock::time_point start) {
        std::vector<StationRow> rows;
        for (std::uint8_t a : kStations) {
            StationRow row;
            row.address = a;
            rows.push_back(row);
        }
        constexpr int kRounds = 10;
        for (int round = 0; round < kRounds; ++round)
            for (StationRow& row : rows)
                pollStationRow(link, row, std::chrono::system_clock::now());
        const double round = seconds(start, Clock::now()) / kRounds;
        const double line = static_cast<double>(kStations.size()) * (8 + 37 + 8 + 37 + 8 + 9) * 10.0 / 9600.0;
        st.counters["round_s"] = round;
        st.counters["line_s"] = line;
        st.counters["per_station_ms"] = (round - line) * 1000.0 / static_cast<double>(kStations.size());
        std::size_t answering = 0;
        for (const StationRow& row : rows)
            answering += row.answering ? 1 : 0;
        return answering;
    });
}

} // namespace

BENCHMARK(WatchRound)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FastScan)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FastScanLateStation)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FastScanDroppedRequests)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FullSearch)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
