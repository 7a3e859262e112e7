#include "TerminalHost.h"

#include <unistd.h>

#include <cmath>
#include <csignal>
#include <limits>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

TerminalHost::TerminalHost(const CliOptions& options)
    : options_(options), terminal_(::isatty(STDERR_FILENO) == 1) {
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
    Print(stdout, text + u'\n');
    DrawProgress();
}

void TerminalHost::Progress1ValueChange(double percent) {
    if (percent < 0 || percent > 100) return;
    progress1_ = percent;
    DrawProgress();
}

void TerminalHost::OverallProgressValueChange(int16_t percent) {
    if (percent < 0 || percent > 100) return;
    overall_ = percent;
    DrawProgress();
}

bool TerminalHost::AbortRequested() {
    return abortRequested_ || interrupted;
}

void TerminalHost::SetIconAnimation(bool running) {
    // The run is over when the animation stops: the progress line goes with it.
    if (!running) EraseProgress();
    progressShown_ = running && terminal_;
}

void TerminalHost::DrawProgress() {
    if (!terminal_ || !progressShown_) return;
    Print(stderr, QStringLiteral("\r\033[K%1 %  /  %2 %")
                      .arg(static_cast<int>(std::lround(progress1_)), 3)
                      .arg(overall_, 3));
}

void TerminalHost::EraseProgress() {
    if (terminal_ && progressShown_) Print(stderr, QStringLiteral("\r\033[K"));
}

void TerminalHost::InstallInterruptHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;  // a test file's write must not fail because of the signal
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TerminalHost::Interrupted() {
    return interrupted != 0;
}
