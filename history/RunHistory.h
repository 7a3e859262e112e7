// The run history: one SQLite file per user that every front end and every copy of the program
// records into at the same time (WAL mode, a busy timeout, writes in immediate transactions).
// A file it cannot use is reported and left exactly as it is: never repaired, replaced or
// written by a version that does not know its layout.
#pragma once

#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

#include "HistoryRow.h"

// Which runs to list: all of them unless a filter is set.
struct HistoryFilter {
    QString device;  // a device's name, model, serial number or UUID
    QString folder;  // the tested folder, ending in "/"
    int last = 0;    // only the newest this many; 0 for all
};

class RunHistory {
  public:
    // The layout this program reads and writes; older files are migrated up to it.
    static constexpr int kSchemaVersion = 2;
    // The most runs kept; older ones are removed as new ones come.
    static constexpr int kKeptRuns = 10000;

    // $XDG_DATA_HOME/dravelo/history.sqlite, or ~/.local/share/dravelo/history.sqlite.
    static QString DefaultPath();

    explicit RunHistory(const QString& path = DefaultPath());
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // Opens the file for recording: creates it (and its folder) when missing, migrates an older
    // layout. False, with error(), when it cannot be written.
    bool OpenForWriting();
    // Opens an existing file for looking back; a newer layout is read as far as possible.
    bool OpenForReading();

    struct Recorded {
        qint64 id = 0;   // 0 when the run was already there
        int pruned = 0;  // older runs removed to stay within kKeptRuns
    };
    // Records one run's whole report. With `skipKnown`, a run already recorded (same host, start
    // time, folder and test) is left out, so that importing a file twice adds it once.
    std::optional<Recorded> Record(const QJsonObject& report, bool skipKnown = false);

    std::vector<HistoryRow> List(const HistoryFilter& filter);
    std::optional<HistoryRow> Row(qint64 id);
    // The run's whole report as it was recorded; empty when there is no such run.
    QJsonObject Report(qint64 id);

    // What went wrong in the last call that failed, in English.
    QString Error() const { return error_; }
    QString Path() const { return path_; }
    // The open connection, for views that read the history through a query model.
    QSqlDatabase Database() const;

  private:
    bool Open(bool readOnly);
    bool ReadSchemaVersion(int& version);
    bool PrepareForWriting();
    bool Migrate();
    int Prune();
    bool Fail(const QString& what, const QString& reason);

    QString path_;
    QString connection_;
    int version_ = 0;
    QString error_;
};
