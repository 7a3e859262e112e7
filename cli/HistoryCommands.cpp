#include "HistoryCommands.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

#include "CommandLine.h"
#include "HistoryFiles.h"
#include "HistoryTable.h"
#include "RunHistory.h"
#include "StandardOutput.h"
#include "modLang.h"

namespace {

const char* kHistoryUsage =
    "Usage: dravelo-cli --history [--device D] [--folder F] [--last N] [--json] [--lang FILE]\n"
    "       dravelo-cli --compare ID ID [--json] [--lang FILE]\n"
    "       dravelo-cli --import FILE.json...\n"
    "       dravelo-cli --export-csv FILE\n";

const QStringList kCommands{"--history", "--compare", "--import", "--export-csv"};

int UsageError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n%s", qPrintable(message), kHistoryUsage);
    return exitstatus::kUsage;
}

int HistoryError(const RunHistory& history) {
    std::fprintf(stderr, "dravelo-cli: %s\n", qPrintable(history.Error()));
    return exitstatus::kFailed;
}

// The option's name as given, without a value after "=".
QString OptionName(const QString& argument) {
    return argument.section(u'=', 0, 0);
}

void PrintJson(const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    standardoutput::Write(document.toJson(QJsonDocument::Indented));
}

void PrintLine(const QString& line) {
    standardoutput::Write((line + u'\n').toLocal8Bit());
}

// Columns padded to their widest cell, two blanks apart.
void PrintTable(const QList<QStringList>& lines) {
    QList<int> widths;
    for (const QStringList& line : lines)
        for (int i = 0; i < line.size(); ++i) {
            if (widths.size() <= i) widths.append(0);
            widths[i] = std::max(widths[i], int(line[i].size()));
        }
    for (const QStringList& line : lines) {
        QString text;
        for (int i = 0; i < line.size(); ++i)
            text += i + 1 < line.size() ? line[i].leftJustified(widths[i] + 2) : line[i];
        PrintLine(text);
    }
}

int ListRuns(const QCommandLineParser& parser) {
    HistoryFilter filter;
    filter.device = parser.value("device");
    if (parser.isSet("folder"))
        filter.folder = QDir::cleanPath(QDir::current().absoluteFilePath(parser.value("folder"))) +
                        (parser.value("folder").isEmpty() ? "" : "/");
    filter.folder.replace("//", "/");
    if (parser.isSet("last")) {
        bool number = false;
        filter.last = parser.value("last").toInt(&number);
        if (!number || filter.last < 1)
            return UsageError(QStringLiteral("--last '%1' must be a whole number from 1")
                                  .arg(parser.value("last")));
    }
    RunHistory history;
    if (!QFile::exists(history.Path())) {
        if (parser.isSet("json"))
            PrintJson(QJsonArray());
        else
            PrintLine(LangText(122, false, false, "Keine Tests gespeichert."));
        return exitstatus::kCompleted;
    }
    if (!history.OpenForReading()) return HistoryError(history);
    const std::vector<HistoryRow> rows = history.List(filter);
    if (!history.Error().isEmpty()) return HistoryError(history);
    if (parser.isSet("json")) {
        QJsonArray array;
        for (const HistoryRow& row : rows) array.append(RowJson(row));
        PrintJson(array);
    } else if (rows.empty()) {
        PrintLine(LangText(122, false, false, "Keine Tests gespeichert."));
    } else {
        QList<QStringList> lines{HistoryHeadings()};
        for (const HistoryRow& row : rows) lines.append(HistoryCells(row));
        PrintTable(lines);
    }
    return exitstatus::kCompleted;
}

int CompareRuns(const QCommandLineParser& parser) {
    const QStringList ids{parser.value("compare"), parser.positionalArguments().value(0)};
    if (parser.positionalArguments().size() != 1)
        return UsageError("--compare takes two run IDs, such as --compare 3 7");
    RunHistory history;
    if (!history.OpenForReading()) return HistoryError(history);
    std::optional<HistoryRow> runs[2];
    for (int i = 0; i < 2; ++i) {
        bool number = false;
        const qint64 id = ids[i].toLongLong(&number);
        if (!number)
            return UsageError(QStringLiteral("--compare: '%1' is not a run ID").arg(ids[i]));
        runs[i] = history.Row(id);
        if (!runs[i]) {
            std::fprintf(
                stderr, "dravelo-cli: %s\n",
                qPrintable(LangText(133, false, false, "Test %1 ist nicht im Verlauf.").arg(id)));
            return exitstatus::kFailed;
        }
    }
    const HistoryRow& a = *runs[0];
    const HistoryRow& b = *runs[1];
    const auto writeRatio = FigureRatio(a.writeMBps, b.writeMBps);
    const auto readRatio = FigureRatio(a.readMBps, b.readMBps);
    if (parser.isSet("json")) {
        PrintJson(QJsonObject{
            {"runs", QJsonArray{RowJson(a), RowJson(b)}},
            {"ratio",
             QJsonObject{{"writeMBps", writeRatio ? QJsonValue(*writeRatio) : QJsonValue()},
                         {"readMBps", readRatio ? QJsonValue(*readRatio) : QJsonValue()}}}});
        return exitstatus::kCompleted;
    }
    PrintTable(ComparisonLines(a, b));
    return exitstatus::kCompleted;
}

int ImportReports(const QCommandLineParser& parser) {
    const QStringList files = QStringList{parser.value("import")} + parser.positionalArguments();
    RunHistory history;
    if (!history.OpenForWriting()) return HistoryError(history);
    int imported = 0, known = 0;
    for (const QString& path : files) {
        QFile file(path);
        const QJsonObject report = file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll()).object()
                                       : QJsonObject();
        const auto recorded = history.Record(report, true);
        if (!recorded) {
            std::fprintf(stderr, "dravelo-cli: %s: %s\n", qPrintable(path),
                         qPrintable(file.isOpen() ? history.Error() : file.errorString()));
            continue;
        }
        recorded->id != 0 ? ++imported : ++known;
        if (recorded->pruned > 0)
            std::fprintf(stderr,
                         "dravelo-cli: the history keeps the newest %d runs; %d older "
                         "ones were removed\n",
                         RunHistory::kKeptRuns, recorded->pruned);
    }
    PrintLine(LangText(134, false, false, "%1 von %2 Berichten übernommen, %3 schon vorhanden.")
                  .arg(imported)
                  .arg(files.size())
                  .arg(known));
    return imported + known == files.size() ? exitstatus::kCompleted : exitstatus::kFailed;
}

int ExportCsv(const QCommandLineParser& parser) {
    RunHistory history;
    std::vector<HistoryRow> rows;
    if (QFile::exists(history.Path())) {
        if (!history.OpenForReading()) return HistoryError(history);
        rows = history.List(HistoryFilter());
        if (!history.Error().isEmpty()) return HistoryError(history);
    }
    QString error;
    if (!WriteFileAtomically(parser.value("export-csv"), CsvOfRows(rows), &error)) {
        std::fprintf(stderr, "dravelo-cli: the CSV file was not written: %s\n", qPrintable(error));
        return exitstatus::kFailed;
    }
    return exitstatus::kCompleted;
}

}  // namespace

HistoryRunOptions TakeHistoryRunOptions(QStringList& arguments) {
    HistoryRunOptions options;
    for (int i = 1; i < arguments.size() && arguments[i] != "--";) {
        const QString name = OptionName(arguments[i]);
        if (arguments[i] == "--no-history") {
            options.record = false;
            arguments.removeAt(i);
        } else if (name == "--prometheus") {
            const bool inline_ = arguments[i].contains(u'=');
            const QString value = inline_ ? arguments[i].section(u'=', 1) : arguments.value(i + 1);
            if (value.isEmpty()) {
                options.usageError = "Missing value after '--prometheus'";
                return options;
            }
            options.prometheusPath = QDir::current().absoluteFilePath(value);
            arguments.remove(i, inline_ ? 1 : 2);
        } else {
            ++i;
        }
    }
    return options;
}

bool AsksForHistoryCommand(const QStringList& arguments) {
    for (int i = 1; i < arguments.size() && arguments[i] != "--"; ++i)
        if (kCommands.contains(OptionName(arguments[i]))) return true;
    return false;
}

int RunHistoryCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({QCommandLineOption("history"),
                       QCommandLineOption("json"),
                       {"device", QString(), "D"},
                       {"folder", QString(), "F"},
                       {"last", QString(), "N"},
                       {"compare", QString(), "ID"},
                       {"import", QString(), "FILE"},
                       {"export-csv", QString(), "FILE"},
                       {"lang", QString(), "FILE"}});
    if (!parser.parse(arguments)) return UsageError(parser.errorText());
    int commands = 0;
    for (const char* command : {"history", "compare", "import", "export-csv"})
        commands += parser.isSet(command) ? 1 : 0;
    if (commands != 1)
        return UsageError("--history, --compare, --import and --export-csv exclude each other");
    const QString language = parser.isSet("lang") ? parser.value("lang") : LanguageForLocale();
    if (language.size() > 4) LoadLanguage(FindLanguageFile(language));
    const bool filters = parser.isSet("device") || parser.isSet("folder") || parser.isSet("last");
    if (parser.isSet("history")) {
        if (!parser.positionalArguments().isEmpty())
            return UsageError("--history lists the recorded runs; it takes no FOLDER");
        return ListRuns(parser);
    }
    if (filters) return UsageError("--device, --folder and --last go with --history");
    if (parser.isSet("compare")) return CompareRuns(parser);
    if (parser.isSet("json")) return UsageError("--json goes with --history or --compare");
    if (parser.isSet("import")) return ImportReports(parser);
    if (!parser.positionalArguments().isEmpty()) return UsageError("--export-csv takes one FILE");
    return ExportCsv(parser);
}

bool KeepRun(QJsonObject& report, const HistoryRunOptions& options, bool passedChecks) {
    QStringList problems;
    if (options.record && passedChecks) {
        RunHistory history;
        const auto recorded = history.OpenForWriting() ? history.Record(report) : std::nullopt;
        if (!recorded)
            problems << QStringLiteral("the run was not recorded in the history: ") +
                            history.Error();
        else if (recorded->pruned > 0)
            std::fprintf(stderr,
                         "dravelo-cli: the history keeps the newest %d runs; %d older "
                         "ones were removed\n",
                         RunHistory::kKeptRuns, recorded->pruned);
    }
    bool written = true;
    if (!options.prometheusPath.isEmpty()) {
        QString error;
        written = WriteFileAtomically(options.prometheusPath, PrometheusText(report), &error);
        if (!written) problems << QStringLiteral("the Prometheus file was not written: ") + error;
    }
    QJsonArray all = report.value("problems").toArray();
    for (const QString& problem : problems) {
        std::fprintf(stderr, "dravelo-cli: %s\n", qPrintable(problem));
        all.append(problem);
    }
    report["problems"] = all;
    return written;
}
