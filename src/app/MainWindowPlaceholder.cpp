// TEMPORARY stand-in for the main window until the real one is merged; delete this file then.
#include <QDialog>

#include "app/App.h"
#include "app/MainWindowRunner.h"
#include "platform/Resources.h"

namespace ombra {

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    QDialog window;
    QString title = platform::ResQString(1200);
    window.setWindowTitle(title.isEmpty() ? QStringLiteral("Ombra Data Transfer") : title);
    window.resize(700, 500);
    app.InstallAccelerators(&window);
    return window.exec();
}

}  // namespace ombra
