// A one-line progress bar on standard error, drawn only when standard error
// is a terminal; silent otherwise.
#pragma once

#include <chrono>
#include <string>

namespace mirtane::cli {

class ProgressBar {
  public:
    // Draws only when `enabled` (normally: standard error is a terminal).
    explicit ProgressBar(bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    static bool StandardErrorIsTerminal();

    // fraction 0 ... 1 of the whole task; `label` says what is being done.
    // Redraws at most every 50 ms unless the percentage changed.
    void Update(double fraction, const std::string& label);
    // Erases the bar so that a message can be printed; the next Update
    // draws it again.
    void Clear();

  private:
    bool enabled_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    std::string lastLabel_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// The text of the bar for a terminal `width` columns wide, e.g.
// "[#########           ]  45%  3/10 photo.jpg"; never wider than `width`.
std::string FormatProgressLine(double fraction, const std::string& label, int width);

}  // namespace mirtane::cli
