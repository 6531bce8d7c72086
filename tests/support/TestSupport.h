// Common set-up for the test programs of the user interface: an offscreen application, the
// resource library from the build, settings kept in memory, and message boxes recorded
// instead of shown.
#pragma once

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/instrument/WorkThread.h"
#include "core/platform/ProfileStore.h"
#include "support/CoreTestSupport.h"
#include "ui/platform/MessageBox.h"

class QPushButton;
class QWidget;

namespace ombra::ui::test {

using namespace ombra::core;

using namespace ombra::core::test;

// Creates the application object and puts the process into its test state.
class TestEnvironment {
public:
    TestEnvironment(int &argc, char **argv);
    ~TestEnvironment();

private:
    std::unique_ptr<QApplication> app_;
};

// Records every message box while alive and answers each with `answer` (or the answers
// queued with Answer()). Restores the previous hook when destroyed.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = core::platform::mb::IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    void Answer(int next) { queued_.push_back(next); }
    const std::vector<platform::MessageBoxRequest> &Boxes() const { return boxes_; }
    size_t Count() const { return boxes_.size(); }
    void Clear() { boxes_.clear(); }
    // Called with each box as it is shown (to see what stood around it at that moment).
    void OnBox(std::function<void(const platform::MessageBoxRequest &)> seen) { onBox_ = std::move(seen); }

private:
    std::function<void(const platform::MessageBoxRequest &)> onBox_;
    int answer_;
    std::vector<int> queued_;
    std::vector<platform::MessageBoxRequest> boxes_;
    platform::MessageBoxHook previous_;
};

// A button-watch thread that only records the pauses and resumptions a dialog asks of it.
class CountingWatcher : public core::CWorkThread {
public:
    CountingWatcher() : core::CWorkThread([](core::WatchEvent) {}, 100) {}
    void Start() override {}
    void Stop() override {}
    void Pause() override { events.push_back("pause"); }
    void Resume() override { events.push_back("resume"); }
    std::vector<std::string> events;
};

// The dialog's button "ctl_<id>"; the test stops when there is none.
QPushButton *ControlButton(QWidget &dialog, int id);

}  // namespace ombra::ui::test

// Entry point for a Qt Test program using the same test state as the unit tests.
#define OMBRA_QTEST_MAIN(TestClass)                          \
    int main(int argc, char **argv) {                        \
        ombra::ui::test::TestEnvironment env(argc, argv);        \
        TestClass tc;                                        \
        QTEST_SET_MAIN_SOURCE_PATH                           \
        return QTest::qExec(&tc, argc, argv);                \
    }
