#include "ui/mainwindow/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/ResourceImages.h"

namespace ombra::ui {
namespace {


QString InstrumentLine(const std::optional<core::ConnectedDevice> &device) {
    if (!device) return core::platform::ResQString(res::kStrNoInstrumentLine);
    return core::platform::ResQString(res::kStrInstrumentLine)
        .arg(QString::fromStdString(device->model), QString::fromStdString(device->serial),
             QString::fromStdString(device->firmware));
}

QString OfficeLine(const std::string &version) {
    return version.empty() ? core::platform::ResQString(res::kStrNoOffice)
                           : core::platform::ResQString(res::kStrOffice).arg(QString::fromStdString(version));
}

QLabel *FactLabel(const QString &text, const char *name, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(const QString &productVersion, QWidget *parent, const AboutFacts &facts) : QDialog(parent) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgAbout));
    setWindowTitle(core::platform::ResWindowTitle(res::kStrAboutTitle));
    versionText_ = productVersion;

    auto *icon = new QLabel(this);
    icon->setObjectName("aboutIcon");
    const QPixmap pixmap = platform::ResPixmap(res::kAppIcon);
    if (!pixmap.isNull()) icon->setPixmap(pixmap.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto *product = new QLabel(core::platform::ResQString(res::kStrMessageCaption), this);
    product->setObjectName("aboutProduct");
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    QLabel *version = FactLabel(core::platform::ResQString(res::kStrVersion).arg(productVersion), "aboutVersion", this);
    const QList<QLabel *> factLabels = {
        FactLabel(core::platform::ResQString(res::kStrCopyright), "aboutCopyright", this),
        FactLabel(core::platform::ResQString(res::kStrLicence), "aboutLicence", this),
        FactLabel(core::platform::ResQString(res::kStrQtVersion).arg(QString::fromLatin1(qVersion())), "aboutQt", this),
        FactLabel(OfficeLine(facts.officeVersion), "aboutOffice", this),
        FactLabel(InstrumentLine(facts.instrument), "aboutInstrument", this)};

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    platform::NameStandardButtons(*buttons);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ctl_1");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(6);
    for (QLabel *fact : factLabels) texts->addWidget(fact);
    auto *row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace ombra::ui
