#include "colorset/ColorSetPages.h"

#include "colorset/CEditColorDataDlg.h"
#include "colorset/CEditColorMeasCondDlg.h"
#include "colorset/CEditColorToneDataDlg.h"
#include "UiLayer.h"

namespace ombra::ui {

std::vector<ColorSetPage *> MakeColorSetPages(CConfiguration &configuration, int slot, QWidget *parent) {
    return {new CEditColorMeasCondDlg(configuration, slot, parent), new CEditColorDataDlg(configuration, slot, parent),
            new CEditColorToneDataDlg(configuration, slot, parent)};
}

ColorSetPageFactory DefaultColorSetPages() { return MakeColorSetPages; }

}  // namespace ombra::ui
