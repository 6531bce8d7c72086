#include "ui/colorset/ColorSetPages.h"

#include "ui/colorset/CEditColorDataDlg.h"
#include "ui/colorset/CEditColorMeasCondDlg.h"
#include "ui/colorset/CEditColorToneDataDlg.h"

namespace ombra::ui {

std::vector<ColorSetPage *> MakeColorSetPages(core::CConfiguration &configuration, int slot, QWidget *parent) {
    return {new CEditColorMeasCondDlg(configuration, slot, parent), new CEditColorDataDlg(configuration, slot, parent),
            new CEditColorToneDataDlg(configuration, slot, parent)};
}

ColorSetPageFactory DefaultColorSetPages() { return MakeColorSetPages; }

}  // namespace ombra::ui
