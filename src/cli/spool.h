#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tr::cli {

// Rows on their way to the broker, kept in an SQLite file in WAL mode (or in memory without a
// folder). A row goes in before it is printed or logged and leaves only when the broker has
// acknowledged it, so a broker away for days, a killed logger or a power cut loses nothing that
// was shown. The file is held with an exclusive lock while open: a second logger on the same
// folder is refused, and the system frees the lock when a logger dies.
//
// Safe to use from two threads (the read loop appends, the MQTT thread reads and removes).
class Spool {
public:
    struct Settings {
        QString dir;            // empty: in memory, nothing survives the process
        long long maxBytes = 0; // beyond it the oldest rows go (0: no bound)
        long long maxRows = 0;  // the same in rows (0: no bound)
        int syncMs = 0;         // 0: every row on disk before append() returns; see below
    };
    struct Row {
        long long id = 0;
        QByteArray topic;
        QByteArray payload;
    };
    struct Opened {
        std::unique_ptr<Spool> spool; // null when it could not be opened
        bool locked = false;          // another process holds it
        QString error;                // why it could not be opened
        QString repaired;             // a damaged file was found: what happened to it
    };

    // syncMs > 0: commits do not wait for the disk; the one that comes syncMs after the last
    // sync writes everything before it through, so a power cut loses at most the rows of the
    // last syncMs (or of the last append, when appends are further apart). A killed process
    // loses nothing either way.
    static Opened open(const Settings &settings);
    ~Spool();
    Spool(const Spool &) = delete;
    Spool &operator=(const Spool &) = delete;

    // Stores a row and remembers seq + 1 as the station's next seq. Drops the oldest rows when
    // the bound is passed. The reason when the row could not be stored.
    std::optional<QString> append(const QByteArray &topic, const QByteArray &payload, int station,
                                  long long seq);
    // Up to `limit` rows with an id above `id`, oldest first.
    std::vector<Row> after(long long id, int limit);
    // Rows the broker acknowledged; an id no longer there is ignored.
    void remove(const std::vector<long long> &ids);

    // The first seq none of these stations has used yet (1 for a new spool).
    long long nextSeq(const QList<int> &stations);
    long long backlog() const;
    long long dropped() const;
    QString path() const { return path_; }

private:
    explicit Spool(Settings settings) : settings_(std::move(settings)) {}
    void close();
    bool exec(const char *sql);
    QString lastError() const;
    bool store(const QByteArray &topic, const QByteArray &payload, int station, long long seq);
    bool saveSeq(int station, long long next);
    std::optional<QString> openFile(const QString &file, bool &locked);
    void dropOldest();
    long long usedBytes();

    Settings settings_;
    QString path_;
    sqlite3 *db_ = nullptr;
    mutable std::mutex mutex_;
    long long backlog_ = 0;
    long long dropped_ = 0;
    long long lastSyncMs_ = 0;
    bool damaged_ = false;
    sqlite3_stmt *insert_ = nullptr;
    sqlite3_stmt *saveSeq_ = nullptr;
    sqlite3_stmt *after_ = nullptr;
    sqlite3_stmt *remove_ = nullptr;
};

} // namespace tr::cli
