// The about box: the program's icon, name, version, copyright and licence, the versions of Qt
// and of the office connection, the connected instrument, and a button to close it.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "core/instrument/ConnectedDevice.h"

namespace ombra::ui {

// What the box tells beside the program's own version.
struct AboutFacts {
    std::string officeVersion;                  // empty: no office connection in this build
    std::optional<core::ConnectedDevice> instrument;  // the one connected, if any
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString &productVersion, QWidget *parent = nullptr, const AboutFacts &facts = {});

    QString VersionText() const { return versionText_; }

private:
    QString versionText_;
};

}  // namespace ombra::ui
