// Shared set-up of the phase tests: German separators and built-in texts unless a test loads a
// language file, a recording window, and a temporary test folder.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <map>

#include "TestPhases.h"
#include "modLang.h"
#include "recording_host.h"
#include "scripted_clock.h"
#include "temp_folder.h"

// Descriptors of this process that point at a test file ("….tst").
inline int OpenTestFiles() {
    int count = 0;
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)).endsWith(QStringLiteral(".tst"))) ++count;
    return count;
}

// Text 67 with its built-in words.
inline const QString kTooShort = QStringLiteral(
    "Die Testphase war zu kurz für die Millisekundenuhr! Bitte mehr oder größere Dateien "
    "verwenden.");

// The read or write position of each open test file of this process, by file name.
inline std::map<QString, qint64> TestFilePositions() {
    std::map<QString, qint64> positions;
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (!target.endsWith(QStringLiteral(".tst"))) continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromLatin1(info.readAll());
        static const QRegularExpression pos(QStringLiteral("^pos:\\s*(\\d+)"),
                                            QRegularExpression::MultilineOption);
        positions[QFileInfo(target).fileName()] = pos.match(text).captured(1).toLongLong();
    }
    return positions;
}

class PhaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LoadLanguage(QStringLiteral("/nonexistent/no-language.lng"));
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // Clock readings 1000, 1000 + step, 1000 + 2 × step, ...
    void UseSteppingClock(int32_t step) {
        clock_ = std::make_unique<ScriptedClock>([this, step] {
            const int32_t now = 1000 + step * ticks_;
            ++ticks_;
            return now;
        });
        phases.SetTickSourceFactory(clock_->Factory());
    }

    static QByteArray Block() { return QByteArray(1022, 'x') + QByteArray(2, '\0'); }

    // The lines of a test file that cannot be created or opened: the folder's, then the file's
    // path with the system's reason.
    static QStringList RefusedFileLines(const QString& folder, const QString& name,
                                        const QString& reason) {
        return {"Kann auf " + folder + " nicht zugreifen!", folder + name + ": " + reason};
    }

    static bool Matches(const QString& line, const QString& pattern) {
        return QRegularExpression(QRegularExpression::anchoredPattern(pattern))
            .match(line)
            .hasMatch();
    }

    RecordingHost host;
    std::unique_ptr<ScriptedClock> clock_;  // outlives the phases, which hold it
    int32_t ticks_ = 0;
    TestPhases phases{host};
    TempFolder folder;
    QString path = folder.path();
};
