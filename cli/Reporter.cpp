#include "cli/Reporter.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mirtane::cli {

std::string SingleLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return line;
}

void ConsoleReporter::Progress(double fraction) { bar_.Update(fraction, label_); }

void ConsoleReporter::Notice(const std::string& line) {
    if (chatter_ == Chatter::Quiet) {
        return;
    }
    bar_.Clear();
    std::fprintf(stderr, "mirtane: %s\n", SingleLine(line).c_str());
    std::fflush(stderr);
}

void ConsoleReporter::Error(const std::string& line) {
    bar_.Clear();
    std::fprintf(stderr, "mirtane: %s\n", SingleLine(line).c_str());
    std::fflush(stderr);
}

void ConsoleReporter::Result(const std::string& line) {
    if (chatter_ == Chatter::Quiet || (chatter_ == Chatter::Normal && !isatty(STDOUT_FILENO))) {
        return;
    }
    bar_.Clear();
    std::fprintf(stdout, "%s\n", SingleLine(line).c_str());
    std::fflush(stdout);
}

void PipeReporter::Progress(double fraction) {
    if (lastFraction_ >= 0.0 && std::fabs(fraction - lastFraction_) < 0.005 && fraction < 1.0) {
        return;
    }
    lastFraction_ = fraction;
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", fraction);
    Send('P', text);
}

void PipeReporter::Notice(const std::string& line) { Send('N', line); }
void PipeReporter::Error(const std::string& line) { Send('E', line); }
void PipeReporter::Result(const std::string& line) { Send('R', line); }

void PipeReporter::Send(char kind, const std::string& text) {
    const std::string message = std::string(1, kind) + " " + SingleLine(text) + "\n";
    std::size_t written = 0;
    while (written < message.size()) {
        const ssize_t count = write(fd_, message.data() + written, message.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;  // the command that started us is gone; nothing to tell
        }
        written += static_cast<std::size_t>(count);
    }
}

bool DispatchProtocolLine(const std::string& line, Reporter& reporter) {
    if (line.size() < 2 || line[1] != ' ') {
        return false;
    }
    const std::string text = line.substr(2);
    switch (line[0]) {
    case 'P': {
        char* end = nullptr;
        const double fraction = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || !std::isfinite(fraction)) {
            return false;
        }
        reporter.Progress(fraction);
        return true;
    }
    case 'N': reporter.Notice(text); return true;
    case 'E': reporter.Error(text); return true;
    case 'R': reporter.Result(text); return true;
    default: return false;
    }
}

}  // namespace mirtane::cli
