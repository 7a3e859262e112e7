#include "CommandLine.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>

#include "ProfileSettings.h"
#include "TestPhases.h"

namespace {

const char* kUsage =
    "Usage: dravelo-cli [--single | --multiple] [--files N] [--size MB] [--no-cache-bypass]\n"
    "                   [--write-through] [--priority] [--log-file] [--lang FILE] [--json]\n"
    "                   [--chart FILE] [--no-history] [--prometheus FILE] [FOLDER]\n"
    "       dravelo-cli --profile PRESET [--profile-size MB] [--runs N] [--seconds S]\n"
    "                   [--lang FILE] [--json] [--chart FILE] [--no-history]\n"
    "                   [--prometheus FILE] [FOLDER]\n"
    "       dravelo-cli --suggest [--lang FILE] [--json] [FOLDER]\n"
    "       dravelo-cli --check-update [--yes] [--lang FILE]\n"
    "       dravelo-cli --history [--device D] [--folder F] [--last N] [--json] [--lang FILE]\n"
    "       dravelo-cli --compare ID ID [--json] [--lang FILE]\n"
    "       dravelo-cli --import FILE.json...\n"
    "       dravelo-cli --export-csv FILE\n"
    "       dravelo-cli -h | --help | -V | --version\n";

const char* kHelp =
    "Measures how fast FOLDER (default: the current folder) writes and reads files.\n"
    "\n"
    "What the test does to FOLDER: it writes the test files 1.tst, 2.tst ... N.tst there,\n"
    "overwriting plain files of those names, reads them back and deletes them. The single test\n"
    "also deletes numbered test files (such as 25.tst) that an earlier run left behind; the\n"
    "multiple test keeps and names them. Other files and folders are not touched. One test at a\n"
    "time uses a folder: a second one there is refused.\n"
    "\n"
    "  --single           write the files one after another, timing each (default)\n"
    "  --multiple         keep all files open and write them round-robin, timed as one span\n"
    "  --files N          number of test files, 1 to 32000 (default 20)\n"
    "  --size MB          size of each test file in MB, at least 1 (default 10); N x MB at\n"
    "                     most 10737418\n"
    "  --no-cache-bypass  write through the system cache (default: bypass it with O_DIRECT)\n"
    "  --write-through    ask the device to write through its own cache (O_DSYNC)\n"
    "  --priority         let fewer events through while testing\n"
    "  --log-file         append the run's log to Single_DraveloLog_... or\n"
    "                     Multiple_DraveloLog_... in FOLDER\n"
    "  --lang FILE        language of the log lines, deutsch.lng or english.lng (default:\n"
    "                     German when the locale is German, English otherwise)\n"
    "  --json             print one JSON object after the run instead of the log lines\n"
    "  --chart FILE       after a completed run, draw MB/s per file into FILE (.svg or .png)\n"
    "  --profile PRESET   the drive profile instead of the classic test: sequential and\n"
    "                     random reads and writes at queue depth, with MB/s (10^6 bytes),\n"
    "                     MiB/s, IOPS and latency; PRESET is default, peak, nvme or realworld\n"
    "  --profile-size MB  the profile's test file DraveloProfile-... in MiB (default 1024)\n"
    "  --runs N           timed runs per profile test, 1 to 100 (default 5)\n"
    "  --seconds S        seconds per run, 1 to 3600 (default 5)\n"
    "  --no-history       do not record this run in the history\n"
    "  --prometheus FILE  write the run's figures for Prometheus' node exporter into FILE\n"
    "  --history          list the recorded runs, newest first; --device D (name, model,\n"
    "                     serial or UUID), --folder F and --last N narrow the list\n"
    "  --compare ID ID    show two recorded runs side by side with the ratio of each figure\n"
    "  --import FILE...   add reports made with --json, here or on other machines\n"
    "  --export-csv FILE  write every recorded run into a CSV file\n"
    "  --suggest          print a file count and size that fill most of the free space of\n"
    "                     FOLDER's volume, and exit without testing\n"
    "  --check-update     ask the update server whether a newer version exists; its messages\n"
    "                     are printed, its question is answered No\n"
    "  --yes              with --check-update: answer Yes, opening the download address\n"
    "  -h, --help         this text\n"
    "  -V, --version      the program's version\n"
    "\n"
    "Reads always go through the system cache: files still cached from writing are read at\n"
    "memory speed, and a warning on standard error says so when more than a tenth of them is\n"
    "cached. MB means 1024 x 1024 bytes; files are written and read in blocks of 1024 bytes.\n"
    "N and MB are plain whole numbers (digits only), the same in every locale.\n"
    "\n"
    "Ctrl-C, SIGTERM, SIGHUP (the terminal closed) and SIGPIPE (the reader of the output went\n"
    "away) stop the test at its next check, and the test files are still deleted; they end\n"
    "--check-update at once. A second Ctrl-C, SIGTERM or SIGHUP ends the program at once.\n"
    "\n"
    "Environment:\n"
    "  DRAVELO_UPDATE_URL  the version file's address for --check-update; without it, UpdateURL\n"
    "                      in the [Dravelo] group of ~/.config/Quarnell/Quarnell.conf. The\n"
    "                      server has 30 s to answer.\n"
    "\n"
    "Exit status:\n"
    "  0    the test completed, its files are deleted, the log file (if asked for) is written\n"
    "  1    the folder was refused (also when another test is using it), or a phase failed\n"
    "       (the log says why); for --suggest, no free space was found\n"
    "  2    usage error, also a --lang file that cannot be read or --size too large for\n"
    "       --files\n"
    "  3    test files could not all be deleted or the folder could not be listed to delete\n"
    "       them, the log file, the chart or the Prometheus file could not be written, or\n"
    "       standard output could not take the report\n"
    "  129, 130, 141, 143\n"
    "       stopped by SIGHUP, SIGINT, SIGPIPE or SIGTERM (128 + the signal's number)\n"
    "  For --check-update: 0 when the check completed, 1 when no version information could\n"
    "  be obtained (the reason on standard error).\n";

// A count as scripts write it: digits only, whatever the locale, from 1 to `most`. Sets
// `value`, or gives the reason the text cannot be used.
QString ReadCount(const QString& option, const QString& text, int64_t most, int32_t& value) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression negative(QStringLiteral("^-[0-9]+$"));
    const QString quoted = QStringLiteral("--%1 '%2'").arg(option, text);
    if (negative.match(text).hasMatch()) return quoted + QStringLiteral(" is negative");
    if (!digits.match(text).hasMatch())
        return quoted + QStringLiteral(" is not a whole number (digits only, such as 20)");
    bool fits = false;
    const qlonglong number = text.toLongLong(&fits);
    if (fits && number == 0) return quoted + QStringLiteral(" must be at least 1");
    if (!fits || number > most)
        return quoted + QStringLiteral(" is more than %1, the most allowed").arg(most);
    value = static_cast<int32_t>(number);
    return QString();
}

// A chart is drawn only after the whole test: a folder it cannot be written to is found out now.
QString ChartFolderProblem(const QString& chartPath) {
    const QFileInfo folder(QFileInfo(chartPath).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("--chart '%1': the folder %2 does not exist")
            .arg(chartPath, folder.filePath());
    if (::access(QFile::encodeName(folder.filePath()).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("--chart '%1': the folder %2 is not writable")
            .arg(chartPath, folder.filePath());
    return QString();
}

constexpr int64_t kMaxProfileSizeMB = int64_t(1) << 24;  // 16 TiB
constexpr int64_t kMaxProfileRuns = 100;
constexpr int64_t kMaxProfileSeconds = 3600;

struct Options {
    QCommandLineOption single{"single"}, multiple{"multiple"}, noCacheBypass{"no-cache-bypass"},
        writeThrough{"write-through"}, priority{"priority"}, logFile{"log-file"}, json{"json"},
        suggest{"suggest"}, checkUpdate{"check-update"}, yes{"yes"}, help{{"h", "help"}},
        version{{"V", "version"}};
    QCommandLineOption files{"files", QString(), "N"}, size{"size", QString(), "MB"},
        language{"lang", QString(), "FILE"}, chart{"chart", QString(), "FILE"},
        profile{"profile", QString(), "PRESET"}, profileSize{"profile-size", QString(), "MB"},
        runs{"runs", QString(), "N"}, seconds{"seconds", QString(), "S"};

    QList<QCommandLineOption> All() const {
        return {single,   multiple,    noCacheBypass, writeThrough, priority, logFile, json,
                suggest,  checkUpdate, yes,           help,         version,  files,   size,
                language, chart,       profile,       profileSize,  runs,     seconds};
    }
};

// The drive profile's options, which go with --profile only.
QString ReadProfileOptions(const QCommandLineParser& parser, const Options& o,
                           CliOptions& options) {
    const bool profile = parser.isSet(o.profile);
    for (const QCommandLineOption* option : {&o.profileSize, &o.runs, &o.seconds}) {
        if (parser.isSet(*option) && !profile)
            return QStringLiteral("--%1 sets the drive profile; it needs --profile")
                .arg(option->names().first());
    }
    if (!profile) return QString();
    for (const QCommandLineOption* option :
         {&o.single, &o.multiple, &o.files, &o.size, &o.suggest, &o.checkUpdate, &o.logFile,
          &o.writeThrough, &o.priority, &o.noCacheBypass}) {
        if (parser.isSet(*option))
            return QStringLiteral("--profile and --%1 exclude each other")
                .arg(option->names().first());
    }
    options.profilePreset = parser.value(o.profile);
    if (!PresetNames().contains(options.profilePreset))
        return QStringLiteral("--profile '%1' is not a preset (%2)")
            .arg(options.profilePreset, PresetNames().join(QStringLiteral(", ")));
    QString error;
    if (parser.isSet(o.profileSize))
        error = ReadCount("profile-size", parser.value(o.profileSize), kMaxProfileSizeMB,
                          options.profileSizeMB);
    if (error.isEmpty() && parser.isSet(o.runs))
        error = ReadCount("runs", parser.value(o.runs), kMaxProfileRuns, options.profileRuns);
    if (error.isEmpty() && parser.isSet(o.seconds))
        error = ReadCount("seconds", parser.value(o.seconds), kMaxProfileSeconds,
                          options.profileSeconds);
    return error;
}

CliCommand CommandOf(const QCommandLineParser& parser, const Options& o) {
    if (parser.isSet(o.help)) return CliCommand::Help;
    if (parser.isSet(o.version)) return CliCommand::Version;
    if (parser.isSet(o.suggest)) return CliCommand::Suggest;
    if (parser.isSet(o.checkUpdate)) return CliCommand::CheckUpdate;
    if (parser.isSet(o.profile)) return CliCommand::Profile;
    return CliCommand::RunTest;
}

// Fills what the options say into `options`; the reason when one cannot be used.
QString ReadOptions(const QCommandLineParser& parser, const Options& o, CliOptions& options) {
    if (parser.isSet(o.suggest) && parser.isSet(o.checkUpdate))
        return QStringLiteral("--suggest and --check-update exclude each other");
    if (parser.isSet(o.yes) && !parser.isSet(o.checkUpdate))
        return QStringLiteral("--yes answers the update check's question; it needs --check-update");
    if (parser.isSet(o.checkUpdate) && !parser.positionalArguments().isEmpty())
        return QStringLiteral("--check-update tests no folder; leave FOLDER out");
    if (parser.isSet(o.checkUpdate)) {
        for (const QCommandLineOption* testOption :
             {&o.single, &o.multiple, &o.files, &o.size, &o.noCacheBypass, &o.writeThrough,
              &o.priority, &o.logFile, &o.json})
            if (parser.isSet(*testOption))
                return QStringLiteral("--check-update does not go with --%1")
                    .arg(testOption->names().constLast());
    }
    if (parser.isSet(o.single) && parser.isSet(o.multiple))
        return QStringLiteral("--single and --multiple exclude each other");
    const QString profileError = ReadProfileOptions(parser, o, options);
    if (!profileError.isEmpty()) return profileError;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) return QStringLiteral("only one FOLDER can be tested");
    if (parser.isSet(o.files)) {
        const QString error = ReadCount("files", parser.value(o.files), kMaxFiles, options.files);
        if (!error.isEmpty()) return error;
    }
    if (parser.isSet(o.size)) {
        const QString error = ReadCount("size", parser.value(o.size),
                                        std::numeric_limits<int32_t>::max(), options.sizeMB);
        if (!error.isEmpty()) return error;
    }
    if (options.sizeMB > LargestSizeMB(options.files))
        return QStringLiteral(
                   "--size %1 with %2 files is more than %3, the largest size that "
                   "works for %2 files")
            .arg(options.sizeMB)
            .arg(options.files)
            .arg(LargestSizeMB(options.files));
    if (parser.isSet(o.chart)) {
        const QString chart = parser.value(o.chart);
        if (!chart.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) &&
            !chart.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
            return QStringLiteral("--chart '%1' must name a .svg or .png file").arg(chart);
        if (parser.isSet(o.suggest) || parser.isSet(o.checkUpdate))
            return QStringLiteral(
                "--chart draws a test run; it does not go with --suggest or "
                "--check-update");
        options.chartPath = QDir::current().absoluteFilePath(chart);
        if (const QString problem = ChartFolderProblem(options.chartPath); !problem.isEmpty())
            return problem;
    }
    // A blank folder would name the root folder once the trailing slash is added.
    if (!positional.isEmpty() && positional.first().trimmed().isEmpty())
        return QStringLiteral(
            "FOLDER is empty or blank; name the folder to test (. for the "
            "current one)");

    options.multiple = parser.isSet(o.multiple);
    options.cacheBypass = !parser.isSet(o.noCacheBypass);
    options.writeThrough = parser.isSet(o.writeThrough);
    options.priority = parser.isSet(o.priority);
    options.logFile = parser.isSet(o.logFile);
    options.json = parser.isSet(o.json);
    options.answerYes = parser.isSet(o.yes);
    options.languageChosen = parser.isSet(o.language);
    options.language = options.languageChosen ? parser.value(o.language) : LanguageForLocale();
    // Absolute, so that the log, the report and every path in them name the same folder
    // wherever a script reads them. Blanks stay: a folder's name may begin or end with one.
    options.folder = positional.isEmpty()
                         ? QDir::currentPath()
                         : QDir::cleanPath(QDir::current().absoluteFilePath(positional.first()));
    return QString();
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    const Options o;
    QCommandLineParser parser;
    parser.addOptions(o.All());
    parser.addPositionalArgument("FOLDER", QString());
    ParsedCommandLine parsed;
    if (!parser.parse(arguments)) {
        parsed.usageError = parser.errorText();
        return parsed;
    }
    parsed.options.command = CommandOf(parser, o);
    if (parsed.options.command == CliCommand::Help || parsed.options.command == CliCommand::Version)
        return parsed;
    parsed.usageError = ReadOptions(parser, o, parsed.options);
    return parsed;
}

bool AsksForChart(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") return false;
        if (argument == "--chart" || argument.startsWith("--chart=")) return true;
    }
    return false;
}

QString LanguageForLocale() {
    // The variables in the order the C library consults them for messages.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (value.isEmpty()) continue;
        return value.startsWith(QLatin1String("de")) ? QStringLiteral("deutsch.lng")
                                                     : QStringLiteral("english.lng");
    }
    return QStringLiteral("english.lng");
}

const char* UsageText() {
    return kUsage;
}

const char* HelpText() {
    return kHelp;
}
