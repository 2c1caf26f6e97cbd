#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

// The progress of a long trace, drawn on a terminal: only where a person watches it, never in a pipe or a
// log, which would fill with the redrawn lines (the caller decides, from whether standard error is a
// terminal).

// One line of progress, at most `width` characters (counted as UTF-8 characters, so a label of wide
// characters may take more columns), for `done` of `total` rays in `seconds`, e.g.
//   batch 0 ("Wafer") [###############....................]   45%  1.2M/2.7M rays  347k rays/s  5 s left
// The bar takes the room left, up to 40 places; the percentage has a width of its own, so that the line
// does not shift as it grows. What the line cannot fit goes first: the label is cut (to no fewer than 12
// characters, ending in "..."), then the time left, the rate and the counts are left out (the percentage,
// or the count when there is none, stays), and the bar never has fewer than 10 places; a width too small
// even for that leaves the label out and gets the beginning of the rest. A total of 0 (not known) gives an
// empty bar, no percentage and no time left; a `done` past the total a full bar, 100% and no time left;
// without elapsed time the rate is not known, and without a rate the time left is not.
std::string ProgressLine(std::string_view label, uint64_t done, uint64_t total, double seconds, int width);

// The number of columns of the terminal on file descriptor `fd`, or 80 when it does not say.
int TerminalColumns(int fd);

// A progress line redrawn in place ("\r") on a terminal's stream, at most every 250 ms, and cleared at
// the end so that what follows starts on an empty line.
class CProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    // `width` is the terminal's; the line stays one column short of it, as a character in the last column
    // makes some terminals wrap. The rate counts from `start`.
    CProgressBar(std::ostream& out, std::string label, int width, Clock::time_point start = Clock::now());
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;
    ~CProgressBar() { Clear(); }

    // Draws the line for `done` of `total` rays, unless one was drawn less than 250 ms before `now`.
    void Show(uint64_t done, uint64_t total, Clock::time_point now = Clock::now());
    // Blanks the line drawn, if any, and puts the cursor at its start.
    void Clear();

private:
    std::ostream& out_;
    std::string label_;
    int width_;
    Clock::time_point start_;
    std::optional<Clock::time_point> drawn_;
    size_t shown_ = 0;  // characters of the line on the terminal
};

}  // namespace brelix
