#pragma once
// vorsan-sim's engine: a line of simulated devices answering on a pseudo-terminal from a thread
// of its own. Tests run it in-process; the program (main.cpp) wraps it.
#include "line_model.h"
#include "pty_port.h"
#include "sim_options.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace vorsan::sim {

// One request as the simulator received it.
struct ReceivedRequest {
    SimClock::time_point at; // when its last byte arrived
    Bytes bytes;             // an 8-byte framed request, or one byte of the byte-command protocol
    unsigned lineSpeed = 0;  // the speed the other end had set on its side of the line
    bool framed = false;
    bool answered = false; // false when silent, dropped or nobody was addressed
};

class Simulator {
  public:
    explicit Simulator(SimOptions options);
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    ~Simulator();

    // Opens the pseudo-terminal (and the --link) and starts answering. Error text, empty on success.
    std::string start();
    void stop();
    const std::string& devicePath() const { return port_.devicePath(); }

    // Reads or changes the devices under the simulator's lock, e.g. between two transactions.
    template <typename F> auto withLine(F&& f) {
        std::lock_guard lock(mutex_);
        return f(model_);
    }

    std::vector<ReceivedRequest> received() const;
    void clearReceived();
    void setFaults(double corrupt, double drop, unsigned slowMs, bool silent);

    // Called for every request when set (the program's --verbose); from the simulator's thread.
    std::function<void(const ReceivedRequest&, const Bytes& reply)> onRequest;

  private:
    void run();
    void serviceInput(Bytes& pending, SimClock::time_point arrived);
    void answer(Bytes request, bool framed, SimClock::time_point arrived);
    bool applyFaults(Bytes& reply);

    SimOptions options_;
    std::string loadError_;
    PtyPort port_;
    mutable std::mutex mutex_; // model_, received_, fault settings, rng_
    LineModel model_;
    std::vector<ReceivedRequest> received_;
    std::mt19937 rng_;
    unsigned answerable_ = 0; // requests a device would have answered, for --drop 1/N
    // Replies of stations with a delay of their own, waiting for their time while the line goes
    // on: other stations answer their requests meanwhile, as on a real line. Simulator thread only.
    struct Scheduled {
        Bytes bytes;
        unsigned pace = 0;
        SimClock::time_point start;
    };
    std::deque<Scheduled> scheduled_;
    void writeDueReplies();
    SimClock::time_point started_ = SimClock::now(); // the controllers' clocks run from here
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace vorsan::sim
