// The about box: the program's icon, name and product version, and a button to close it.
#pragma once

#include <QDialog>
#include <QString>
#include "UiLayer.h"

namespace ombra::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString &productVersion, QWidget *parent = nullptr);

    QString VersionText() const { return versionText_; }

private:
    QString versionText_;
};

}  // namespace ombra::ui
