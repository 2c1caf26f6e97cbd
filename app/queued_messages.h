#pragma once

#include <QObject>
#include <functional>

#include "core/messages.h"

namespace brelix {

// Messages that may come from the trace worker's thread, shown on the interface's thread: each is queued
// to the receiver's thread, so the worker never waits (a message box on its thread would crash, and a
// wait for the interface would deadlock against Stop, which waits for the worker). Messages queued to a
// receiver that is gone are dropped.
class CQueuedMessages : public IMessages {
public:
    using Shower = std::function<void(const std::string& text, const std::string& caption)>;
    CQueuedMessages(QObject& receiver, Shower show) : receiver_(receiver), show_(std::move(show)) {}
    void Show(const std::string& text, const std::string& caption) override;

private:
    QObject& receiver_;
    Shower show_;
};

}  // namespace brelix
