// The pages of the colour-set editor, in tab order: measurement conditions (138), colour data
// (139), tone data (185). The editor gets them from a factory, so that tests can give it pages
// of their own.
#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace ombra::core {
class CConfiguration;
}

namespace ombra::ui {

class ColorSetPage;

// Creates the editor's pages for `slot` of `configuration` as children of `parent`, in tab
// order. The tab after the first is the colour-data page, the one after it the tone-data page.
using ColorSetPageFactory =
    std::function<std::vector<ColorSetPage *>(core::CConfiguration &configuration, int slot, QWidget *parent)>;

// The program's own three pages.
std::vector<ColorSetPage *> MakeColorSetPages(core::CConfiguration &configuration, int slot, QWidget *parent);
ColorSetPageFactory DefaultColorSetPages();

}  // namespace ombra::ui
