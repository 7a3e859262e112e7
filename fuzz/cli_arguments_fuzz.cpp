// dravelo-cli's command line: the input is the arguments, separated by NUL bytes. Whatever a
// script passes, the parser either gives a reason or options a run can use as they stand, and
// those options written back as a command line read as the same options.
#include <QDir>
#include <QStringList>
#include <cstdint>

#include "CommandLine.h"
#include "FuzzCheck.h"

namespace {

bool IsCleanAbsolute(const QString& path) {
    return QDir::isAbsolutePath(path) && QDir::cleanPath(path) == path;
}

void CheckUsable(const CliOptions& options) {
    FUZZ_CHECK(options.files >= 1 && options.files <= kMaxFiles);
    FUZZ_CHECK(options.sizeMB >= 1);
    // The read phase's progress counts to 2 × files × size MB, in percent, in 32 bits.
    FUZZ_CHECK(int64_t{options.files} * options.sizeMB * 200 <= INT32_MAX);
    FUZZ_CHECK(IsCleanAbsolute(options.folder));
    FUZZ_CHECK(!options.answerYes || options.command == CliCommand::CheckUpdate);
    if (options.chartPath.isEmpty()) return;
    FUZZ_CHECK(options.command == CliCommand::RunTest);
    FUZZ_CHECK(options.chartPath.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) ||
               options.chartPath.endsWith(QLatin1String(".png"), Qt::CaseInsensitive));
}

// The options as a script would write them, every value in the one form that cannot be taken
// for another option.
QStringList WrittenBack(const CliOptions& options) {
    QStringList arguments{QStringLiteral("dravelo-cli")};
    if (options.command == CliCommand::Suggest) arguments << QStringLiteral("--suggest");
    if (options.command == CliCommand::CheckUpdate) {
        // The update check takes only its own options: a test's would be a usage error.
        arguments << QStringLiteral("--check-update")
                  << QStringLiteral("--lang=") + options.language;
        if (options.answerYes) arguments << QStringLiteral("--yes");
        return arguments;
    }
    if (options.multiple) arguments << QStringLiteral("--multiple");
    arguments << QStringLiteral("--files=%1").arg(options.files)
              << QStringLiteral("--size=%1").arg(options.sizeMB)
              << QStringLiteral("--lang=") + options.language;
    if (!options.cacheBypass) arguments << QStringLiteral("--no-cache-bypass");
    if (options.writeThrough) arguments << QStringLiteral("--write-through");
    if (options.priority) arguments << QStringLiteral("--priority");
    if (options.logFile) arguments << QStringLiteral("--log-file");
    if (options.json) arguments << QStringLiteral("--json");
    if (options.answerYes) arguments << QStringLiteral("--yes");
    if (!options.chartPath.isEmpty()) arguments << QStringLiteral("--chart=") + options.chartPath;
    arguments << QStringLiteral("--") << options.folder;
    return arguments;
}

void CheckReadsBack(const CliOptions& options) {
    const ParsedCommandLine again = ParseCommandLine(WrittenBack(options));
    FUZZ_CHECK(again.usageError.isEmpty());
    const CliOptions& o = again.options;
    FUZZ_CHECK(o.command == options.command && o.answerYes == options.answerYes);
    FUZZ_CHECK(o.language == options.language);
    if (options.command == CliCommand::CheckUpdate) return;
    FUZZ_CHECK(o.multiple == options.multiple);
    FUZZ_CHECK(o.files == options.files && o.sizeMB == options.sizeMB);
    FUZZ_CHECK(o.cacheBypass == options.cacheBypass && o.writeThrough == options.writeThrough);
    FUZZ_CHECK(o.priority == options.priority && o.logFile == options.logFile);
    FUZZ_CHECK(o.json == options.json && o.chartPath == options.chartPath);
    FUZZ_CHECK(o.folder == options.folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList arguments{QStringLiteral("dravelo-cli")};
    if (size > 0) {
        const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        for (const QByteArray& argument : bytes.split('\0'))
            arguments << QString::fromUtf8(argument);
    }
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.usageError.isEmpty()) return 0;
    const CliCommand command = parsed.options.command;
    if (command == CliCommand::Help || command == CliCommand::Version) return 0;
    CheckUsable(parsed.options);
    CheckReadsBack(parsed.options);
    return 0;
}
