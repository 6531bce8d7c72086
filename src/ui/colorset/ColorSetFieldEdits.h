// Entry fields of the colour-set editors. A field is checked when the focus leaves it (not
// when the focus goes to the dialog's Cancel button, id 2) and again when its dialog stores,
// so a value never reaches the slot without the check. A refused input is told to the user,
// the field gets its kept value back and the focus.
#pragma once

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <optional>
#include <string>

#include "core/colorset/ColorSetFields.h"

class QComboBox;
class QFocusEvent;

namespace ombra::ui {

inline QString ColorSetControlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

// A button of a page or entry dialog, named by its control id; it never becomes the default
// button (Enter must not press it).
inline QPushButton *ColorSetButton(QWidget *parent, int id, const QString &text) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(ColorSetControlName(id));
    button->setAutoDefault(false);
    return button;
}

// Enter and Escape do nothing in the colour-set editor and its entry dialogs: their buttons
// are the only ways out.
inline bool SwallowEnterAndEscape(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: event->accept(); return true;
    default: return false;
    }
}

class FieldEdit : public QLineEdit {
    Q_OBJECT
public:
    FieldEdit(int id, QWidget *parent);
    // The check of leaving the field. True when the field holds a checked value; an
    // unchanged text is not checked again.
    virtual bool Commit() = 0;

protected:
    void focusOutEvent(QFocusEvent *event) override;
    // The text as the field last showed it.
    QString shown_;
};

class NumericEdit : public FieldEdit {
    Q_OBJECT
public:
    NumericEdit(int id, core::NumericFieldRule rule, QWidget *parent);
    void SetValue(double value);
    double Value() const { return value_; }
    // Shows a value the instrument measured (string 1196 for one it did not deliver). It
    // becomes the field's value only when the next Commit finds it in range; typing over it
    // puts it aside.
    void SetMeasured(double value);
    // Shows nothing (a factor the formula does not use); the value stays.
    void ShowEmpty();
    bool Commit() override;

private:
    bool Apply(const core::FieldCheck &check);

    core::NumericFieldRule rule_;
    double value_ = 0;
    std::optional<double> measured_;  // shown, not yet checked
};

class NameEdit : public FieldEdit {
    Q_OBJECT
public:
    NameEdit(int id, int maximumLength, QWidget *parent);
    void SetName(const std::string &name);
    const std::string &Name() const { return name_; }
    bool Commit() override;

private:
    int maximumLength_;
    std::string name_;
};

// Fills a choice with texts of the resource library.
void FillChoice(QComboBox *choice, const std::vector<int> &textIds);

}  // namespace ombra::ui
