#include "core/settings/AppSettings.h"

#include <QString>
#include <QSysInfo>

#include <algorithm>

#include "core/platform/Resources.h"
#include "core/quality/SampleAverager.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

// The stored names of the selection texts, by type position.
const char *SelectionValueName(int measurementTypeSel) {
    return measurementTypeSel != 0 ? "IrrSelDataItems" : "ReflSelDataItems";
}

}  // namespace

// ---- SettingsGroup ----

// Write failures are not told here: the store keeps the reason, and the window tells it
// once after the command that changed the settings.
void SettingsGroup::Write(const char *name, int value) const {
    owner_->Store().WriteInt(owner_->Section(), name, value);
}

void SettingsGroup::Write(const char *name, const std::string &value) const {
    owner_->Store().WriteString(owner_->Section(), name, value);
}

std::string SettingsGroup::Read(const char *name) const { return owner_->Store().GetString(owner_->Section(), name, ""); }

int SettingsGroup::ReadInt(const char *name, int defaultValue) const {
    return owner_->Store().GetInt(owner_->Section(), name, defaultValue);
}

void SettingsGroup::WriteProgramWide(const char *name, int value) const { owner_->Store().WriteInt("", name, value); }

int SettingsGroup::ReadProgramWide(const char *name, int defaultValue) const {
    return owner_->Store().GetInt("", name, defaultValue);
}

void SettingsGroup::WriteProgramWide(const char *name, const std::string &value) const {
    owner_->Store().WriteString("", name, value);
}

std::string SettingsGroup::ReadProgramWideText(const char *name, const std::string &defaultValue) const {
    return owner_->Store().GetString("", name, defaultValue);
}

// ---- MeasurementSettings ----

void MeasurementSettings::SetMeasurementTypeSel(int value) { Write("MeasurementTypeSel", v_.MeasurementTypeSel = value); }
void MeasurementSettings::SetMeasurementCondSel(int value) { Write("MeasurementCondSel", v_.MeasurementCondSel = value); }
void MeasurementSettings::SetDensityWhiteRefSel(int value) { Write("DensityWhiteRefSel", v_.DensityWhiteRefSel = value); }
void MeasurementSettings::SetObserverSel(int value) { Write("ObserverSel", v_.ObserverSel = value); }
void MeasurementSettings::SetIlluminantSel(int value) { Write("IlluminantSel", v_.IlluminantSel = value); }
void MeasurementSettings::SetPrevMeasSel(int value) { Write("PrevMeasSel", v_.PrevMeasSel = value); }
void MeasurementSettings::SetPolarizationSel(int value) { Write("PolarizationSel", v_.PolarizationSel = value); }
void MeasurementSettings::SetMeasurementType(int value) { Write("MeasurementType", v_.MeasurementType = value); }
void MeasurementSettings::SetMeasurementCond(int value) { Write("MeasurementCond", v_.MeasurementCond = value); }
void MeasurementSettings::SetObserver(int value) { Write("Observer", v_.Observer = value); }
void MeasurementSettings::SetIlluminant(int value) { Write("Illuminant", v_.Illuminant = value); }
void MeasurementSettings::SetPolarization(int value) { Write("Polarization", v_.Polarization = value); }
void MeasurementSettings::SetMeasTypeString(const std::string &value) { Write("MeasTypeString", v_.MeasTypeString = value); }
void MeasurementSettings::SetMeasCondString(const std::string &value) { Write("MeasCondString", v_.MeasCondString = value); }
void MeasurementSettings::SetDenWhiteRefString(const std::string &value) {
    Write("DenWhiteRefString", v_.DenWhiteRefString = value);
}
void MeasurementSettings::SetObserverString(const std::string &value) { Write("ObserverString", v_.ObserverString = value); }
void MeasurementSettings::SetIlluminantString(const std::string &value) {
    Write("IlluminantString", v_.IlluminantString = value);
}
void MeasurementSettings::SetPolarizationString(const std::string &value) {
    Write("PolarizationString", v_.PolarizationString = value);
}

void MeasurementSettings::StoreChoice(const MeasurementChoice &c) const {
    const struct {
        const char *name;
        int value;
    } ints[] = {
        {"MeasurementTypeSel", c.typeSel}, {"DensityWhiteRefSel", c.whiteRefSel}, {"ObserverSel", c.observerSel},
        {"PrevMeasSel", c.prevMeasSel},    {"MeasurementType", c.type},           {"MeasurementCond", c.condition},
        {"Observer", c.observer},          {"Illuminant", c.illuminant},          {"PolarizationSel", c.polarizationSel},
        {"Polarization", c.polarization},
    };
    for (const auto &v : ints) Write(v.name, v.value);
    const struct {
        const char *name;
        const std::string &text;
    } texts[] = {
        {"MeasTypeString", c.typeText},         {"MeasCondString", c.conditionText},
        {"DenWhiteRefString", c.whiteRefText},  {"ObserverString", c.observerText},
        {"IlluminantString", c.illuminantText}, {"PolarizationString", c.polarizationText},
    };
    for (const auto &t : texts) Write(t.name, t.text);
}

void MeasurementSettings::StoreMeasurementCondSel(int value) const { Write("MeasurementCondSel", value); }
void MeasurementSettings::StoreIlluminantSel(int value) const { Write("IlluminantSel", value); }

// ---- LayoutSettings ----

void LayoutSettings::SetLabel(int value) { Write("Label", v_.Label = value); }
void LayoutSettings::SetRow(int value) { Write("Row", v_.Row = value); }
void LayoutSettings::SetBlockSep(int value) { Write("BlockSep", v_.BlockSep = value); }
void LayoutSettings::SetValSep(int value) { Write("ValSep", v_.ValSep = value); }
void LayoutSettings::SetFuncSep(int value) { Write("FuncSep", v_.FuncSep = value); }

// ---- SelectionSettings ----

std::string SelectionSettings::StoredText(int measurementTypeSel) const {
    return Read(SelectionValueName(measurementTypeSel));
}

void SelectionSettings::StoreText(int measurementTypeSel, const OutputItemList &items) const {
    Write(SelectionValueName(measurementTypeSel), SelectionText(items));
}

// ---- SamplingSettings ----

int SamplingSettings::ReadingsPerSample() const {
    return std::clamp(ReadInt("ReadingsPerSample", kMinReadingsPerSample), kMinReadingsPerSample, kMaxReadingsPerSample);
}

void SamplingSettings::SetReadingsPerSample(int readings) {
    Write("ReadingsPerSample", std::clamp(readings, kMinReadingsPerSample, kMaxReadingsPerSample));
}

// ---- SampleSettings ----

namespace {
}  // namespace

std::string SampleSettings::Prefix() const {
    return ReadProgramWideText("SamplePrefix", platform::ResString(res::kStrSample) + " ");
}

int SampleSettings::NextNumber() const { return std::max(0, ReadProgramWide("SampleNextNumber", 1)); }
void SampleSettings::SetNextNumber(int number) { WriteProgramWide("SampleNextNumber", std::max(0, number)); }

// The names are kept one a line: a name never holds a line break.
std::vector<std::string> SampleSettings::List() const {
    std::vector<std::string> names;
    const std::string text = ReadProgramWideText("SampleList", "");
    for (size_t b = 0; b < text.size();) {
        size_t e = text.find('\n', b);
        if (e == std::string::npos) e = text.size();
        names.push_back(text.substr(b, e - b));
        b = e + 1;
    }
    return names;
}

int SampleSettings::ListPosition() const { return std::max(0, ReadProgramWide("SampleListNext", 0)); }
void SampleSettings::SetListPosition(int position) { WriteProgramWide("SampleListNext", std::max(0, position)); }

void SampleSettings::SetList(const std::vector<std::string> &names) {
    std::string text;
    for (const std::string &name : names) text += (text.empty() ? "" : "\n") + name;
    WriteProgramWide("SampleList", text);
    SetListPosition(0);
}

// ---- AppSettings ----

// ---- JournalServerSettings ----

std::string JournalServerSettings::Station() const {
    const std::string name = ReadProgramWideText("JournalStation", "");
    return name.empty() ? QSysInfo::machineHostName().toStdString() : name;
}

AppSettings &AppSettings::operator=(const AppSettings &other) {
    measurement = other.measurement;
    layout = other.layout;
    selection = other.selection;
    identity = other.identity;
    return *this;
}

AppSettings &Settings() {
    static AppSettings settings;
    return settings;
}

}  // namespace ombra::core
