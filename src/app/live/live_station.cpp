#include "live/live_station.h"

#include "live/live_window.h"

LiveStation::LiveStation(LiveWindow& window, LinkWorker::LinkFactory linkFactory)
    : worker_(new LinkWorker(window.widget(), std::move(linkFactory))), session_(new LiveSession(window, *worker_)),
      watch_(new LineWatch(*session_)), commands_(new StationCommands(*session_)),
      search_(new StationSearch(*session_)) {
    watch_->bindReadJournal = [this](vorsan::ControllerGeneration g) { commands_->bindReadJournal(g); };
}
