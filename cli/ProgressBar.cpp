#include "cli/ProgressBar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mirtane::cli {
namespace {

constexpr int kDefaultWidth = 80;
constexpr int kBarCells = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);

int TerminalWidth() {
    struct winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return kDefaultWidth;
}

}  // namespace

std::string FormatProgressLine(double fraction, const std::string& label, int width) {
    const double clamped = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    const int filled = static_cast<int>(clamped * kBarCells);
    const int percent = static_cast<int>(clamped * 100.0);
    char head[64];
    std::snprintf(head, sizeof head, "] %3d%%  ", percent);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarCells - filled), ' ') + head +
                       label;
    if (width > 1 && static_cast<int>(line.size()) > width - 1) {
        line.resize(static_cast<std::size_t>(width - 1));  // never wrap onto a second line
    }
    return line;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled) {}

ProgressBar::~ProgressBar() { Clear(); }

bool ProgressBar::StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::Update(double fraction, const std::string& label) {
    if (!enabled_) {
        return;
    }
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && percent == lastPercent_ && label == lastLabel_ &&
        now - lastDraw_ < kRedrawInterval) {
        return;
    }
    const std::string line = FormatProgressLine(fraction, label, TerminalWidth());
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
    lastPercent_ = percent;
    lastLabel_ = label;
    lastDraw_ = now;
}

void ProgressBar::Clear() {
    if (!enabled_ || !drawn_) {
        return;
    }
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace mirtane::cli
