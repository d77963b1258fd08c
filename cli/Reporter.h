// Where the outcome of restoring a file goes: the console (messages on
// standard error, results on standard output, the progress bar), or the
// pipe of a worker process back to the command that started it.
#pragma once

#include <string>

#include "cli/ProgressBar.h"

namespace mirtane::cli {

class Reporter {
  public:
    virtual ~Reporter() = default;
    // Fraction 0 ... 1 of the current file.
    virtual void Progress(double fraction) = 0;
    // One line each, without a trailing newline; lines name their file.
    virtual void Notice(const std::string& line) = 0;
    virtual void Error(const std::string& line) = 0;
    virtual void Result(const std::string& line) = 0;
};

// How much the console says: errors only; notices, and results when
// standard output is a terminal; or everything.
enum class Chatter { Quiet, Normal, Verbose };

// Notices and errors go to standard error as "mirtane: LINE", results to
// standard output; the bar is cleared before each line. Quiet keeps only
// the errors; Normal prints results only on a terminal (a script reading
// standard output gets nothing per success); Verbose prints all.
class ConsoleReporter : public Reporter {
  public:
    explicit ConsoleReporter(ProgressBar& bar, Chatter chatter = Chatter::Verbose)
        : bar_(bar), chatter_(chatter) {}
    // What the bar says after the percentage (e.g. the file's name).
    void SetLabel(const std::string& label) { label_ = label; }
    void Progress(double fraction) override;
    void Notice(const std::string& line) override;
    void Error(const std::string& line) override;
    void Result(const std::string& line) override;
    ProgressBar& bar() { return bar_; }

  private:
    ProgressBar& bar_;
    Chatter chatter_;
    std::string label_;
};

// Writes every report as one protocol line to a file descriptor:
// "P fraction", "N line", "E line" or "R line". Progress is written only when
// it has moved by at least half a percent.
class PipeReporter : public Reporter {
  public:
    explicit PipeReporter(int fd) : fd_(fd) {}
    void Progress(double fraction) override;
    void Notice(const std::string& line) override;
    void Error(const std::string& line) override;
    void Result(const std::string& line) override;

  private:
    void Send(char kind, const std::string& text);
    int fd_;
    double lastFraction_ = -1.0;
};

// Feeds one protocol line (without its newline) to `reporter`; false when the
// line is not one of the four kinds above.
bool DispatchProtocolLine(const std::string& line, Reporter& reporter);

// `text` with line breaks and other control characters replaced by spaces, so
// that one report stays one line.
std::string SingleLine(const std::string& text);

}  // namespace mirtane::cli
