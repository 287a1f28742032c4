#pragma once
// Everything that works with the live line, built once for the main window: the link thread, the
// session the commands share, the line probe and polls, the station commands and the searches.
#include "live/line_watch.h"
#include "live/link_worker.h"
#include "live/live_session.h"
#include "live/station_commands.h"
#include "live/station_search.h"

class LiveWindow;

class LiveStation {
public:
    LiveStation(LiveWindow& window, LinkWorker::LinkFactory linkFactory);
    // The running transaction stops at its next step; nothing queued after it runs.
    void shutDown() { worker_->shutDown(); }

    LinkWorker& worker() { return *worker_; }
    LiveSession& session() { return *session_; }
    LineWatch& watch() { return *watch_; }
    StationCommands& commands() { return *commands_; }
    StationSearch& search() { return *search_; }

private:
    // Qt children of the window; destroyed with it.
    LinkWorker* worker_;
    LiveSession* session_;
    LineWatch* watch_;
    StationCommands* commands_;
    StationSearch* search_;
};
