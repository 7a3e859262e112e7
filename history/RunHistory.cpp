#include "RunHistory.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <stdexcept>

namespace {

// How long a writer waits for another copy of the program to finish its transaction.
constexpr int kBusyTimeoutMs = 30000;

// A statement that failed; caught by the public call that ran it.
struct SqlFailure {
    QString statement;
    QString reason;
};

QSqlQuery Run(QSqlDatabase db, const QString& statement, const QVariantList& values = {}) {
    QSqlQuery query(db);
    bool done = query.prepare(statement);
    for (const QVariant& value : values) query.addBindValue(value);
    done = done && query.exec();
    if (!done) throw SqlFailure{statement.section(u' ', 0, 2), query.lastError().text()};
    return query;
}

// The first column of the first row; the statement is finished when it returns, so that a
// transaction can commit after it.
QVariant Scalar(QSqlDatabase db, const QString& statement, const QVariantList& values = {}) {
    QSqlQuery query = Run(db, statement, values);
    return query.next() ? query.value(0) : QVariant();
}

// Layout 1: the first one, without the mount point and the file system's UUID.
const char* const kLayout1[] = {
    "CREATE TABLE runs (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time TEXT NOT NULL, "
    "start_utc INTEGER NOT NULL, host TEXT, folder TEXT, file_system TEXT, device_name TEXT, "
    "device_model TEXT, device_serial TEXT, test TEXT NOT NULL, files INTEGER, size_mb INTEGER, "
    "cache_bypass INTEGER, write_through INTEGER, outcome TEXT, write_mbps REAL, read_mbps REAL, "
    "report BLOB NOT NULL)",
    "CREATE INDEX runs_by_time ON runs (start_utc)",
    "CREATE INDEX runs_by_host ON runs (host)",
    "CREATE INDEX runs_by_folder ON runs (folder)",
    "CREATE INDEX runs_by_device ON runs (device_serial, device_name)",
};

// Layout 2: the mount point and UUID a fleet needs to tell drives apart.
const char* const kLayout2[] = {
    "ALTER TABLE runs ADD COLUMN mount_point TEXT",
    "ALTER TABLE runs ADD COLUMN device_uuid TEXT",
    "CREATE INDEX runs_by_uuid ON runs (device_uuid)",
};

const char* const kColumns =
    "id, start_time, start_utc, host, folder, mount_point, file_system, device_name, "
    "device_model, device_serial, device_uuid, test, files, size_mb, cache_bypass, "
    "write_through, outcome, write_mbps, read_mbps";

QVariant TextValue(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant FigureValue(const std::optional<double>& figure) {
    return figure ? QVariant(*figure) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> FigureOf(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    return value.toDouble();
}

HistoryRow RowOfQuery(const QSqlQuery& query) {
    HistoryRow row;
    row.id = query.value(0).toLongLong();
    row.startTime = query.value(1).toString();
    row.startUtc = query.value(2).toLongLong();
    row.host = query.value(3).toString();
    row.folder = query.value(4).toString();
    row.mountPoint = query.value(5).toString();
    row.fileSystem = query.value(6).toString();
    row.deviceName = query.value(7).toString();
    row.deviceModel = query.value(8).toString();
    row.deviceSerial = query.value(9).toString();
    row.deviceUuid = query.value(10).toString();
    row.test = query.value(11).toString();
    row.files = query.value(12).toInt();
    row.sizeMB = query.value(13).toInt();
    row.cacheBypass = query.value(14).toBool();
    row.writeThrough = query.value(15).toBool();
    row.outcome = query.value(16).toString();
    row.writeMBps = FigureOf(query.value(17));
    row.readMBps = FigureOf(query.value(18));
    return row;
}

bool IsKnown(QSqlDatabase db, const HistoryRow& row) {
    return Scalar(db,
                  "SELECT COUNT(*) FROM runs WHERE start_time = ? AND test = ? AND "
                  "host IS ? AND folder IS ?",
                  {row.startTime, row.test, TextValue(row.host), TextValue(row.folder)})
               .toInt() > 0;
}

qint64 Insert(QSqlDatabase db, const HistoryRow& row, const QJsonObject& report) {
    const QByteArray compressed = qCompress(QJsonDocument(report).toJson(QJsonDocument::Compact));
    QSqlQuery query = Run(
        db,
        "INSERT INTO runs (start_time, start_utc, host, folder, mount_point, file_system, "
        "device_name, device_model, device_serial, device_uuid, test, files, size_mb, "
        "cache_bypass, write_through, outcome, write_mbps, read_mbps, report) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {row.startTime, row.startUtc, TextValue(row.host), TextValue(row.folder),
         TextValue(row.mountPoint), TextValue(row.fileSystem), TextValue(row.deviceName),
         TextValue(row.deviceModel), TextValue(row.deviceSerial), TextValue(row.deviceUuid),
         row.test, row.files, row.sizeMB, row.cacheBypass, row.writeThrough, TextValue(row.outcome),
         FigureValue(row.writeMBps), FigureValue(row.readMBps), compressed});
    return query.lastInsertId().toLongLong();
}

QString UniqueConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("dravelo-history-%1").arg(next++);
}

// Rolls back a transaction that did not commit, whatever ended it.
class ImmediateTransaction {
  public:
    explicit ImmediateTransaction(QSqlDatabase db) : db_(db) {
        // Immediate: the write lock is taken at the start, so that a busy database makes this
        // statement wait instead of failing halfway through.
        Run(db_, "BEGIN IMMEDIATE");
    }
    ~ImmediateTransaction() {
        if (!committed_) QSqlQuery(db_).exec("ROLLBACK");
    }
    void Commit() {
        Run(db_, "COMMIT");
        committed_ = true;
    }

  private:
    QSqlDatabase db_;
    bool committed_ = false;
};

}  // namespace

QString RunHistory::DefaultPath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is invalid by the base directory rules and is ignored.
    if (data.isEmpty() || QDir::isRelativePath(data)) data = QDir::homePath() + "/.local/share";
    return data + "/dravelo/history.sqlite";
}

RunHistory::RunHistory(const QString& path) : path_(path), connection_(UniqueConnectionName()) {}

RunHistory::~RunHistory() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase RunHistory::Database() const {
    return QSqlDatabase::database(connection_, false);
}

bool RunHistory::Fail(const QString& what, const QString& reason) {
    error_ = QStringLiteral("%1: %2 (%3)").arg(what, reason, path_);
    return false;
}

bool RunHistory::Open(bool readOnly) {
    if (!QSqlDatabase::isDriverAvailable("QSQLITE"))
        return Fail("history", "the SQLite driver of Qt SQL is not installed");
    if (QSqlDatabase::contains(connection_)) return Fail("history", "opened twice");
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection_);
    db.setDatabaseName(path_);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    if (readOnly) options += ";QSQLITE_OPEN_READONLY";
    db.setConnectOptions(options);
    if (!db.open()) return Fail("cannot open the history", db.lastError().text());
    return ReadSchemaVersion(version_);
}

// Reading the version is the first read of the file, so a damaged file or one that is not an
// SQLite database at all fails here, before anything is written.
bool RunHistory::ReadSchemaVersion(int& version) {
    try {
        // Both in one statement, so that both come from one state of the file: another copy of
        // the program may be laying out a new history at this moment.
        QSqlQuery query = Run(Database(),
                              "SELECT (SELECT user_version FROM pragma_user_version), "
                              "(SELECT COUNT(*) FROM sqlite_master)");
        if (!query.next()) return Fail("cannot read the history", "no answer from the file");
        version = query.value(0).toInt();
        // Version 0 is a new, empty file; an SQLite database of another program is not ours.
        if (version == 0 && query.value(1).toInt() > 0)
            return Fail("cannot use the history", "the file is another program's database");
        return true;
    } catch (const SqlFailure& failure) {
        return Fail("cannot read the history", failure.reason);
    }
}

bool RunHistory::OpenForReading() {
    if (!QFileInfo::exists(path_)) return Fail("no history", "no run has been recorded");
    if (!Open(true)) return false;
    if (version_ >= kSchemaVersion) return true;
    // An older layout lacks columns the listing reads: bring it up to date first.
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
    return OpenForWriting();
}

bool RunHistory::OpenForWriting() {
    if (!QFileInfo::exists(path_) && !QDir().mkpath(QFileInfo(path_).absolutePath()))
        return Fail("cannot create the history", "its folder cannot be created");
    if (!Open(false)) return false;
    if (version_ > kSchemaVersion)
        return Fail("the history is only read",
                    QStringLiteral("it was written by a newer version of Dravelo (layout %1)")
                        .arg(version_));
    return PrepareForWriting();
}

bool RunHistory::PrepareForWriting() {
    try {
        // WAL lets readers and one writer work at the same time; the mode stays with the file.
        const QString mode = Scalar(Database(), "PRAGMA journal_mode=WAL").toString();
        if (mode.compare("wal", Qt::CaseInsensitive) != 0)
            return Fail("cannot write the history", "the file does not allow write-ahead logging");
        return version_ == kSchemaVersion || Migrate();
    } catch (const SqlFailure& failure) {
        return Fail("cannot write the history", failure.reason);
    }
}

// Brings the layout up to kSchemaVersion, one step at a time. Another copy of the program may
// be doing the same, so the version is read again under the write lock.
bool RunHistory::Migrate() {
    ImmediateTransaction transaction(Database());
    const int version = Scalar(Database(), "PRAGMA user_version").toInt();
    if (version > kSchemaVersion)
        return Fail("the history is only read", "a newer version of Dravelo has just written it");
    if (version < 1)
        for (const char* statement : kLayout1) Run(Database(), statement);
    if (version < 2)
        for (const char* statement : kLayout2) Run(Database(), statement);
    Run(Database(), QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    transaction.Commit();
    version_ = kSchemaVersion;
    return true;
}

std::optional<RunHistory::Recorded> RunHistory::Record(const QJsonObject& report, bool skipKnown) {
    const std::optional<HistoryRow> row = RowOfReport(report);
    if (!row) {
        Fail("not recorded", "the report is not a Dravelo run report of schema 1");
        return std::nullopt;
    }
    try {
        ImmediateTransaction transaction(Database());
        Recorded recorded;
        if (!skipKnown || !IsKnown(Database(), *row)) {
            recorded.id = Insert(Database(), *row, report);
            recorded.pruned = Prune();
        }
        transaction.Commit();
        return recorded;
    } catch (const SqlFailure& failure) {
        Fail("cannot record the run in the history", failure.reason);
        return std::nullopt;
    }
}

int RunHistory::Prune() {
    const qint64 excess = Scalar(Database(), "SELECT COUNT(*) FROM runs").toLongLong() - kKeptRuns;
    if (excess <= 0) return 0;
    Run(Database(),
        "DELETE FROM runs WHERE id IN (SELECT id FROM runs ORDER BY start_utc, id LIMIT ?)",
        {excess});
    return static_cast<int>(excess);
}

std::vector<HistoryRow> RunHistory::List(const HistoryFilter& filter) {
    std::vector<HistoryRow> rows;
    try {
        QSqlQuery query = Run(
            Database(),
            QStringLiteral(
                "SELECT %1 FROM runs WHERE (ifnull(?, '') = '' OR ? IN (device_name, device_model, "
                "device_serial, device_uuid)) AND (ifnull(?, '') = '' OR folder = ?) "
                "ORDER BY start_utc DESC, id DESC LIMIT ?")
                .arg(kColumns),
            {filter.device, filter.device, filter.folder, filter.folder,
             filter.last > 0 ? filter.last : -1});
        while (query.next()) rows.push_back(RowOfQuery(query));
    } catch (const SqlFailure& failure) {
        Fail("cannot read the history", failure.reason);
    }
    return rows;
}

std::optional<HistoryRow> RunHistory::Row(qint64 id) {
    try {
        QSqlQuery query =
            Run(Database(), QStringLiteral("SELECT %1 FROM runs WHERE id = ?").arg(kColumns), {id});
        if (query.next()) return RowOfQuery(query);
        Fail("no such run", QStringLiteral("run %1 is not in the history").arg(id));
    } catch (const SqlFailure& failure) {
        Fail("cannot read the history", failure.reason);
    }
    return std::nullopt;
}

QJsonObject RunHistory::Report(qint64 id) {
    try {
        QSqlQuery query = Run(Database(), "SELECT report FROM runs WHERE id = ?", {id});
        if (query.next())
            return QJsonDocument::fromJson(qUncompress(query.value(0).toByteArray())).object();
    } catch (const SqlFailure& failure) {
        Fail("cannot read the history", failure.reason);
    }
    return QJsonObject();
}
