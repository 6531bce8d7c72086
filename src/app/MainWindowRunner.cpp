#include "app/MainWindowRunner.h"

#include <QKeySequence>
#include <QShortcut>

#include "app/CVireoDataTransferSoftwareDlg.h"
#include "app/MainWindowLogic.h"
#include "platform/Resources.h"

namespace {

// The product version shown in the about box; the build stamps it into the program.
QString ProductVersionText() { return QStringLiteral(OMBRA_VERSION); }

// Keyboard accelerators of the resource library, sent to the window as its commands.
void InstallAccelerators(ombra::CVireoDataTransferSoftwareDlg &window) {
    for (const auto &accelerator : ombra::platform::ResAccelerators(ombra::mainwin::kAcceleratorTable)) {
        const QKeySequence keys(QString::fromStdString(accelerator.keys));
        if (keys.isEmpty()) continue;
        auto *shortcut = new QShortcut(keys, &window);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = accelerator.commandId;
        QObject::connect(shortcut, &QShortcut::activated, &window, [&window, command] { window.OnCommand(command); });
    }
}

}  // namespace

int RunMainWindow(CVireoDataTransferSoftwareApp &) {
    ombra::CVireoDataTransferSoftwareDlg window(ProductVersionText());
    InstallAccelerators(window);
    window.exec();
    return 0;
}
