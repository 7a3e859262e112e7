// Running the platform's own tools and the installed programs as real processes.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

struct ToolRun {
    int exitCode = -1;  // -1 when the process did not start, crashed or did not end in time
    QString out;
    QString err;
};

inline ToolRun RunTool(
    const QString& program, const QStringList& arguments, const QString& workingFolder = QString(),
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(180000)) return run;
    if (process.exitStatus() == QProcess::NormalExit) run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Why a test cannot run here: the first of the tools that is not installed, with its package.
inline QString MissingTool(
    const std::initializer_list<std::pair<const char*, const char*>>& tools) {
    for (const auto& [tool, package] : tools)
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (Debian package %2)").arg(tool, package);
    return QString();
}

inline std::string Describe(const ToolRun& run) {
    return ("exit " + QString::number(run.exitCode) + "\nstdout:\n" + run.out + "\nstderr:\n" +
            run.err)
        .toStdString();
}
