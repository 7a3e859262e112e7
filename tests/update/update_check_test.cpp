// The Help menu's update check against real servers on 127.0.0.1: what the user is shown and
// what is opened, for each kind of version file and each way the transfer can fail.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QElapsedTimer>
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

QString CacheFolder() {
    return qEnvironmentVariable("XDG_CACHE_HOME");
}

QByteArray WithDownload(const QByteArray& download) {
    return Lines({"Current Version=1.0.15", "Download=" + download});
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

// Runs checks with the window's opener, the desktop replaced by a recorder, against Python's
// http.server, which serves the version file at /download/Dravelo.zip.ver.
class UpdateCheckTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new LocalHttpServer; }
    static void TearDownTestSuite() { delete server_; }

    void SetUp() override {
        ASSERT_TRUE(server_->running());
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

    // The boxes of one check of `address` ("%1" is the server), the question answered `answer`;
    // the reasons given with them in `details`.
    QStringList Check(const QString& address, BoxAnswer answer = BoxAnswer::No,
                      QStringList* details = nullptr) {
        qputenv("DRAVELO_UPDATE_URL", QString(address).replace("%1", server_->base()).toUtf8());
        QNetworkAccessManager transfer;
        RecordingPrompter prompter;
        prompter.answer = answer;
        const auto cacheFiles = [] {
            QStringList files;
            for (QDirIterator it(CacheFolder(), QDir::Files, QDirIterator::Subdirectories);
                 it.hasNext();)
                files << it.next() + ' ' + QFileInfo(it.filePath()).lastModified().toString();
            return files;
        };
        const QStringList before = cacheFiles();
        CheckForUpdate(transfer, prompter, OpenDownloadWithShell);
        // The version file is read from memory: nothing is written to the cache folder.
        EXPECT_EQ(cacheFiles(), before);
        if (details) *details = prompter.details;
        return prompter.boxes;
    }

    static inline LocalHttpServer* server_ = nullptr;
    const QString kAddress = "%1/download/Dravelo.zip.ver";
    MarkerLanguage language_;
    QTemporaryDir cache_;
    QStringList opened_;
};

struct FileCase {
    const char* name;
    QByteArray versionFile;
    QStringList boxes;
    BoxAnswer answer = BoxAnswer::No;
};

void PrintTo(const FileCase& check, std::ostream* out) {
    *out << check.name;
}

const FileCase kFileCases[] = {
    {"NewerRevisionAnsweredNo", WithVersion("1.0.15"), {Question("1.0.15")}},
    {"NewerMinorAnsweredYes", WithVersion("1.1.0"), {Question("1.1.0")}, BoxAnswer::Yes},
    {"NewerMajor", WithVersion("2.0.0"), {Question("2.0.0")}, BoxAnswer::Yes},
    {"SameVersion", WithVersion("1.0.14"), {kUpToDate}},
    {"OlderRevision", WithVersion("1.0.9"), {kUpToDate}},
    {"OlderMajor", WithVersion("0.9.99"), {kUpToDate}},
    {"MissingPartsCountAsZero", WithVersion("1.1"), {Question("1.1.0")}},
    {"VersionNotNumbers", WithVersion("1.0.x"), {kNoInformation}},
    {"VersionWithFourParts", WithVersion("1.0.15.1"), {kNoInformation}},
    {"MessageCode1ShownWithoutNewer",
     WithVersion("1.0.14", {"Error=1", "Message=Maintenance"}),
     {Message("Maintenance"), kUpToDate}},
    {"MessageCode3NeverShown",
     WithVersion("1.0.15", {"Error=3", "Message=Hidden"}),
     {Question("1.0.15")}},
    {"MessageCode0ShownWithNewer",
     WithVersion("1.0.15", {"Message=News"}),
     {Message("News"), Question("1.0.15")}},
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
     WithDownload("file:///usr/bin/xterm"),
     {kNoInformation},
     BoxAnswer::Yes},
    {"ScriptDownloadRefused",
     WithDownload("javascript:alert(1)"),
     {kNoInformation},
     BoxAnswer::Yes},
    {"ProgramDownloadRefused", WithDownload("/usr/bin/xterm"), {kNoInformation}, BoxAnswer::Yes},
};

class VersionFiles : public UpdateCheckTest, public ::testing::WithParamInterface<FileCase> {};

struct TransferCase {
    const char* name;
    QString address;
    QString reason;  // what the box's detail says
    QByteArray body = WithVersion("1.0.15");
};

void PrintTo(const TransferCase& check, std::ostream* out) {
    *out << check.name;
}

const TransferCase kTransferCases[] = {
    {"NotFound", "%1/missing/download/Dravelo.zip.ver", "HTTP 404: "},
    {"BodyOverOneMiB", "%1/download/Dravelo.zip.ver", "larger than 1048576 bytes",
     WithVersion("1.0.15") + Lines({QByteArray(1024 * 1024, 'x')})},
    {"AddressWithAnotherPath", "%1/download/Dravelo.ver", "not a version file address"},
    {"AddressOfALocalFile", "file:///tmp/download/Dravelo.zip.ver", "not a version file address"},
};

class FailedTransfers : public UpdateCheckTest,
                        public ::testing::WithParamInterface<TransferCase> {};

}  // namespace

// Only a question answered Yes opens anything, and then only the file's web address.
TEST_P(VersionFiles, ShowTheirBoxesAndOpenOnlyWhatTheUserAccepted) {
    const FileCase& check = GetParam();
    server_->serve("/download/Dravelo.zip.ver", check.versionFile);
    EXPECT_EQ(Check(kAddress, check.answer), check.boxes);
    const bool accepted = check.answer == BoxAnswer::Yes && check.boxes.last().contains("yes/no");
    EXPECT_EQ(opened_, accepted ? QStringList{kDownload} : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionFiles, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(FailedTransfers, TellTheUserAndEndWithoutVersionInformation) {
    server_->serve("/download/Dravelo.zip.ver", GetParam().body);
    QStringList details;
    EXPECT_EQ(Check(GetParam().address, BoxAnswer::No, &details),
              (QStringList{kTransferFailed, kNoInformation}));
    ASSERT_EQ(details.size(), 1);
    EXPECT_TRUE(details.first().contains(GetParam().reason)) << details.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedTransfers, ::testing::ValuesIn(kTransferCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, RefusedConnectionFails) {
    QStringList details;
    EXPECT_EQ(Check(RefusingBase() + "/download/Dravelo.zip.ver", BoxAnswer::No, &details),
              (QStringList{kTransferFailed, kNoInformation}));
    EXPECT_EQ(details.size(), 1);
    EXPECT_TRUE(details.join("").contains("refused")) << details.join("").toStdString();
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersFailsAtTheTimeLimit) {
    SilentServer silent;
    SetTransferTimeLimit(std::chrono::milliseconds(200));
    QStringList details;
    EXPECT_EQ(Check(silent.base() + "/download/Dravelo.zip.ver", BoxAnswer::No, &details),
              (QStringList{kTransferFailed, kNoInformation}));
    EXPECT_EQ(details, QStringList{"no complete answer within 0.2 s"});
}

// The version file is read from memory: a cache folder that cannot be made changes nothing.
TEST_F(UpdateCheckTest, CacheFolderThatCannotBeMadeDoesNotMatter) {
    QFile blocker(cache_.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CACHE_HOME", blocker.fileName().toLocal8Bit());
    server_->serve("/download/Dravelo.zip.ver", WithVersion("1.0.15"));
    EXPECT_EQ(Check(kAddress), QStringList{Question("1.0.15")});
}

// What a server may make the program show: bounded, and never text that reorders its
// surroundings or moves the terminal's cursor; joiners stay, emoji and many scripts need them.
TEST(ServerText, IsCappedAndFiltered) {
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9");
    const struct {
        QString from, shown;
    } rows[] = {
        {"plain news", "plain news"},
        {"a\x1b[2Jb\tc", "a?[2Jb?c"},
        {QString::fromUtf8("evil\xE2\x80\xAEtxt.exe"), "evil?txt.exe"},
        {QString::fromUtf8("\xE2\x80\xAA\xE2\x81\xA6x\xE2\x81\xA9"), "??x?"},
        {family, family},
        {QString(kLongestServerText, 'm'), QString(kLongestServerText, 'm')},
        {QString(1024 * 1024, 'm'), QString(kLongestServerText, 'm') + QChar(0x2026)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ShownServerText(row.from), row.shown) << row.from.left(40).toStdString();
}

// A temporary file an earlier version left behind is neither read nor touched.
TEST_F(UpdateCheckTest, OlderLongerTemporaryFileDoesNotLeakIntoTheCheck) {
    QFile stale(VersionTempPath());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(stale).absolutePath()));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(WithVersion("1.0.15") + Lines({"Current Version=1.0.9", "Error=1", "Message=Old"}));
    stale.close();
    server_->serve("/download/Dravelo.zip.ver", WithVersion("1.0.15"));
    EXPECT_EQ(Check(kAddress), QStringList{Question("1.0.15")});
}

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

// Closing the window takes the transfer component with it: the check ends at once, long before
// its time limit, and shows nothing more.
TEST(UpdateCheckWhileTransferring, ClosingTheWindowEndsTheCheckWithoutABox) {
    MarkerLanguage language;
    SilentServer silent;
    qputenv("DRAVELO_UPDATE_URL", (silent.base() + "/download/Dravelo.zip.ver").toUtf8());
    auto* transfer = new QNetworkAccessManager;
    RecordingPrompter prompter;
    QTimer::singleShot(100, transfer, &QObject::deleteLater);
    QElapsedTimer clock;
    clock.start();
    const UpdateCheckResult result = CheckForUpdate(*transfer, prompter, {});
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_EQ(result.outcome, UpdateOutcome::NoInformation);
    EXPECT_EQ(prompter.boxes, QStringList());
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
