#include "platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ombra::platform {

WaitCursor::WaitCursor() {
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        shown_ = true;
    }
}

WaitCursor::~WaitCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace ombra::platform
