#include "modbus/scanplan.h"

namespace tr {

QList<int> allStations() {
    QList<int> stations;
    for (int s = 1; s <= 247; ++s)
        stations << s;
    return stations;
}

ScanPlan::ScanPlan(QList<int> bauds, QList<int> stations)
    : bauds_(std::move(bauds)), stations_(std::move(stations)) {
    if (stations_.isEmpty())
        baud_ = bauds_.size();
}

ScanProbe ScanPlan::current() const {
    if (finished())
        return {};
    return {bauds_[baud_], stations_[station_], station_};
}

void ScanPlan::advance() {
    if (finished())
        return;
    if (++station_ >= stations_.size())
        skipBaud();
}

void ScanPlan::skipBaud() {
    if (finished())
        return;
    ++baud_;
    station_ = 0;
}

} // namespace tr
