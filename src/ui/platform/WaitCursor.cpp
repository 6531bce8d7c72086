#include "ui/platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ombra::ui::platform {
namespace {

bool haveGui() { return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr; }

}  // namespace

WaitCursor::WaitCursor() { Resume(); }

WaitCursor::~WaitCursor() { End(); }

void WaitCursor::Resume() {
    if (active_ || !haveGui()) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    active_ = true;
}

void WaitCursor::End() {
    if (!active_) return;
    active_ = false;
    if (haveGui()) QGuiApplication::restoreOverrideCursor();
}

}  // namespace ombra::ui::platform
