#include "app/queued_messages.h"

#include <QMetaObject>

namespace brelix {

void CQueuedMessages::Show(const std::string& text, const std::string& caption) {
    QMetaObject::invokeMethod(&receiver_, [show = show_, text, caption] { show(text, caption); },
                              Qt::QueuedConnection);
}

}  // namespace brelix
