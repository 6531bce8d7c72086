#include "colorset/ColorSetPages.h"

#include <QLabel>
#include <QVBoxLayout>

#include "colorset/ColorSetPage.h"

namespace ombra {
namespace {

// Stands in for a page whose editor is not part of the program yet: it shows its title,
// changes nothing and never refuses.
class PendingColorSetPage : public ColorSetPage {
public:
    PendingColorSetPage(CConfiguration &configuration, int slot, const QString &title, QWidget *parent)
        : ColorSetPage(configuration, slot, parent) {
        setWindowTitle(title);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(title, this), 0, Qt::AlignCenter);
    }
    void LoadFromSlot() override {}
    bool StoreToSlot() override { return true; }
};

std::vector<ColorSetPage *> pendingPages(CConfiguration &configuration, int slot, QWidget *parent) {
    return {new PendingColorSetPage(configuration, slot, QStringLiteral("Measurement Conditions"), parent),
            new PendingColorSetPage(configuration, slot, QStringLiteral("Color Data"), parent),
            new PendingColorSetPage(configuration, slot, QStringLiteral("Tone Data"), parent)};
}

}  // namespace

ColorSetPageFactory DefaultColorSetPages() { return pendingPages; }

}  // namespace ombra
