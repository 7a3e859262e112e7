// The command line of dravelo-cli: what the user asked for, read and checked in one place, so
// that a run starts only with inputs it can use and every usage error names the value at fault.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Exit statuses a script can rely on; a close request ends with 128 + the signal's number.
namespace exitstatus {
constexpr int kCompleted = 0;  // the test ran, its files are gone, the log file is written
constexpr int kFailed = 1;     // the folder was refused, or a phase failed
constexpr int kUsage = 2;      // the command line cannot be used
constexpr int kLeftovers = 3;  // test files left behind, or the log file not written
constexpr int kSignalBase = 128;
}  // namespace exitstatus

enum class CliCommand {
    RunTest,      // the single or multiple test of FOLDER
    Suggest,      // print the proposed file count and size for FOLDER
    CheckUpdate,  // the Help menu's update check, answered on the terminal
    Profile,      // the drive profile PRESET of FOLDER
    Help,
    Version,
};

struct CliOptions {
    CliCommand command = CliCommand::RunTest;
    bool multiple = false;
    int32_t files = 20;
    int32_t sizeMB = 10;
    bool cacheBypass = true;
    bool writeThrough = false;
    bool priority = false;
    bool logFile = false;
    QString language;             // the language file's name
    bool languageChosen = false;  // named with --lang rather than taken from the locale
    bool json = false;
    bool answerYes = false;  // the update check's question answered Yes
    QString chartPath;       // where to draw the per-file speed chart; empty for none
    QString folder;          // absolute
    // --profile: the preset, the test file's size in MiB, runs per test and seconds per run.
    QString profilePreset;
    int32_t profileSizeMB = 1024;
    int32_t profileRuns = 5;
    int32_t profileSeconds = 5;
};

// The most test files one run may create.
constexpr int32_t kMaxFiles = 32000;

// What the command line asks for, or the reason it cannot be used.
struct ParsedCommandLine {
    CliOptions options;
    QString usageError;  // empty when the command line is usable
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// Whether the arguments ask for a chart, which needs a graphical application object: decided
// before the command line is parsed, because that object must exist first.
bool AsksForChart(int argc, char** argv);

// The language file for a user without --lang: German for a German locale, English otherwise.
QString LanguageForLocale();

const char* UsageText();
const char* HelpText();
