// A colour-set editor page for tests: one field, the set name. It fills the field from the
// slot, stores it back when it passes the name rule and refuses otherwise, and counts its
// refreshes.
#pragma once

#include <QLineEdit>
#include <QVBoxLayout>
#include <vector>

#include "core/colorset/Configuration.h"
#include "ui/colorset/ColorSetPage.h"

namespace ombra::ui::test {

using namespace ombra::core;

class NameColorSetPage : public ColorSetPage {
public:
    NameColorSetPage(CConfiguration &configuration, int slot, const QString &title, QWidget *parent)
        : ColorSetPage(configuration, slot, parent), field(new QLineEdit(this)) {
        setWindowTitle(title);
        (new QVBoxLayout(this))->addWidget(field);
    }
    void LoadFromSlot() override { field->setText(QString::fromStdString(Configuration().Slot(SlotNumber())->name)); }
    bool StoreToSlot() override {
        const std::string name = field->text().toStdString();
        if (!CConfiguration::IsValidColorSetText(name, kColorSetNameLimit)) return false;
        Configuration().Slot(SlotNumber())->name = name;
        return true;
    }
    void Refresh() override { ++refreshes; }

    QLineEdit *field;
    int refreshes = 0;
};

// Three such pages, in the editor's tab order.
inline std::vector<ColorSetPage *> NameColorSetPages(CConfiguration &c, int slot, QWidget *parent) {
    return {new NameColorSetPage(c, slot, "Conditions", parent), new NameColorSetPage(c, slot, "Colours", parent),
            new NameColorSetPage(c, slot, "Tones", parent)};
}

}  // namespace ombra::ui::test
