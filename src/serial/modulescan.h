#pragma once

#include "modbus/decode.h"
#include "modbus/scanplan.h"
#include "modbus/answer.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

namespace tr {

class Link;

// A module that answered a search: its measurement values, or the exception code it refused
// the read with (a module is there all the same).
struct FoundModule {
    int station = 0;
    int baud = 0;
    std::vector<Reading> readings;
    int exceptionCode = 0;
};

// The window's search for modules: one measurement read of eight registers per probe of a
// scan plan through the link, each probe's 200 ms wait ended by the link before the next
// leaves. Driven by the link's signals, never by a nested wait. The port is set to each baud
// rate in turn and back to the rate it had once the search ends.
class ModuleScan : public QObject {
    Q_OBJECT
public:
    explicit ModuleScan(Link &link, QObject *parent = nullptr);

    bool running() const { return plan_.has_value(); }
    // Stations 1 to 247 at each of `bauds`. Ends with exactly one finished().
    void start(const QList<int> &bauds, std::uint8_t functionCode);
    // Stops after the probe under way; finished() follows.
    void cancel() { cancelled_ = true; }

    enum class End { Done, Cancelled, PortClosed };

signals:
    void progress(qsizetype done, qsizetype total);
    void found(const tr::FoundModule &module);
    void finished(tr::ModuleScan::End end);

private:
    void probeNext();
    void probeEnded();
    void finish(End end);

    Link &link_;
    std::optional<ScanPlan> plan_;
    std::uint8_t function_ = 3;
    QString settingsBefore_;
    bool cancelled_ = false;
    bool probing_ = false;
    std::optional<FoundModule> answer_; // of the probe under way
    QTimer retry_;                      // a read of the window's own was still waiting
};

} // namespace tr
