// The log view: every line a run or phase reports is shown among the six most recent non-empty
// lines and appended to LogText, the whole text of the run, which Copy, Save As and the log file
// export.
#pragma once

#include <QString>
#include <array>

class LogView {
  public:
    // "<clear>" empties the view only; an empty line or a lone CR LF reaches LogText but not the
    // view.
    void LogPrint(const QString& InText);

    // The view's text: the non-empty lines, oldest first, each followed by CR LF.
    const QString& ViewText() const { return view_; }

    const QString& LogText() const { return logText_; }
    void ClearLogText() { logText_.clear(); }

  private:
    void RebuildView();

    std::array<QString, 6> ViewLines;  // [0] is the newest line
    QString view_;
    QString logText_;
};

// Save As: creates or replaces the file with the log text and one more CR LF. Tells whether
// the whole text was written.
bool SaveLogText(const QString& path, const QString& logText);
