// The colour-set editor's pages against the real instrument library and a running virtual
// instrument: measuring a colour in the colour entry dialog, a set edited on all three pages
// going through a colour-set file into the instrument and back, and a slot whose
// polarisation the instrument holds apart from its condition.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <optional>

#include "OpenInstrumentOnFxsim.h"
#include "colorimetry/Instrument.h"
#include "core/colorset/CertificationColorSetRecord.h"
#include "core/colorset/Configuration.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/OwnInstrument.h"
#include "support/TestSupport.h"
#include "ui/colorset/CColorDataEditScreenDlg.h"
#include "ui/colorset/CEditColorSetDlg.h"
#include "ui/colorset/CEditToneDataDlg.h"
#include "ui/colorset/ColorSetPage.h"
#include "ui/colorset/ColorSetPages.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

namespace {

using namespace ombra;
using namespace ombra::ui;
namespace cm = ombra::colorimetry;

template <class T>
T *control(QWidget &parent, int id) {
    T *found = parent.findChild<T *>(QStringLiteral("ctl_%1").arg(id));
    if (!found) ADD_FAILURE() << "no control " << id;
    return found;
}

class ColorSetEditorOnFxsim : public ui::test::OpenInstrumentOnFxsim {
protected:
    ColorSetEditorOnFxsim() : OpenInstrumentOnFxsim(R"({"devices": [{"model": 100, "serial": 7101}]})") {}

    void SetUp() override {
        OpenInstrumentOnFxsim::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The user's settings: irradiance, 10 degrees, D65, M1.
        Settings().measurement.InForce().MeasurementType = 0x4;
        MeasurementMasks masks;
        masks.measurementType = 0x4;
        masks.measurementCond = 0x4;
        masks.observer = 0x2;
        masks.illuminant = 0x10;
        ASSERT_TRUE(ApplyMeasurementSettings(masks).ok());
        ASSERT_TRUE(serve_.Ok({"sample", "cc_purplish_blue"}));
    }
    int MeasurementTypeProperty() {
        return serve_.Status().value("devices").toArray()[0].toObject().value("properties").toArray().at(0).toInt();
    }

    CConfiguration config_;
};

TEST_F(ColorSetEditorOnFxsim, MeasureFillsTheLibrarysLabAndLeavesTheMeasurementTypeAsSet) {
    config_.ResetAll();
    core::test::OwnInstrument instrument;
    config_.SetInstrument(&instrument);
    CColorDataEditScreenDlg entry(config_, 0, 0);
    entry.OnMeasure();
    ASSERT_EQ(boxes_.Count(), 1u) << "only the question";
    EXPECT_EQ(boxes_.Boxes()[0].text, core::platform::ResString(1369));
    cm::MeasurementProperties props;
    props.observer = cm::kObserver10;
    props.illuminant = cm::kIlluminantD65;
    props.condition = cm::kConditionM1;
    const cm::InstrumentResults expected = cm::Measure(*cm::FindSample("cc_purplish_blue"), props);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(control<QLineEdit>(entry, 1056 + i)->text().toStdString(), core::platform::FormatNumber(expected.colour[0][i], 2));
    EXPECT_EQ(MeasurementTypeProperty(), 3) << "irradiance, as the setting says";

    // A failing measurement is reported, leaves the values and still puts the type back.
    entry.findChild<QLineEdit *>("ctl_1056")->setText("50.00");
    ASSERT_TRUE(serve_.Ok({"fail", "--call", "DIDoMeasurement", "--code", "19", "--times", "1"}));
    boxes_.Clear();
    entry.OnMeasure();
    ASSERT_EQ(boxes_.Count(), 2u) << "the question and the error";
    EXPECT_NE(boxes_.Boxes()[1].text.find(core::platform::ResString(1234)), std::string::npos) << boxes_.Boxes()[1].text;
    EXPECT_EQ(control<QLineEdit>(entry, 1056)->text(), QString("50.00"));
    EXPECT_EQ(MeasurementTypeProperty(), 3);

    // A colour the instrument cannot give (the user illuminant, none registered: the largest
    // float, answered 31) is reported, and none of it reaches the fields or the slot.
    int32_t userIlluminant = 14;
    ASSERT_EQ(LockedCall([&](const DIFunctions &di) { return di.DISetProperty(DeviceHandle().load(), 3, &userIlluminant); }), 0);
    boxes_.Clear();
    entry.OnMeasure();
    ASSERT_EQ(boxes_.Count(), 2u) << "the question and the error";
    EXPECT_NE(boxes_.Boxes()[1].text.find(core::platform::ResString(1231)), std::string::npos) << boxes_.Boxes()[1].text;
    EXPECT_EQ(control<QLineEdit>(entry, 1056)->text(), QString("50.00"));
    entry.accept();
    ASSERT_EQ(entry.result(), int(QDialog::Accepted));
    EXPECT_EQ(config_.Slot(0)->colors[0].L, 50.0f);
    EXPECT_EQ(core::platform::FormatNumber(config_.Slot(0)->colors[0].a, 2), core::platform::FormatNumber(expected.colour[0][1], 2));
}

// Edits slot `slot` through the pages and their entry dialogs.
void EditOnAllPages(CConfiguration &config, int slot, std::vector<ColorSetPage *> &pages) {
    ColorSetPage &condition = *pages[0];
    control<QLineEdit>(condition, 1035)->setText("Round trip");
    control<QComboBox>(condition, 1037)->setCurrentIndex(9);
    control<QComboBox>(condition, 1038)->setCurrentIndex(1);
    control<QComboBox>(condition, 1036)->setCurrentIndex(2);  // code 160
    control<QComboBox>(condition, 1039)->setCurrentIndex(2);
    control<QLineEdit>(condition, 1040)->setText("1.25");
    control<QLineEdit>(condition, 1042)->setText("0.5");
    control<QComboBox>(condition, 1043)->setCurrentIndex(1);
    control<QComboBox>(condition, 1094)->setCurrentIndex(1);  // code 160
    control<QComboBox>(condition, 1095)->setCurrentIndex(3);
    control<QLineEdit>(condition, 1096)->setText("2.5");
    ASSERT_TRUE(condition.StoreToSlot());

    const char *names[] = {"Paper", "Cyan", "Magenta", "Yellow"};
    for (int k = 0; k < 4; ++k) {
        CColorDataEditScreenDlg entry(config, slot, k);
        control<QLineEdit>(entry, 1055)->setText(names[k]);
        control<QLineEdit>(entry, 1056)->setText(QString::number(20.25 + 10 * k));
        control<QLineEdit>(entry, 1057)->setText(QString::number(-30.5 + k));
        control<QLineEdit>(entry, 1058)->setText("12.75");
        control<QLineEdit>(entry, 1059)->setText("1.5");
        control<QCheckBox>(entry, 1364)->setChecked(k % 2 == 0);
        entry.accept();
        ASSERT_EQ(entry.result(), int(QDialog::Accepted));
    }
    for (int e = 0; e < 4; ++e) {
        CEditToneDataDlg tone(config, slot, e);
        control<QComboBox>(tone, 1371)->setCurrentIndex(e);
        emit control<QComboBox>(tone, 1371)->activated(e);
        control<QLineEdit>(tone, 1373)->setText("70");
        control<QLineEdit>(tone, 1374)->setText(QString::number(18.5 + e));
        control<QCheckBox>(tone, 1380)->setChecked(e != 1);
        tone.accept();
        ASSERT_EQ(tone.result(), int(QDialog::Accepted));
    }
    for (ColorSetPage *page : pages) page->LoadFromSlot();
    // Paper colour 1 on the colour page; tone rule on the tone page.
    control<QComboBox>(*pages[1], 1065)->setCurrentIndex(1);
    ColorSetPage &tones = *pages[2];
    pages[2]->Refresh();
    control<QCheckBox>(tones, 1357)->setChecked(true);
    control<QLineEdit>(tones, 1361)->setText("4.5");
    for (ColorSetPage *page : pages) ASSERT_TRUE(page->StoreToSlot());
}

TEST_F(ColorSetEditorOnFxsim, AnEditedSetGoesThroughAFileIntoTheInstrumentAndBackUnchanged) {
    constexpr int kSlot = 7;
    ASSERT_EQ(config_.ReadAllFromInstrument(), 0);
    QWidget editor;
    std::vector<ColorSetPage *> pages = MakeColorSetPages(config_, kSlot, &editor);
    ASSERT_NO_FATAL_FAILURE(EditOnAllPages(config_, kSlot, pages));
    ColorSet edited = *config_.Slot(kSlot);
    EXPECT_EQ(edited.name, "Round trip");
    EXPECT_EQ(edited.measurementCondition, 160);
    EXPECT_EQ(edited.paperColor, 0);
    EXPECT_EQ(edited.colors[2].L, 40.25f);
    EXPECT_EQ(edited.tones[1].steps[0].aim, 19.5f);
    EXPECT_EQ(edited.tones[0].enabled, 0) << "the entry on the paper colour is off";
    EXPECT_EQ(edited.midToneSpread, (MidToneSpread{1, 0, {1, 2, 3}, 4.5f}));
    // Files and the instrument keep no "defined" flag: it comes back equal to "enabled".
    for (ToneEntry &tone : edited.tones) tone.defined = tone.enabled;

    QTemporaryDir dir;
    const std::string path = dir.filePath("roundtrip.fcs").toStdString();
    ASSERT_TRUE(config_.SaveToFile(path, kSlot));
    config_.ResetSlot(kSlot);
    for (ColorSetPage *page : pages) page->LoadFromSlot();
    ASSERT_EQ(config_.LoadFromFile(path, kSlot), 0);
    for (ColorSetPage *page : pages) page->LoadFromSlot();
    for (ColorSetPage *page : pages) ASSERT_TRUE(page->StoreToSlot());
    ASSERT_EQ(config_.WriteToInstrument(kSlot), 0);
    ASSERT_EQ(config_.ReadAllFromInstrument(), 0);
    edited.registered = true;
    EXPECT_EQ(*config_.Slot(kSlot), edited);
}

// The condition and polarisation fields of what the instrument holds in `slot`.
std::pair<int32_t, int32_t> HeldConditionAndPolarization(int slot) {
    CertificationColorSetRecord record{};
    int32_t status = LockedCall([&](const DIFunctions &di) {
        return di.DIGetCertificationColorSet(DeviceHandle().load(), slot, &record);
    });
    EXPECT_EQ(status, 0);
    return {record.measurementCondition, record.polarization};
}

TEST_F(ColorSetEditorOnFxsim, ASlotHeldPolarisedWithoutTheFlagIsEditedSentAndSavedWhole) {
    constexpr int kSlot = 3;
    config_.ResetAll();
    ColorSet &odd = *config_.Slot(kSlot);
    odd.name = "Polar";
    odd.measurementCondition = 161;
    odd.polarization = 0;
    odd.colors[0].valid = 1;
    odd.colors[0].name = "Paper";
    ASSERT_EQ(config_.WriteToInstrument(kSlot), 0);
    ASSERT_EQ(HeldConditionAndPolarization(kSlot), std::make_pair(161, 0));

    CConfiguration read;
    ASSERT_EQ(read.ReadAllFromInstrument(), 0);
    EXPECT_EQ(read.Slot(kSlot)->polarization, 1) << "the flag follows the condition";
    QTemporaryDir dir;
    const std::string path = dir.filePath("polar.fcs").toStdString();
    ui::platform::FileDialogHook previous =
        ui::platform::SetFileDialogHook([&](const ui::platform::FileDialogRequest &) { return path; });
    {
        CEditColorSetDlg editor(read, kSlot);
        ColorSetPage &conditions = *editor.Pages()[0];
        EXPECT_EQ(control<QComboBox>(conditions, 1044)->currentIndex(), 1) << "polarisation on";
        EXPECT_EQ(control<QComboBox>(conditions, 1036)->currentText().toStdString(), core::platform::ResString(1273));
        editor.OnSave();
        ASSERT_EQ(boxes_.Count(), 1u);
        EXPECT_EQ(boxes_.Boxes()[0].text, core::platform::ResString(1307)) << boxes_.Boxes()[0].text;
        CConfiguration loaded;
        loaded.ResetAll();
        EXPECT_EQ(loaded.LoadFromFile(path, kSlot), 0) << "the saved file loads again";
        EXPECT_EQ(loaded.Slot(kSlot)->polarization, 1);
        editor.OnSend();
        ASSERT_EQ(boxes_.Count(), 2u);
        EXPECT_EQ(boxes_.Boxes()[1].text, core::platform::ResString(1302));
    }
    ui::platform::SetFileDialogHook(previous);
    EXPECT_EQ(HeldConditionAndPolarization(kSlot), std::make_pair(161, 1));
}

}  // namespace
