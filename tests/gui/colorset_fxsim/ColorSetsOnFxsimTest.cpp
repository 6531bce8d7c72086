// The Colour sets command against the real instrument library and a running virtual
// instrument: a slot's name edited and sent lands in the instrument's stored state; cleared,
// the slot reads back empty.
#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>

#include "OpenInstrumentOnFxsim.h"
#include "core/colorset/CertificationColorSetRecord.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/NameColorSetPage.h"
#include "support/TestSupport.h"
#include "ui/colorset/CColorSetSettingDlg.h"
#include "ui/colorset/CEditColorSetDlg.h"
#include "ui/controls/CCheckListCtrl.h"

using namespace ombra::core;

namespace {

using namespace ombra;
using namespace ombra::ui;

constexpr int kSlot = 6;

class ColorSetsOnFxsim : public ui::test::OpenInstrumentOnFxsim {
protected:
    ColorSetsOnFxsim() : OpenInstrumentOnFxsim(R"({"devices": [{"model": 100, "serial": 7101, "version": [3, 44]}]})") {}

    // The set name the instrument keeps for `slot` in its state file; nothing when it holds
    // no set there.
    std::optional<std::string> StoredName(int slot) {
        QFile file(serve_.StateFile());
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        QJsonObject held = QJsonDocument::fromJson(file.readAll())["devices"]["7101"]["slots"].toObject();
        if (!held.contains(QString::number(slot))) return std::nullopt;
        QByteArray record = QByteArray::fromBase64(held[QString::number(slot)].toString().toLatin1());
        return std::string(record.constData());  // the name leads the record, NUL-terminated
    }

    // fxsim writes its state file on a thread of its own: the name as soon as it is `expected`
    // (or what the file holds after 3 s).
    std::optional<std::string> StoredNameOnceWritten(int slot, const std::optional<std::string> &expected) {
        std::optional<std::string> name = StoredName(slot);
        for (int i = 0; i < 60 && name != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            name = StoredName(slot);
        }
        return name;
    }

};

TEST_F(ColorSetsOnFxsim, EditSendAndClearASlot) {
    std::optional<std::string> storedAfterSend;
    bool listShown = false;
    QTimer::singleShot(0, [&] {
        auto *list = qobject_cast<CColorSetSettingDlg *>(QApplication::activeModalWidget());
        if (!list) return;
        listShown = true;
        list->SetEditorRunner([](CEditColorSetDlg &editor) {
            for (ColorSetPage *page : editor.Pages()) static_cast<ui::test::NameColorSetPage *>(page)->field->setText("Fxsim 7");
            editor.OnSend();
            return editor.result();
        });
        list->List()->SelectItem(kSlot);
        list->OnEdit();
        storedAfterSend = StoredNameOnceWritten(kSlot, "Fxsim 7");
        list->OnClear();  // the question is answered OK
        list->accept();
    });
    ASSERT_EQ(RunColorSets(nullptr, nullptr, nullptr, ui::test::NameColorSetPages), 0);
    ASSERT_TRUE(listShown);
    EXPECT_EQ(storedAfterSend, std::optional<std::string>("Fxsim 7"));
    EXPECT_EQ(StoredNameOnceWritten(kSlot, std::nullopt), std::nullopt);
    ASSERT_EQ(boxes_.Count(), 3u) << "sent, the clear question, cleared";
    EXPECT_EQ(boxes_.Boxes()[0].text, core::platform::ResString(1302));
    EXPECT_EQ(boxes_.Boxes()[1].text, core::platform::ResString(1288) + "Fxsim 7 ?");
    EXPECT_EQ(boxes_.Boxes()[2].text, core::platform::ResString(1292));

    CertificationColorSetRecord record{};
    int32_t status = LockedCall([&](const DIFunctions &di) {
        return di.DIGetCertificationColorSet(DeviceHandle().load(), kSlot, &record);
    });
    EXPECT_EQ(status, DI_ERR_COLORSET_EMPTY);
}

}  // namespace
