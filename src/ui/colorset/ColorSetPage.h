// One page of the colour-set editor. A page edits one slot of the list dialog's
// CConfiguration in place: it fills its controls from the slot and, when asked, checks its
// controls and stores them into the slot. The editor uses the page's window title as the
// text of its tab.
#pragma once

#include <QWidget>

#include "core/platform/PostedMessage.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
class CConfiguration;
}

namespace ombra::ui {

class ColorSetPage : public QWidget {
    Q_OBJECT
public:
    // The refresh messages the editor posts to the colour-data and the tone-data page.
    static constexpr int kColorDataRefreshMessage = core::platform::kAppMessageBase + 16;  // 32784
    static constexpr int kToneDataRefreshMessage = core::platform::kAppMessageBase + 17;   // 32785

    ColorSetPage(core::CConfiguration &configuration, int slot, QWidget *parent = nullptr)
        : QWidget(parent), configuration_(configuration), slot_(slot) {}

    // Fills every control from the slot (opening, and after a file was loaded into it).
    virtual void LoadFromSlot() = 0;
    // Checks every control and stores it into the slot. False refuses: the page has told
    // the user why and the slot keeps what the page could not check.
    virtual bool StoreToSlot() = 0;
    // The refresh the editor posts when the page becomes visible (32784 to the colour-data
    // page, 32785 to the tone-data page): reload the list from the slot, select its first row.
    virtual void Refresh() {}

    core::CConfiguration &Configuration() const { return configuration_; }
    int SlotNumber() const { return slot_; }

protected:
    // A posted refresh message arrives here and becomes Refresh().
    bool event(QEvent *e) override {
        if (e->type() == core::platform::AppMessageEvent::EventType()) {
            const int message = static_cast<core::platform::AppMessageEvent *>(e)->message();
            if (message == kColorDataRefreshMessage || message == kToneDataRefreshMessage) {
                Refresh();
                return true;
            }
        }
        return QWidget::event(e);
    }

private:
    core::CConfiguration &configuration_;
    int slot_;
};

}  // namespace ombra::ui
