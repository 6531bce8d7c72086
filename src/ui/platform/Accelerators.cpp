#include "ui/platform/Accelerators.h"

#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

#include "core/platform/PostedMessage.h"

namespace ombra::ui::platform {

std::vector<QShortcut *> InstallAccelerators(QWidget *window, const std::vector<core::platform::Accelerator> &table,
                                             std::function<void(int commandId)> onCommand) {
    std::vector<QShortcut *> created;
    if (!window) return created;
    for (const core::platform::Accelerator &entry : table) {
        QKeySequence keys = QKeySequence::fromString(QString::fromStdString(entry.keys), QKeySequence::PortableText);
        if (keys.isEmpty() || keys[0] == QKeyCombination()) continue;
        auto *shortcut = new QShortcut(keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = entry.commandId;
        QPointer<QWidget> target(window);
        QObject::connect(shortcut, &QShortcut::activated, window, [onCommand, command, target] {
            if (onCommand) onCommand(command);
            else if (target) core::platform::SendAppMessage(target, core::platform::kCommandMessage, command);
        });
        created.push_back(shortcut);
    }
    return created;
}

}  // namespace ombra::ui::platform
