// The Help menu's update check against real servers on 127.0.0.1: what the user is shown and
// what is opened, for each kind of version file and each way the transfer can fail.
#include <gtest/gtest.h>

#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QUrl>

#include "UpdateAddress.h"
#include "UpdateDialogs.h"
#include "local_servers.h"
#include "modDl.h"
#include "modShell.h"
#include "update_test_support.h"

namespace {

enum class Server { Http, Silent, Refusing };

struct CheckCase {
    const char* name;
    QByteArray versionFile;
    QStringList boxes;
    BoxAnswer answer = BoxAnswer::No;
    QStringList opened = {};
    QByteArray staleTempFile = {};
    const char* address = "%1/download/Dravelo.zip.ver";
    Server server = Server::Http;
};

void PrintTo(const CheckCase& check, std::ostream* out) {
    *out << check.name;
}

QByteArray Filled5000(int downloadLine, int versionLine) {
    QList<QByteArray> lines;
    for (int number = 1; number <= 5000; ++number) {
        if (number == downloadLine)
            lines << "Download=" + kDownload.toUtf8();
        else if (number == versionLine)
            lines << "Current Version=1.0.15";
        else
            lines << "Description=line " + QByteArray::number(number);
    }
    return Lines(lines);
}

QByteArray OverOneMiB() {
    return NewerVersionFile() + Lines({QByteArray(1024 * 1024, 'x')});
}

QByteArray WithVersion(const QByteArray& version, const QList<QByteArray>& more = {}) {
    return Lines(QList<QByteArray>{"Current Version=" + version, "Download=" + kDownload.toUtf8()} +
                 more);
}

const CheckCase kCases[] = {
    {"NewerRevisionAnsweredNo", WithVersion("1.0.15"), {Question("1.0.15")}},
    {"NewerMinorAnsweredYes",
     WithVersion("1.1.0"),
     {Question("1.1.0")},
     BoxAnswer::Yes,
     {kDownload}},
    {"NewerMajor", WithVersion("2.0.0"), {Question("2.0.0")}},
    {"SameVersion", WithVersion("1.0.14"), {kUpToDate}},
    {"OlderRevision", WithVersion("1.0.9"), {kUpToDate}},
    {"OlderMajor", WithVersion("0.9.99"), {kUpToDate}},
    {"MissingPartsCountAsZero", WithVersion("1.1"), {Question("1.1.0")}},
    {"VersionNotThreeNumbers", WithVersion("1.0.x"), {kNoInformation}},
    {"VersionWithFourParts", WithVersion("1.0.15.1"), {kNoInformation}},
    {"VersionWithEmptyPart", WithVersion("1..15"), {kNoInformation}},
    {"MessageCode1ShownWithoutNewer",
     WithVersion("1.0.14", {"Error=1", "Message=Maintenance"}),
     {Message("Maintenance"), kUpToDate}},
    {"MessageCode3NeverShown",
     WithVersion("1.0.15", {"Error=3", "Message=Hidden"}),
     {Question("1.0.15")}},
    {"MessageCode0ShownWithNewer",
     WithVersion("1.0.15", {"Message=News"}),
     {Message("News"), Question("1.0.15")}},
    {"MessageCode2NotShownWithoutNewer",
     WithVersion("1.0.14", {"Error=2", "Message=News"}),
     {kUpToDate}},
    {"ErrorNotANumberKeepsTheCode",
     WithVersion("1.0.14", {"Error=1", "Error=x", "Message=M"}),
     {Message("M"), kUpToDate}},
    {"LaterVersionLineCounts", WithVersion("1.0.15", {"Current Version=1.0.9"}), {kUpToDate}},
    {"KeysAreCaseSensitive",
     Lines({"current version=1.0.15", "Download=" + kDownload.toUtf8()}),
     {kNoInformation}},
    {"NoDownloadLine", Lines({"Current Version=1.0.15"}), {kNoInformation}},
    {"Line4049IsRead", Filled5000(4049, 1), {Question("1.0.15")}},
    {"Line4050IsNotRead", Filled5000(4049, 4050), {kNoInformation}},
    {"LfLines",
     Lines({"Current Version=1.0.15", "Download=" + kDownload.toUtf8()}, "\n"),
     {Question("1.0.15")}},
    {"Windows1252Message",
     WithVersion("1.0.14", {"Error=1",
                            "Message=Gr\xF6\xDF"
                            "e \x80"}),
     {Message(QString::fromUtf8("Größe €")), kUpToDate}},
    {"FileDownloadRefused",
     Lines({"Current Version=1.0.15", "Download=file:///usr/bin/xterm"}),
     {kNoInformation},
     BoxAnswer::Yes},
    {"ScriptDownloadRefused",
     Lines({"Current Version=1.0.15", "Download=javascript:alert(1)"}),
     {kNoInformation},
     BoxAnswer::Yes},
    {"ProgramDownloadRefused",
     Lines({"Current Version=1.0.15", "Download=/usr/bin/xterm"}),
     {kNoInformation},
     BoxAnswer::Yes},
    {"OlderLongerTempFileDoesNotLeak",
     NewerVersionFile(),
     {Question("1.0.15")},
     BoxAnswer::No,
     {},
     NewerVersionFile() + Lines({"Current Version=1.0.9", "Error=1", "Message=Stale"})},
    {"NotFound",
     NewerVersionFile(),
     {kTransferFailed, kNoInformation},
     BoxAnswer::No,
     {},
     {},
     "%1/missing/download/Dravelo.zip.ver"},
    {"BodyOverOneMiB", OverOneMiB(), {kTransferFailed, kNoInformation}},
    {"AddressWithAnotherPath",
     NewerVersionFile(),
     {kTransferFailed, kNoInformation},
     BoxAnswer::No,
     {},
     {},
     "%1/download/Dravelo.ver"},
    {"AddressOfALocalFile",
     NewerVersionFile(),
     {kTransferFailed, kNoInformation},
     BoxAnswer::No,
     {},
     {},
     "file:///tmp/download/Dravelo.zip.ver"},
    {"ConnectionRefused",
     NewerVersionFile(),
     {kTransferFailed, kNoInformation},
     BoxAnswer::No,
     {},
     {},
     "%1/download/Dravelo.zip.ver",
     Server::Refusing},
    {"ServerNeverAnswers",
     NewerVersionFile(),
     {kTransferFailed, kNoInformation},
     BoxAnswer::No,
     {},
     {},
     "%1/download/Dravelo.zip.ver",
     Server::Silent},
};

class UpdateCheck : public ::testing::TestWithParam<CheckCase> {
  protected:
    void SetUp() override {
        qputenv("XDG_CACHE_HOME", cache_.path().toLocal8Bit());
        SetDesktopOpener([this](const QUrl& url) {
            opened_ << url.toString();
            return true;
        });
    }
    void TearDown() override {
        SetDesktopOpener({});
        SetTransferTimeLimit(std::chrono::seconds(30));
        qunsetenv("DRAVELO_UPDATE_URL");
        qunsetenv("XDG_CACHE_HOME");
    }

    static void SetUpTestSuite() { server_ = new LocalHttpServer; }
    static void TearDownTestSuite() { delete server_; }

    QString ServerBase(Server kind) {
        switch (kind) {
            case Server::Silent:
                SetTransferTimeLimit(std::chrono::milliseconds(200));
                return silent_.base();
            case Server::Refusing:
                return RefusingBase();
            case Server::Http:
                break;
        }
        return server_->base();
    }

    static inline LocalHttpServer* server_ = nullptr;
    MarkerLanguage language_;
    QTemporaryDir cache_;
    SilentServer silent_;
    QStringList opened_;
};

}  // namespace

TEST_P(UpdateCheck, ShowsTheBoxesAndOpensOnlyWhatTheUserAccepted) {
    const CheckCase& check = GetParam();
    ASSERT_TRUE(server_->running());
    server_->serve("/download/Dravelo.zip.ver", check.versionFile);
    const QString base = ServerBase(check.server);
    qputenv("DRAVELO_UPDATE_URL", QString::fromUtf8(check.address).replace("%1", base).toUtf8());
    if (!check.staleTempFile.isEmpty()) {
        QFile stale(VersionTempPath());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(stale).absolutePath()));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(check.staleTempFile);
    }

    QNetworkAccessManager transfer;
    RecordingPrompter prompter;
    prompter.answer = check.answer;
    CheckForUpdate(transfer, prompter, OpenDownloadWithShell);

    EXPECT_EQ(prompter.boxes, check.boxes);
    EXPECT_EQ(opened_, check.opened);
    EXPECT_FALSE(QFile::exists(VersionTempPath()));
}

INSTANTIATE_TEST_SUITE_P(VersionFiles, UpdateCheck, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateCheckWhileTransferring, RefusesASecondCheckWithoutTheTransferMessage) {
    MarkerLanguage language;
    SilentServer silent;
    SetTransferTimeLimit(std::chrono::milliseconds(300));
    qputenv("DRAVELO_UPDATE_URL", (silent.base() + "/download/Dravelo.zip.ver").toUtf8());
    QNetworkAccessManager transfer;
    RecordingPrompter prompter;
    // The user chooses the menu command again while the first check waits for the server.
    QTimer::singleShot(0, [&] { CheckForUpdate(transfer, prompter, {}); });
    CheckForUpdate(transfer, prompter, {});
    EXPECT_EQ(prompter.boxes, (QStringList{kNoInformation, kTransferFailed, kNoInformation}));
    SetTransferTimeLimit(std::chrono::seconds(30));
    qunsetenv("DRAVELO_UPDATE_URL");
}

TEST(VersionFileAddress, EnvironmentWinsOverTheSettingsFileWhichWinsOverTheMakersServer) {
    const QString settingsFile =
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quarnell/Quarnell.conf";
    const QString makers = "https://dravelo.example/download/Dravelo.zip.ver";
    const QString stored = "http://stored.test/download/Dravelo.zip.ver";
    const QString fromEnvironment = "http://env.test/download/Dravelo.zip.ver";
    struct Row {
        QString environment, settings, expected;
    };
    const Row rows[] = {
        {"", "", makers},
        {"", "[Dravelo]\r\nNrFiles=20\r\nUpdateURL=" + stored + "\r\n", stored},
        {"", "[Other]\nUpdateURL=" + stored + "\n", makers},
        {fromEnvironment, "[Dravelo]\nUpdateURL=" + stored + "\n", fromEnvironment},
    };
    for (const Row& row : rows) {
        QDir().mkpath(QFileInfo(settingsFile).absolutePath());
        QFile file(settingsFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(row.settings.toUtf8());
        file.close();
        qputenv("DRAVELO_UPDATE_URL", row.environment.toUtf8());
        EXPECT_EQ(VersionFileAddress(), row.expected) << row.settings.toStdString();
    }
    qunsetenv("DRAVELO_UPDATE_URL");
    QFile::remove(settingsFile);
}
