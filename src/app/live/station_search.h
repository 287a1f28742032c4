#pragma once
// The three searches for generation 4 stations on a shared line: "Поиск устройства в сети"
// (`searchDevice`, upwards from address 1), "поиск следующего устройства в сети" (`searchNext`)
// and "поиск предыдущего устройства в сети" (`searchPrevious`) from the station address. The
// progress window has "Отмена"; each address that does not answer disables the station commands
// as it goes, and the station found becomes the station address and enters the station list.
#include "link/device_search.h"
#include "link/line_probe.h"

#include <QObject>

class LiveSession;

class StationSearch : public QObject {
    Q_OBJECT
public:
    explicit StationSearch(LiveSession& session);

    void searchDevice();
    void searchNext();
    void searchPrevious();

private:
    enum class Kind { All, Next, Previous };
    struct Outcome {
        vorsan::OpenResult opened;
        vorsan::SearchResult search;
        vorsan::PadWellReply padWell;
    };

    void search(Kind kind);
    void absent(Kind kind);
    void present(Kind kind, std::uint8_t n, const vorsan::PadWellReply& padWell);
    void finished(Kind kind, int first, Outcome& out);

    LiveSession& session_;
};
