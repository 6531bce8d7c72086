#include "ui/colorset/ColorSetFieldEdits.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QPointer>
#include <QTimer>
#include <utility>

#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

FieldEdit::FieldEdit(int id, QWidget *parent) : QLineEdit(parent) { setObjectName(ColorSetControlName(id)); }

void FieldEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    // Leaving the window (a message box, another program) is no leaving of the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    QWidget *next = QApplication::focusWidget();
    if (next && next->objectName() == ColorSetControlName(2) && next->window() == window()) return;
    // Checked after the focus change has finished, so that a message box and the focus
    // going back do not run inside it.
    QPointer<FieldEdit> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self) self->Commit();
    });
}

NumericEdit::NumericEdit(int id, core::NumericFieldRule rule, QWidget *parent) : FieldEdit(id, parent), rule_(rule) {}

void NumericEdit::SetValue(double value) {
    value_ = value;
    measured_.reset();
    shown_ = QString::fromStdString(core::FieldText(value, rule_));
    setText(shown_);
}

void NumericEdit::SetMeasured(double value) {
    measured_ = value;
    shown_ = QString::fromStdString(core::MeasuredFieldText(value, rule_));
    setText(shown_);
}

void NumericEdit::ShowEmpty() {
    measured_.reset();
    shown_.clear();
    clear();
}

bool NumericEdit::Commit() {
    const std::optional<double> measured = std::exchange(measured_, std::nullopt);
    if (text() == shown_) return !measured || Apply(core::CheckMeasuredValue(*measured, value_, rule_));
    return Apply(core::CheckNumericField(text().toStdString(), value_, rule_, core::platform::UserDecimalSeparator()));
}

bool NumericEdit::Apply(const core::FieldCheck &check) {
    value_ = check.value;
    shown_ = QString::fromStdString(check.text);
    setText(shown_);
    if (!check.refused()) return true;
    platform::ShowNotice(window(), *check.notice);
    setFocus(Qt::OtherFocusReason);
    return false;
}

NameEdit::NameEdit(int id, int maximumLength, QWidget *parent) : FieldEdit(id, parent), maximumLength_(maximumLength) {
    setMaxLength(maximumLength);
}

void NameEdit::SetName(const std::string &name) {
    name_ = name;
    shown_ = QString::fromStdString(name);
    setText(shown_);
}

bool NameEdit::Commit() {
    if (text() == shown_) return true;
    core::NameCheck check = core::CheckNameField(text().toStdString(), name_, maximumLength_);
    SetName(check.name);
    if (!check.notice) return true;
    platform::ShowNotice(window(), *check.notice);
    setFocus(Qt::OtherFocusReason);
    return false;
}

void FillChoice(QComboBox *choice, const std::vector<int> &textIds) {
    choice->clear();
    for (int id : textIds) choice->addItem(core::platform::ResQString(id));
}

}  // namespace ombra::ui
