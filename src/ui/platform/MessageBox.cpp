#include "platform/MessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include "platform/Resources.h"
#include "UiLayer.h"
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
    case QDialogButtonBox::Ok: return ResQString(res::kStrOk);
    case QDialogButtonBox::Cancel: return ResQString(res::kStrCancel);
    case QDialogButtonBox::Close: return ResQString(res::kStrClose);
    case QDialogButtonBox::Yes: return ResQString(res::kStrYes);
    case QDialogButtonBox::No: return ResQString(res::kStrNo);
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
    case mb::ICONHAND: return QMessageBox::Critical;
    case mb::ICONQUESTION: return QMessageBox::Question;
    case mb::ICONEXCLAMATION: return QMessageBox::Warning;
    case mb::ICONASTERISK: return QMessageBox::Information;
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
    case mb::OKCANCEL:
        box.addButton(QMessageBox::Ok);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(cancel);
        break;
    case mb::YESNO:
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
    if (flags & mb::SYSTEMMODAL) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (flags & (mb::SETFOREGROUND | mb::SYSTEMMODAL)) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
    QAbstractButton *chosen = box.clickedButton();
    if (chosen && chosen == cancel) return mb::IDCANCEL;
    if (chosen && chosen == yes) return mb::IDYES;
    if (chosen && chosen == no) return mb::IDNO;
    if (!chosen && cancel) return mb::IDCANCEL;
    return mb::IDOK;
}

int ShowNotice(QWidget *parent, const Notice &notice) {
    return ShowMessageBox(parent, notice.Text(), notice.Caption(), notice.flags);
}

NoticeSink NoticeSinkFor(QWidget *parent) {
    return [parent](const Notice &notice) { return ShowNotice(parent, notice); };
}

}  // namespace ombra::ui::platform
