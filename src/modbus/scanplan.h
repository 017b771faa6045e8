#pragma once

#include <QList>

namespace tr {

// The stations a search for modules probes when none are named: every unicast address.
QList<int> allStations();

// One probe of a search for modules: a measurement read of `station` at `baud`.
struct ScanProbe {
    int baud = 0;
    int station = 0;
    qsizetype stationIndex = 0; // position among the stations of its baud rate
};

// The order a search for modules goes in, shared by the window and the command line: every
// station at the first baud rate, then every station at the next. A baud rate the port
// refuses is skipped whole.
class ScanPlan {
public:
    ScanPlan(QList<int> bauds, QList<int> stations);

    bool finished() const { return baud_ >= bauds_.size(); }
    ScanProbe current() const;
    // The current probe is the first at its baud rate: the port must be set to it.
    bool startsBaud() const { return station_ == 0; }
    void advance();
    void skipBaud();

    qsizetype probesDone() const { return baud_ * stations_.size() + station_; }
    qsizetype probesTotal() const { return bauds_.size() * stations_.size(); }

private:
    QList<int> bauds_;
    QList<int> stations_;
    qsizetype baud_ = 0;
    qsizetype station_ = 0;
};

} // namespace tr
