// dravelo-cli --check-update against a real server on 127.0.0.1: its lines, its exit status,
// and the download address handed to xdg-open only when the user said yes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "event_wait.h"
#include "local_servers.h"
#include "update_test_support.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
};

// A stand-in for xdg-open, found first on PATH, that writes down the address it was given.
class RecordingXdgOpen {
  public:
    RecordingXdgOpen() {
        QFile script(dir_.filePath("xdg-open"));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"" + record().toUtf8() + ".part\"\nmv \"" +
                     record().toUtf8() + ".part\" \"" + record().toUtf8() + "\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString folder() const { return dir_.path(); }
    QString record() const { return dir_.filePath("opened.txt"); }

  private:
    QTemporaryDir dir_;
};

}  // namespace

TEST(CheckUpdateCommand, PrintsTheBoxesAndExitsByTheOutcome) {
    LocalHttpServer server;
    ASSERT_TRUE(server.running());
    MarkerLanguage language;
    const QString failed =
        "An error has occured in the file transfer or write.  Please try again later.\n";
    struct Row {
        const char* name;
        QByteArray versionFile;
        QStringList options;
        const char* path;
        QString out;
        int exitCode;
        QString opened;
        QString err = QString();  // what standard error says
    };
    const Row rows[] = {
        {"newer, answered no",
         WithVersion("1.0.15"),
         {},
         "/download/Dravelo.zip.ver",
         "<43>1.0.15\n<44>1.0.14\n\n<45> <46>\n-> No\nDownload: " + kDownload + "\n",
         0,
         ""},
        {"newer, answered yes",
         WithVersion("1.0.15"),
         {"--yes"},
         "/download/Dravelo.zip.ver",
         "<43>1.0.15\n<44>1.0.14\n\n<45> <46>\n-> Yes\nDownload: " + kDownload + "\n",
         0,
         kDownload},
        {"up to date, message with control characters",
         WithVersion("1.0.14", {"Error=1", "Message=Hi\x1b[2J"}),
         {"--yes"},
         "/download/Dravelo.zip.ver",
         "Hi?[2J\n<47> <48>\n",
         0,
         ""},
        {"not found",
         WithVersion("1.0.15"),
         {},
         "/missing/download/Dravelo.zip.ver",
         failed + "<50>\n",
         1,
         "",
         "dravelo-cli: HTTP 404: "},
        {"no download line",
         Lines({"Current Version=1.0.15"}),
         {"--yes"},
         "/download/Dravelo.zip.ver",
         "<50>\n",
         1,
         ""},
    };
    for (const Row& row : rows) {
        server.serve("/download/Dravelo.zip.ver", row.versionFile);
        RecordingXdgOpen xdgOpen;
        QTemporaryDir cache;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "C.UTF-8");
        environment.insert("XDG_CACHE_HOME", cache.path());
        environment.insert("PATH", xdgOpen.folder() + ":" + environment.value("PATH"));
        environment.insert("DRAVELO_UPDATE_URL", server.base() + row.path);
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(QCoreApplication::applicationDirPath() + "/dravelo-cli",
                  QStringList{"--check-update", "--lang", language.path()} + row.options);
        ASSERT_TRUE(cli.waitForFinished(60000)) << row.name;
        EXPECT_EQ(cli.exitCode(), row.exitCode) << row.name;
        EXPECT_EQ(QString::fromUtf8(cli.readAllStandardOutput()), row.out) << row.name;
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        EXPECT_EQ(err.startsWith(row.err) && (row.err.isEmpty() == err.isEmpty()), true)
            << row.name << ": " << err.toStdString();

        if (!row.opened.isEmpty()) {
            ASSERT_TRUE(RunEventLoopUntil([&] { return QFile::exists(xdgOpen.record()); }, 30000))
                << row.name;
        }
        QFile record(xdgOpen.record());
        EXPECT_EQ(record.open(QIODevice::ReadOnly) ? QString::fromUtf8(record.readAll()) : "",
                  row.opened)
            << row.name;
    }
}

// A close request ends the wait for a server that never answers at once, with 128 + the signal,
// and prints nothing more of the check.
TEST(CheckUpdateCommand, CloseRequestAbortsTheTransfer) {
    SilentServer silent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DRAVELO_UPDATE_URL", silent.base() + "/download/Dravelo.zip.ver");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(QCoreApplication::applicationDirPath() + "/dravelo-cli", {"--check-update"});
        // Connected means waiting for the answer, with the close handlers long installed.
        ASSERT_TRUE(silent.waitForConnection(30000));
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        // Well inside the transfer's 30 s limit.
        ASSERT_TRUE(cli.waitForFinished(20000)) << signal;
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(cli.exitCode(), 128 + signal);
        EXPECT_EQ(cli.readAllStandardOutput(), "") << signal;
    }
}

// The check tests nothing: options of a test run are usage errors, not silently ignored.
TEST(CheckUpdateCommand, RefusesTheOptionsOfATestRun) {
    for (const char* option : {"--json", "--multiple", "--log-file", "--no-cache-bypass"}) {
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + "/dravelo-cli",
                  {"--check-update", option});
        ASSERT_TRUE(cli.waitForFinished(30000)) << option;
        EXPECT_EQ(cli.exitCode(), 2) << option;
        EXPECT_TRUE(
            QString::fromUtf8(cli.readAllStandardError())
                .startsWith(QStringLiteral("dravelo-cli: --check-update does not go with ") +
                            option))
            << option;
    }
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + "/dravelo-cli",
              {"--check-update", "--files", "3"});
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 2);
}
