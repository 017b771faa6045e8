#include "cli/spool.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <chrono>
#include <map>
#include <sqlite3.h>

namespace tr::cli {

namespace {

constexpr const char *kSchema =
    // AUTOINCREMENT: an id is never handed out twice, so "rows after the last one sent" stays
    // right when the spool runs empty.
    "CREATE TABLE IF NOT EXISTS rows(id INTEGER PRIMARY KEY AUTOINCREMENT, station INTEGER, "
    "seq INTEGER, topic BLOB, payload BLOB);"
    // The next seq per station; station 0 is a floor for every station.
    "CREATE TABLE IF NOT EXISTS seqs(station INTEGER PRIMARY KEY, next INTEGER);";

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool damaged(int rc) {
    rc &= 0xff;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

QByteArray blob(sqlite3_stmt *st, int column) {
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, column)),
                      sqlite3_column_bytes(st, column));
}

// What can still be read from a damaged spool: its rows in order and its seq counters.
struct Salvage {
    struct Row {
        int station;
        long long seq;
        QByteArray topic, payload;
    };
    std::vector<Row> rows;
    std::map<int, long long> seqs;
    bool seqsLost = false;
};

Salvage salvage(const QString &file) {
    Salvage out;
    sqlite3 *db = nullptr;
    // Read-write on the copy set aside, exclusive: its WAL is read without a -shm file.
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        out.seqsLost = true;
        return out;
    }
    sqlite3_stmt *st = nullptr;
    out.seqsLost = true;
    if (sqlite3_prepare_v2(db, "SELECT station, next FROM seqs", -1, &st, nullptr) == SQLITE_OK) {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            out.seqs[sqlite3_column_int(st, 0)] = sqlite3_column_int64(st, 1);
        out.seqsLost = rc != SQLITE_DONE;
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT id, station, seq, topic, payload FROM rows WHERE id > ? "
                           "ORDER BY id",
                           -1, &st, nullptr) == SQLITE_OK) {
        // A broken page ends a scan; the next one starts further on, ever further, so that
        // a damaged stretch is stepped over in a few dozen tries.
        long long last = 0, skip = 1;
        for (int scans = 0; scans < 64; ++scans) {
            sqlite3_reset(st);
            sqlite3_bind_int64(st, 1, last);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                last = sqlite3_column_int64(st, 0);
                out.rows.push_back({sqlite3_column_int(st, 1), sqlite3_column_int64(st, 2),
                                    blob(st, 3), blob(st, 4)});
                skip = 1;
            }
            if (rc == SQLITE_DONE)
                break;
            last += skip;
            skip *= 2;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

} // namespace

Spool::Opened Spool::open(const Settings &settings) {
    Opened result;
    std::unique_ptr<Spool> spool(new Spool(settings));
    QString file = QStringLiteral(":memory:");
    if (!settings.dir.isEmpty()) {
        if (!QDir().mkpath(settings.dir)) {
            result.error = QStringLiteral("cannot create the folder %1").arg(settings.dir);
            return result;
        }
        file = QDir(settings.dir).filePath(QStringLiteral("spool.db"));
    }
    spool->path_ = file;
    auto why = spool->openFile(file, result.locked);
    if (why && (spool->damaged_ || (spool->db_ && damaged(sqlite3_errcode(spool->db_))))) {
        // Keep the damaged file for a closer look, carry over what it still holds.
        spool->close();
        const QString kept =
            file + QStringLiteral(".damaged-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QFile::remove(file + QStringLiteral("-shm"));
        if (!QFile::rename(file, kept)) {
            result.error =
                QStringLiteral("%1 is damaged (%2) and cannot be moved aside").arg(file, *why);
            return result;
        }
        QFile::rename(file + QStringLiteral("-wal"), kept + QStringLiteral("-wal"));
        const Salvage old = salvage(kept);
        if (const auto again = spool->openFile(file, result.locked)) {
            result.error = *again;
            return result;
        }
        spool->exec("BEGIN");
        for (const auto &row : old.rows)
            spool->store(row.topic, row.payload, row.station, row.seq);
        for (const auto &[station, next] : old.seqs)
            spool->saveSeq(station, next);
        // Without the counters the only safe seq is one no earlier run can have reached: the
        // wall clock in ms.
        if (old.seqsLost)
            spool->saveSeq(0, QDateTime::currentMSecsSinceEpoch());
        spool->exec("COMMIT");
        spool->backlog_ = static_cast<long long>(old.rows.size());
        result.repaired =
            QStringLiteral("%1 was damaged (%2): %3 row(s) could be read and are "
                           "kept%4; the damaged file is now %5")
                .arg(file, *why)
                .arg(old.rows.size())
                .arg(old.seqsLost ? QStringLiteral(", seq goes on from the clock") : QString())
                .arg(kept);
        why.reset();
    }
    if (why) {
        result.error = *why;
        return result;
    }
    result.spool = std::move(spool);
    return result;
}

std::optional<QString> Spool::openFile(const QString &file, bool &locked) {
    close();
    damaged_ = false;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
        return QStringLiteral("cannot open %1: %2").arg(file, lastError());
    const bool onDisk = !settings_.dir.isEmpty();
    // Exclusive locking before the first access: the lock is taken at once and held until the
    // end, and the WAL index lives in this process's memory (no -shm file).
    if (onDisk && !exec("PRAGMA locking_mode=EXCLUSIVE"))
        return QStringLiteral("cannot open %1: %2").arg(file, lastError());
    if (onDisk && !exec("BEGIN EXCLUSIVE")) {
        locked = (sqlite3_errcode(db_) & 0xff) == SQLITE_BUSY;
        return lastError();
    }
    if (onDisk && !exec("COMMIT"))
        return lastError();
    if (onDisk && (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA journal_size_limit=4194304")))
        return lastError();
    if (onDisk) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &st, nullptr);
        const int rc = sqlite3_step(st);
        QString verdict =
            rc == SQLITE_ROW
                ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)))
                : lastError();
        sqlite3_finalize(st);
        verdict = verdict.simplified();
        if (verdict != QLatin1String("ok")) {
            damaged_ = true;
            return verdict;
        }
    }
    if (!exec(kSchema) ||
        !exec(settings_.syncMs == 0 ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL"))
        return lastError();
    const auto prepare = [this](const char *sql, sqlite3_stmt *&st) {
        return sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) == SQLITE_OK;
    };
    if (!prepare("INSERT INTO rows(station, seq, topic, payload) VALUES(?, ?, ?, ?)", insert_) ||
        !prepare("INSERT INTO seqs(station, next) VALUES(?, ?) ON CONFLICT(station) DO UPDATE "
                 "SET next = max(next, excluded.next)",
                 saveSeq_) ||
        !prepare("SELECT id, topic, payload FROM rows WHERE id > ? ORDER BY id LIMIT ?", after_) ||
        !prepare("DELETE FROM rows WHERE id = ?", remove_))
        return lastError();
    sqlite3_stmt *count = nullptr;
    prepare("SELECT count(*) FROM rows", count);
    if (sqlite3_step(count) == SQLITE_ROW)
        backlog_ = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    lastSyncMs_ = nowMs();
    return std::nullopt;
}

Spool::~Spool() {
    close();
}

void Spool::close() {
    for (sqlite3_stmt **st : {&insert_, &saveSeq_, &after_, &remove_}) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
}

bool Spool::exec(const char *sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString Spool::lastError() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
}

bool Spool::store(const QByteArray &topic, const QByteArray &payload, int station, long long seq) {
    sqlite3_reset(insert_);
    sqlite3_bind_int(insert_, 1, station);
    sqlite3_bind_int64(insert_, 2, seq);
    sqlite3_bind_blob(insert_, 3, topic.constData(), int(topic.size()), SQLITE_STATIC);
    sqlite3_bind_blob(insert_, 4, payload.constData(), int(payload.size()), SQLITE_STATIC);
    return sqlite3_step(insert_) == SQLITE_DONE && saveSeq(station, seq + 1);
}

bool Spool::saveSeq(int station, long long next) {
    sqlite3_reset(saveSeq_);
    sqlite3_bind_int(saveSeq_, 1, station);
    sqlite3_bind_int64(saveSeq_, 2, next);
    return sqlite3_step(saveSeq_) == SQLITE_DONE;
}

std::optional<QString> Spool::append(const QByteArray &topic, const QByteArray &payload,
                                     int station, long long seq) {
    const std::lock_guard lock(mutex_);
    if (settings_.syncMs > 0) {
        // This commit writes every earlier one through as well.
        const bool sync = nowMs() - lastSyncMs_ >= settings_.syncMs;
        exec(sync ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
        if (sync)
            lastSyncMs_ = nowMs();
    }
    if (!exec("BEGIN IMMEDIATE"))
        return lastError();
    if (!store(topic, payload, station, seq)) {
        const QString why = lastError();
        exec("ROLLBACK");
        return why;
    }
    ++backlog_;
    dropOldest();
    if (!exec("COMMIT")) {
        const QString why = lastError();
        exec("ROLLBACK");
        --backlog_;
        return why;
    }
    return std::nullopt;
}

long long Spool::usedBytes() {
    long long pages = 0, free = 0, size = 0;
    sqlite3_stmt *st = nullptr;
    for (const auto &[sql, field] :
         {std::pair{"PRAGMA page_count", &pages}, std::pair{"PRAGMA freelist_count", &free},
          std::pair{"PRAGMA page_size", &size}}) {
        sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            *field = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    return (pages - free) * size;
}

void Spool::dropOldest() {
    const auto over = [this] {
        return (settings_.maxRows > 0 && backlog_ > settings_.maxRows) ||
               (settings_.maxBytes > 0 && backlog_ > 0 && usedBytes() > settings_.maxBytes);
    };
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db_,
                       "DELETE FROM rows WHERE id IN (SELECT id FROM rows ORDER BY id LIMIT ?)", -1,
                       &st, nullptr);
    while (over()) {
        // A page holds some twenty rows: a few pages at a time, never the row just stored.
        const long long n = settings_.maxRows > 0 && backlog_ > settings_.maxRows
                                ? backlog_ - settings_.maxRows
                                : std::min(backlog_ - 1, std::max<long long>(64, backlog_ / 256));
        if (n <= 0)
            break;
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, n);
        if (sqlite3_step(st) != SQLITE_DONE)
            break;
        const long long gone = sqlite3_changes64(db_);
        backlog_ -= gone;
        dropped_ += gone;
    }
    sqlite3_finalize(st);
}

std::vector<Spool::Row> Spool::after(long long id, int limit) {
    const std::lock_guard lock(mutex_);
    std::vector<Row> rows;
    sqlite3_reset(after_);
    sqlite3_bind_int64(after_, 1, id);
    sqlite3_bind_int(after_, 2, limit);
    while (sqlite3_step(after_) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(after_, 0), blob(after_, 1), blob(after_, 2)});
    return rows;
}

void Spool::remove(const std::vector<long long> &ids) {
    if (ids.empty())
        return;
    const std::lock_guard lock(mutex_);
    // An acknowledgement lost to a power cut only means the row goes out again: no sync here.
    if (settings_.syncMs == 0)
        exec("PRAGMA synchronous=NORMAL");
    exec("BEGIN IMMEDIATE");
    for (const long long id : ids) {
        sqlite3_reset(remove_);
        sqlite3_bind_int64(remove_, 1, id);
        if (sqlite3_step(remove_) == SQLITE_DONE)
            backlog_ -= sqlite3_changes64(db_);
    }
    exec("COMMIT");
    if (settings_.syncMs == 0)
        exec("PRAGMA synchronous=FULL");
}

long long Spool::nextSeq(const QList<int> &stations) {
    const std::lock_guard lock(mutex_);
    long long next = 1;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db_, "SELECT station, next FROM seqs", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        if (sqlite3_column_int(st, 0) == 0 || stations.contains(sqlite3_column_int(st, 0)))
            next = std::max(next, sqlite3_column_int64(st, 1));
    sqlite3_finalize(st);
    return next;
}

long long Spool::backlog() const {
    const std::lock_guard lock(mutex_);
    return backlog_;
}

long long Spool::dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace tr::cli
