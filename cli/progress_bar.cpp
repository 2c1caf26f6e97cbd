#include "cli/progress_bar.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

#include "core/format.h"
#include "core/utf8.h"

namespace brelix {

namespace {

constexpr size_t kMinBar = 10, kMaxBar = 40;
constexpr size_t kMinLabel = 12;
constexpr std::string_view kCut = "...";

// A count or a rate in a few characters: 950, 1.2k, 350k, 27M.
std::string Compact(double value) {
    static constexpr const char* kSuffixes[] = {"k", "M", "G", "T", "P", "E"};
    if (value < 999.5) return FormatFixed(value, 0, 0);
    size_t suffix = 0;
    value /= 1000;
    // Moved on before the rounding would write 1000.
    while (value >= 999.5 && suffix + 1 < std::size(kSuffixes)) {
        value /= 1000;
        ++suffix;
    }
    return FormatFixed(value, 0, value < 9.95 ? 1 : 0) + kSuffixes[suffix];
}

std::string Duration(double seconds) {
    if (seconds >= 100 * 3600) return "over 99 h";
    const auto s = static_cast<int64_t>(std::ceil(seconds));
    if (s < 60) return FormatInt(s) + " s";
    if (s < 3600) return FormatInt(s / 60) + " min " + FormatInt(s % 60) + " s";
    return FormatInt(s / 3600) + " h " + FormatInt(s / 60 % 60) + " min";
}

}  // namespace

std::string ProgressLine(std::string_view label, uint64_t done, uint64_t total, double seconds, int width) {
    if (width <= 0) return {};
    const auto room = static_cast<size_t>(width);
    const bool finished = total > 0 && done >= total;
    // Short of the total, the bar is never full and the percentage never 100, however close the ratio.
    const double fraction = total == 0 ? 0.0
                            : finished ? 1.0
                                       : static_cast<double>(done) / static_cast<double>(total);
    const auto Bar = [&](size_t places) {
        const size_t filled =
            finished ? places : std::min(places - 1, static_cast<size_t>(fraction * places));
        return "[" + std::string(filled, '#') + std::string(places - filled, '.') + "]";
    };

    // What follows the bar, in the order it is kept.
    std::vector<std::string> tail;
    if (total > 0) {
        const int64_t percent = finished ? 100 : std::min<int64_t>(99, static_cast<int64_t>(fraction * 100));
        tail.push_back(PadLeft(FormatInt(percent), 3) + "%");
    }
    tail.push_back(Compact(static_cast<double>(done)) +
                   (total > 0 ? "/" + Compact(static_cast<double>(total)) : "") + " rays");
    const bool rateKnown = seconds > 0 && std::isfinite(seconds);
    const double rate = rateKnown ? static_cast<double>(done) / seconds : 0.0;
    if (rateKnown) tail.push_back(Compact(rate) + " rays/s");
    if (total > 0 && !finished)
        tail.push_back(rate > 0 ? Duration(static_cast<double>(total - done) / rate) + " left"
                                : "time left unknown");

    const size_t labelLength = Utf8Length(label);
    for (size_t kept = tail.size(); kept > 0; --kept) {
        size_t fixed = kMinBar + 2;
        for (size_t i = 0; i < kept; ++i) fixed += 2 + tail[i].size();
        std::string line;
        if (labelLength > 0 && fixed + 1 + labelLength <= room) {
            line = std::string(label) + " ";
        } else if (labelLength > 0 && fixed + 1 + kMinLabel <= room) {
            line = std::string(Utf8Prefix(label, room - fixed - 1 - kCut.size())) + std::string(kCut) + " ";
        } else if (labelLength > 0 || fixed > room) {
            continue;
        }
        line += Bar(std::min(kMaxBar, kMinBar + room - fixed - Utf8Length(line)));
        for (size_t i = 0; i < kept; ++i) line += "  " + tail[i];
        return line;
    }
    // Not even the label cut short fits beside the bar and the first of the rest.
    return std::string(Utf8Prefix(Bar(kMinBar) + "  " + tail.front(), room));
}

int TerminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

CProgressBar::CProgressBar(std::ostream& out, std::string label, int width, Clock::time_point start)
    : out_(out), label_(std::move(label)), width_(width), start_(start) {}

void CProgressBar::Show(uint64_t done, uint64_t total, Clock::time_point now) {
    if (drawn_ && now - *drawn_ < std::chrono::milliseconds(250)) return;
    drawn_ = now;
    const std::string line =
        ProgressLine(label_, done, total, std::chrono::duration<double>(now - start_).count(), width_ - 1);
    const size_t length = Utf8Length(line);
    // Blanks what a longer line before it left.
    out_ << '\r' << line << std::string(shown_ > length ? shown_ - length : 0, ' ') << std::flush;
    shown_ = length;
}

void CProgressBar::Clear() {
    if (shown_ > 0) out_ << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
    shown_ = 0;
    drawn_.reset();
}

}  // namespace brelix
