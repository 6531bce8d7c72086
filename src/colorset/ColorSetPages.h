// The three pages of the colour-set editor in tab order: measurement condition (138), colour
// data (139), tone data (185). The editor owns them through `parent`.
#pragma once

#include <vector>

class QWidget;

namespace ombra {

class CConfiguration;
class ColorSetPage;

std::vector<ColorSetPage *> MakeColorSetPages(CConfiguration &configuration, int slot, QWidget *parent);

}  // namespace ombra
