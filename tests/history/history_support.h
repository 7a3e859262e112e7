// The run history as the program keeps it: real runs of dravelo-cli, each with its own data
// folder through XDG_DATA_HOME, and the SQLite file read back with Qt SQL.
#pragma once

#include <QCryptographicHash>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include "cli_process.h"

namespace history {

// One data folder and one folder to test, for one test.
struct Place {
    TempFolder data;
    TempFolder tested;
    QString database() const { return data.path() + "dravelo/history.sqlite"; }
    QStringList environment() const { return {"XDG_DATA_HOME=" + data.path()}; }
};

// A small run that cannot finish in 0 ms: the clock seam advances 250 ms per reading.
inline QStringList SmallRun(const Place& place, const QStringList& more = {}) {
    return QStringList{"--files", "1", "--size", "1"} + more + QStringList{place.tested.path()};
}

inline cli::Result RunIn(const Place& place, const QStringList& arguments) {
    return cli::RunCli(arguments, place.environment());
}

inline QJsonArray Listed(const Place& place, const QStringList& more = {}) {
    const cli::Result result = RunIn(place, QStringList{"--history", "--json"} + more);
    return QJsonDocument::fromJson(result.out.toUtf8()).array();
}

// The answer of one statement on the file, through a connection of its own.
inline QVariant Ask(const QString& path, const QString& statement) {
    const QString name = QUuid::createUuid().toString();
    QVariant answer;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement) && query.next()) answer = query.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return answer;
}

inline QByteArray Digest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

}  // namespace history
