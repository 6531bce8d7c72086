#include "ui/platform/MessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui::platform {
namespace {

MessageBoxHook &hook() {
    static MessageBoxHook instance;
    return instance;
}

// The library's caption of a standard button (the values are the same for message boxes and
// button boxes); empty for any other button.
QString StandardButtonText(int button) {
    switch (button) {
    case QDialogButtonBox::Ok: return core::platform::ResQString(res::kStrOk);
    case QDialogButtonBox::Cancel: return core::platform::ResQString(res::kStrCancel);
    case QDialogButtonBox::Close: return core::platform::ResQString(res::kStrClose);
    case QDialogButtonBox::Yes: return core::platform::ResQString(res::kStrYes);
    case QDialogButtonBox::No: return core::platform::ResQString(res::kStrNo);
    default: return {};
    }
}

template <typename Box>
void NameButtons(Box &box) {
    for (QAbstractButton *button : box.buttons())
        if (const QString text = StandardButtonText(box.standardButton(button)); !text.isEmpty()) button->setText(text);
}

QMessageBox::Icon iconFor(unsigned flags) {
    switch (flags & 0xF0) {
    case core::platform::mb::ICONHAND: return QMessageBox::Critical;
    case core::platform::mb::ICONQUESTION: return QMessageBox::Question;
    case core::platform::mb::ICONEXCLAMATION: return QMessageBox::Warning;
    case core::platform::mb::ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The window manager cuts a title longer than its box: the box is made at least as wide as its
// title, with room for the title bar's buttons.
void WidenForTitle(QMessageBox &box) {
    constexpr int kTitleBarButtons = 120;
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid) return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook newHook) {
    std::swap(hook(), newHook);
    return newHook;
}

void NameStandardButtons(QDialogButtonBox &buttons) { NameButtons(buttons); }

int ShowMessageBox(QWidget *parent, const std::string &text, const std::string &caption, unsigned flags) {
    if (hook()) return hook()({text, caption, flags});

    QMessageBox box(iconFor(flags), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, parent);
    QAbstractButton *cancel = nullptr, *yes = nullptr, *no = nullptr;
    switch (flags & 0xF) {
    case core::platform::mb::OKCANCEL:
        box.addButton(QMessageBox::Ok);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(cancel);
        break;
    case core::platform::mb::YESNO:
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
        box.setEscapeButton(no);
        break;
    default:
        box.setEscapeButton(box.addButton(QMessageBox::Ok));
        break;
    }
    NameButtons(box);
    WidenForTitle(box);
    if (flags & core::platform::mb::SYSTEMMODAL) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (flags & (core::platform::mb::SETFOREGROUND | core::platform::mb::SYSTEMMODAL)) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
    QAbstractButton *chosen = box.clickedButton();
    if (chosen && chosen == cancel) return core::platform::mb::IDCANCEL;
    if (chosen && chosen == yes) return core::platform::mb::IDYES;
    if (chosen && chosen == no) return core::platform::mb::IDNO;
    if (!chosen && cancel) return core::platform::mb::IDCANCEL;
    return core::platform::mb::IDOK;
}

int ShowNotice(QWidget *parent, const core::Notice &notice) {
    return ShowMessageBox(parent, notice.Text(), notice.Caption(), notice.flags);
}

core::NoticeSink NoticeSinkFor(QWidget *parent) {
    return [parent](const core::Notice &notice) { return ShowNotice(parent, notice); };
}

}  // namespace ombra::ui::platform
