// dravelo-cli: Dravelo's test runs for a terminal, for machines without a display and for
// scripts.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>

#include "CheckUpdate.h"
#include "TerminalHost.h"
#include "TestRuns.h"
#include "modFile.h"
#include "modLang.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

const char* kUsage =
    "Usage: dravelo-cli [--single | --multiple] [--files N] [--size MB] [--no-cache-bypass]\n"
    "                   [--write-through] [--priority] [--log-file] [--lang FILE] [--json]\n"
    "                   [FOLDER]\n";

const char* kHelp =
    "Measures how fast FOLDER (default: the current folder) writes and reads files.\n"
    "\n"
    "  --single           write the files one after another, timing each (default)\n"
    "  --multiple         keep all files open and write them round-robin, timed as one span\n"
    "  --files N          number of test files (default 20)\n"
    "  --size MB          size of each test file in MB (default 10)\n"
    "  --no-cache-bypass  write through the system cache (default: bypass it)\n"
    "  --write-through    ask the device to write through its own cache\n"
    "  --priority         let fewer events through while testing\n"
    "  --log-file         append the report to a log file in FOLDER\n"
    "  --lang FILE        language file (default deutsch.lng)\n"
    "  --json             print one JSON object after the run instead of the log lines\n"
    "  --help, --version  this text, the version\n"
    "\n"
    "The test files are deleted afterwards. Ctrl-C stops the test and still cleans up.\n"
    "Exit status: 0 completed, 1 folder refused or test stopped, 2 usage error or\n"
    "inputs that are not numbers, 130 interrupted.\n";

int UsageError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n%s", qPrintable(message), kUsage);
    return kExitUsage;
}

// Fills `options` from the arguments; an exit status when the program should end at once.
std::optional<int> ParseArguments(const QStringList& arguments, CliOptions& options) {
    QCommandLineParser parser;
    const QCommandLineOption single("single"), multiple("multiple"), noCache("no-cache-bypass"),
        writeThrough("write-through"), priority("priority"), logFile("log-file"), json("json"),
        help("help"), version("version");
    const QCommandLineOption files("files", QString(), "N"), size("size", QString(), "MB"),
        language("lang", QString(), "FILE");
    parser.addOptions({single, multiple, noCache, writeThrough, priority, logFile, json, help,
                       version, files, size, language});
    parser.addPositionalArgument("FOLDER", QString());
    if (!parser.parse(arguments)) return UsageError(parser.errorText());
    if (parser.isSet(help)) {
        std::printf("%s\n%s", kUsage, kHelp);
        return kExitCompleted;
    }
    if (parser.isSet(version)) {
        std::printf("Dravelo v.1.0.14\n");
        return kExitCompleted;
    }
    if (parser.isSet(single) && parser.isSet(multiple))
        return UsageError("--single and --multiple exclude each other");
    if (parser.positionalArguments().size() > 1) return UsageError("only one FOLDER can be tested");

    options.multiple = parser.isSet(multiple);
    if (parser.isSet(files)) options.files = parser.value(files);
    if (parser.isSet(size)) options.sizeMB = parser.value(size);
    options.cacheBypass = !parser.isSet(noCache);
    options.writeThrough = parser.isSet(writeThrough);
    options.priority = parser.isSet(priority);
    options.logFile = parser.isSet(logFile);
    options.json = parser.isSet(json);
    if (parser.isSet(language)) options.language = parser.value(language);
    options.folder = parser.positionalArguments().value(0, QDir::currentPath());
    return std::nullopt;
}

void PrintJson(const CliOptions& options, TerminalHost& host, RunOutcome outcome) {
    const PhaseResults& r = host.Results();
    const bool multiple = options.multiple;
    QJsonObject results;
    const std::pair<const char*, double> fields[] = {
        {"writeSeconds", multiple ? r.MultiWriteSeconds : r.SingleWriteSeconds},
        {"writeMBps", multiple ? r.MultiWriteMBps : r.SingleWriteMBps},
        {"readSeconds", multiple ? r.MultiReadSeconds : r.SingleReadSeconds},
        {"readMBps", multiple ? r.MultiReadMBps : r.SingleReadMBps}};
    for (const auto& [name, value] : fields)
        if (!std::isnan(value)) results.insert(name, value);

    const QJsonObject report{{"test", multiple ? "multiple" : "single"},
                             {"inputs", QJsonObject{{"files", options.files},
                                                    {"sizeMB", options.sizeMB},
                                                    {"folder", options.folder}}},
                             {"options", QJsonObject{{"cacheBypass", options.cacheBypass},
                                                     {"writeThrough", options.writeThrough},
                                                     {"priority", options.priority},
                                                     {"logFile", options.logFile},
                                                     {"language", options.language}}},
                             {"results", results},
                             {"completed", outcome == RunOutcome::Completed},
                             {"log", QJsonArray::fromStringList(host.Lines())}};
    std::fputs(QJsonDocument(report).toJson(QJsonDocument::Indented).constData(), stdout);
}

int ExitStatus(RunOutcome outcome) {
    if (TerminalHost::Interrupted()) return kExitInterrupted;
    switch (outcome) {
        case RunOutcome::Completed:
            return kExitCompleted;
        case RunOutcome::InputRefused:
            return kExitUsage;
        case RunOutcome::TargetRefused:
        case RunOutcome::Stopped:
            break;
    }
    return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (AsksForUpdateCheck(QCoreApplication::arguments()))
        return RunUpdateCheck(QCoreApplication::arguments());
    CliOptions options;
    if (const auto exit = ParseArguments(QCoreApplication::arguments(), options)) return *exit;

    RaiseOpenFileLimit();
    // Names of 4 characters or fewer cannot be a language file; the texts stay built in.
    if (options.language.size() > 4) LoadLanguage(FindLanguageFile(options.language));
    TerminalHost::InstallInterruptHandlers();

    TerminalHost host(options);
    TestRuns runs(host);
    const RunOutcome outcome = options.multiple ? runs.MultipleRun() : runs.SingleRun();
    if (options.json) PrintJson(options, host, outcome);
    return ExitStatus(outcome);
}
