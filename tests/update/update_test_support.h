// Shared pieces of the update check tests: a language file whose texts name their number, the
// boxes the check shows written out as the user would read them, and version files.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "UpdatePrompter.h"
#include "modLang.h"

// Texts 43 to 48 and 50 read "<43>" and so on; the file stays for `--lang` of the terminal
// program.
class MarkerLanguage {
  public:
    MarkerLanguage() {
        QFile file(path());
        if (file.open(QIODevice::WriteOnly))
            file.write(
                "43=<43>\r\n44=<44>\r\n45=<45>\r\n46=<46>\r\n47=<47>\r\n48=<48>\r\n50=<50>\r\n");
        file.close();
        LoadLanguage(path());
    }
    QString path() const { return dir_.filePath(QStringLiteral("markers.lng")); }

  private:
    QTemporaryDir dir_;
};

inline const QString kDownload = QStringLiteral("https://dravelo.example/get/Dravelo.zip");

inline QString Box(BoxIcon icon, BoxButtons buttons, const QString& title, const QString& text) {
    return QStringLiteral("%1 %2 [%3] %4")
        .arg(icon == BoxIcon::Critical ? "critical" : "information",
             buttons == BoxButtons::YesNo ? "yes/no" : "ok", title, text);
}

inline QString Question(const QString& serverVersion) {
    return Box(BoxIcon::Information, BoxButtons::YesNo, "<45>",
               "<43>" + serverVersion + "\r\n<44>1.0.14\r\n\r\n<45> <46>");
}
inline QString Message(const QString& text) {
    return Box(BoxIcon::Information, BoxButtons::Ok, "Dravelo", text);
}
inline const QString kUpToDate = Box(BoxIcon::Information, BoxButtons::Ok, "<47>", "<47> <48>");
inline const QString kNoInformation = Box(BoxIcon::Critical, BoxButtons::Ok, "Dravelo", "<50>");
inline const QString kTransferFailed =
    Message("An error has occured in the file transfer or write.  Please try again later.");

// Records every box, and the reasons given with them, and gives the answer the test chose to
// questions.
class RecordingPrompter final : public UpdatePrompter {
  public:
    BoxAnswer Show(const QString& title, const QString& text, BoxIcon icon, BoxButtons buttons,
                   const QString& detail) override {
        boxes << Box(icon, buttons, title, text);
        if (!detail.isEmpty()) details << detail;
        if (onShow) onShow();
        return buttons == BoxButtons::Ok ? BoxAnswer::Ok : answer;
    }

    QStringList boxes;
    QStringList details;
    BoxAnswer answer = BoxAnswer::No;
    std::function<void()> onShow;
};

// The lines joined by CR LF, each ended by one.
inline QByteArray Lines(const QList<QByteArray>& lines, const QByteArray& end = "\r\n") {
    QByteArray bytes;
    for (const QByteArray& line : lines) bytes += line + end;
    return bytes;
}

inline QByteArray WithVersion(const QByteArray& version, const QList<QByteArray>& more = {}) {
    return Lines(QList<QByteArray>{"Current Version=" + version, "Download=" + kDownload.toUtf8()} +
                 more);
}
