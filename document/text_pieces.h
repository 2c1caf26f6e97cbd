#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace brelix {

// Text written in pieces of some 64 KB, so that a table of millions of rows is never held whole: the
// writer appends to `text` and flushes after each row; a piece is handed on once it has grown past the
// size worth a write.
class CTextPieces {
public:
    explicit CTextPieces(const std::function<bool(std::string_view)>& write) : write_(write) {}
    std::string text;
    // Hands the text on when it has grown large enough, or at the end; false once a write failed.
    bool Flush(bool end = false) {
        if (!ok_ || (!end && text.size() < kPiece)) return ok_;
        ok_ = write_(text);
        text.clear();
        return ok_;
    }

private:
    static constexpr size_t kPiece = 1 << 16;
    const std::function<bool(std::string_view)>& write_;
    bool ok_ = true;
};

}  // namespace brelix
