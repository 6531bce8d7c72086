#include "core/platform/PostedMessage.h"

#include <QCoreApplication>

namespace ombra::core::platform {

AppMessageEvent::AppMessageEvent(int message, intptr_t wParam, intptr_t lParam)
    : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

QEvent::Type AppMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostAppMessage(QObject *target, int message, intptr_t wParam, intptr_t lParam) {
    if (!target) return;
    QCoreApplication::postEvent(target, new AppMessageEvent(message, wParam, lParam));
}

bool SendAppMessage(QObject *target, int message, intptr_t wParam, intptr_t lParam) {
    if (!target) return false;
    AppMessageEvent event(message, wParam, lParam);
    return QCoreApplication::sendEvent(target, &event);
}

}  // namespace ombra::core::platform
