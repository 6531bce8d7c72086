#include "support/TestSupport.h"

#include <QPushButton>

#include <cstdlib>

#include "core/platform/Resources.h"

using namespace ombra::core;

namespace ombra::ui::test {

TestEnvironment::TestEnvironment(int &argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc, argv);
    EnterTestState();
    // No test may block on a box nobody answers: unless a test records them itself,
    // boxes are answered OK at once.
    platform::SetMessageBoxHook([](const platform::MessageBoxRequest &) { return core::platform::mb::IDOK; });
}

TestEnvironment::~TestEnvironment() = default;

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = platform::SetMessageBoxHook([this](const platform::MessageBoxRequest &request) {
        boxes_.push_back(request);
        if (onBox_) onBox_(request);
        if (!queued_.empty()) {
            int next = queued_.front();
            queued_.erase(queued_.begin());
            return next;
        }
        return answer_;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::SetMessageBoxHook(previous_); }

QPushButton *ControlButton(QWidget &dialog, int id) {
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("ctl_%1").arg(id));
    if (!button) qFatal("no button %d", id);
    return button;
}

}  // namespace ombra::ui::test
