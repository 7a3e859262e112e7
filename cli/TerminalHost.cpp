#include "TerminalHost.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "CloseRequests.h"
#include "FinishedRun.h"
#include "StandardOutput.h"

namespace {

// The progress line is a courtesy to a terminal: when it can no longer be written, it is not.
void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

TerminalHost::TerminalHost(const CliOptions& options)
    : options_(options),
      txt1_(QString::number(options.files)),
      txt2_(QString::number(options.sizeMB)),
      terminal_(::isatty(STDERR_FILENO) == 1) {
    // A result stays "not measured" until its phase completes and stores it.
    const double none = std::numeric_limits<double>::quiet_NaN();
    results_ = {none, none, none, none, none, none, none, none};
}

void TerminalHost::LogPrint(const QString& text) {
    log_.LogPrint(text);
    if (text == QLatin1String("<clear>")) return;
    lines_ << text;
    if (options_.json) return;
    EraseProgress();
    // A report that cannot be written does not stop the run: its clean-up still happens.
    standardoutput::Write((text + u'\n').toLocal8Bit());
    DrawProgress();
}

// The line is redrawn only when what it shows changes: every write to the terminal happens
// inside the measured span.
void TerminalHost::Progress1ValueChange(double percent) {
    if (percent < 0 || percent > 100) return;
    const int shown = static_cast<int>(std::lround(percent));
    if (shown == progress1_) return;
    progress1_ = shown;
    DrawProgress();
}

void TerminalHost::OverallProgressValueChange(int16_t percent) {
    if (percent < 0 || percent > 100 || percent == overall_) return;
    overall_ = percent;
    DrawProgress();
}

QString TerminalHost::TargetFolder() {
    return TestedFolder(options_);
}

bool TerminalHost::CloseRequested() {
    return closerequests::FirstSignal() != 0;
}

bool TerminalHost::AbortRequested() {
    return abortRequested_ || closerequests::FirstSignal() != 0;
}

void TerminalHost::SetIconAnimation(bool running) {
    // The run is over when the animation stops: the progress line goes with it.
    if (!running) EraseProgress();
    progressShown_ = running && terminal_;
}

void TerminalHost::DrawProgress() {
    if (!terminal_ || !progressShown_) return;
    Print(stderr, QStringLiteral("\r\033[K%1 %  /  %2 %")
                      .arg(std::max(progress1_, 0), 3)
                      .arg(std::max(overall_, 0), 3));
}

void TerminalHost::EraseProgress() {
    if (terminal_ && progressShown_) Print(stderr, QStringLiteral("\r\033[K"));
}
