#include "live/line_scheduler.h"

#include "live/link_worker.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPeriod = 2000; // each of the probe and the poll
constexpr int kTurn = kPeriod / 2;

} // namespace

LineScheduler::LineScheduler(QTimer& timer, LinkWorker& worker, QObject* parent)
    : QObject(parent), timer_(timer), worker_(worker) {
    connect(&worker_, &LinkWorker::idle, this, &LineScheduler::onLineFree);
}

void LineScheduler::rearm() {
    const int interval = poll_ && !pollResting_ ? kTurn : kPeriod;
    if (timer_.interval() != interval) timer_.setInterval(interval);
}

void LineScheduler::tick() {
    if (paused_) return;
    rearm();
    if (worker_.busy()) {
        held_ = true; // runs as soon as the line is free
        return;
    }
    held_ = false;
    if (overview_) {
        if (overview) overview();
        return;
    }
    if (poll_ && !pollResting_ && pollNext_) {
        pollNext_ = false;
        if (poll) poll(*poll_);
        return;
    }
    pollNext_ = poll_.has_value();
    if (probe) probe();
}

void LineScheduler::onLineFree() {
    if (paused_) return;
    if (overview_) {
        // The next station's turn follows on the free line; the period stays as the fallback.
        held_ = false;
        timer_.start(overviewWait ? std::max(overviewWait(), 0) : 0);
        return;
    }
    if (held_ && timer_.isActive()) tick();
}

void LineScheduler::startOverview() {
    overview_ = true;
    if (!paused_) timer_.start(1);
}

void LineScheduler::stopOverview() {
    if (!overview_) return;
    overview_ = false;
    if (!paused_) {
        pollNext_ = poll_.has_value();
        timer_.start(1);
    }
}

void LineScheduler::startPoll(vorsan::ControllerGeneration generation, bool soon) {
    const bool wasOn = poll_.has_value();
    poll_ = generation;
    if (!wasOn || soon) pollNext_ = true;
    if (paused_ || !timer_.isActive()) return;
    if (soon)
        timer_.start(1);
    else
        rearm();
}

void LineScheduler::stopPoll() {
    poll_.reset();
    pollNext_ = false;
    if (!paused_ && timer_.isActive()) rearm();
}

std::optional<vorsan::ControllerGeneration> LineScheduler::runningPoll() const {
    if (paused_) return std::nullopt;
    return poll_;
}

void LineScheduler::pause() {
    paused_ = true;
    held_ = false;
    timer_.stop();
}

void LineScheduler::resume() {
    paused_ = false;
    // The poll (when on) comes first, a turn after the command; the probe a turn later.
    pollNext_ = poll_.has_value();
    if (overview_)
        timer_.start(1);
    else
        timer_.start(poll_ && !pollResting_ ? kTurn : kPeriod);
}
