#pragma once

#include <string>

namespace brelix {

// Where the engine's messages to the user go: the desktop application shows a message box, the runner
// prints to the terminal, tests collect them.
class IMessages {
public:
    virtual ~IMessages() = default;
    virtual void Show(const std::string& text, const std::string& caption) = 0;
};

// Drops every message.
class CNoMessages final : public IMessages {
public:
    void Show(const std::string&, const std::string&) override {}
};

}  // namespace brelix
