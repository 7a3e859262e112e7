#include "LogView.h"

#include <QSaveFile>

#include "modStd.h"

namespace {
const QString kLineEnd = QStringLiteral("\r\n");
}

void LogView::LogPrint(const QString& InText) {
    if (InText == QLatin1String("<clear>")) {
        ViewLines.fill(QString());
        view_.clear();
        return;
    }
    if (!InText.isEmpty() && InText != kLineEnd) {
        for (size_t i = ViewLines.size() - 1; i > 0; --i) ViewLines[i] = ViewLines[i - 1];
        ViewLines[0] = InText;
    }
    RebuildView();
    AppendText(logText_, InText + kLineEnd);
}

void LogView::RebuildView() {
    view_.clear();
    for (auto line = ViewLines.rbegin(); line != ViewLines.rend(); ++line)
        if (!line->isEmpty()) view_ += *line + kLineEnd;
}

bool SaveLogText(const QString& path, const QString& logText) {
    // Written aside and renamed over the old file, so that a failed save never leaves a
    // half-written report in place of a good one; where the folder allows no new file, an
    // existing file is overwritten in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write((logText + kLineEnd).toUtf8());
    return file.commit();
}
