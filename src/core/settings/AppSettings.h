// The settings of the program, in groups: what is measured and how (`measurement`), how the
// values are laid out in the sheet (`layout`), which data items are written (`selection`)
// and which instrument is connected (`identity`).
//
// Each group keeps the values in force in memory. A setter puts the value in force and
// writes it at once into the profile store, into the section of the current model (the
// model name; empty: the application level). The stored names and sections are known only
// to these groups and to LoadSettings. Values that go in force without being written
// (loading, or taking in force what was stored earlier) are changed through `InForce()`.
// Field names are the names of their stored values where one exists; the defaults are the
// values in force at start.
#pragma once

#include <string>
#include <vector>

#include "core/output/OutputItem.h"
#include "core/platform/ProfileStore.h"

namespace ombra::core {

class AppSettings;

// A group writes through the store of the settings object it belongs to. Assigning a group
// copies its values only: it keeps writing where it wrote before.
class SettingsGroup {
public:
    SettingsGroup(const SettingsGroup &) = delete;

protected:
    explicit SettingsGroup(AppSettings &owner) : owner_(&owner) {}
    SettingsGroup &operator=(const SettingsGroup &) { return *this; }
    ~SettingsGroup() = default;

    void Write(const char *name, int value) const;
    void Write(const char *name, const std::string &value) const;
    std::string Read(const char *name) const;
    int ReadInt(const char *name, int defaultValue) const;
    // The same at the application level, for every model alike.
    void WriteProgramWide(const char *name, int value) const;
    int ReadProgramWide(const char *name, int defaultValue) const;
    void WriteProgramWide(const char *name, const std::string &value) const;
    std::string ReadProgramWideText(const char *name, const std::string &defaultValue) const;

private:
    AppSettings *owner_;
};

struct MeasurementValues {
    int MeasurementTypeSel = 0;  // 0 reflection, otherwise irradiance
    int MeasurementCondSel = 0;
    int DensityWhiteRefSel = 0;
    int ObserverSel = 0;
    int IlluminantSel = 2;
    int PrevMeasSel = 1;         // measurement type code in force before the last change
    int PolarizationSel = 0;
    int MeasurementType = 1;     // bit code: 1 reflection, 4 irradiance
    int MeasurementCond = 4;     // bit code
    int Observer = 1;            // bit code
    int Illuminant = 4;          // bit code
    int Polarization = 0;        // 0 or 1
    std::string MeasTypeString;
    std::string MeasCondString;
    std::string DenWhiteRefString;
    std::string ObserverString;
    std::string IlluminantString;
    std::string PolarizationString;
};

// What the measurement settings dialog stores at OK, before the instrument has taken it:
// positions, codes and shown texts of the six lists.
struct MeasurementChoice {
    int typeSel = 0, whiteRefSel = 0, observerSel = 0, prevMeasSel = 0;
    int type = 0, condition = 0, observer = 0, illuminant = 0;
    int polarizationSel = 0, polarization = 0;
    std::string typeText, conditionText, whiteRefText, observerText, illuminantText, polarizationText;
};

class MeasurementSettings : public SettingsGroup {
public:
    explicit MeasurementSettings(AppSettings &owner) : SettingsGroup(owner) {}
    MeasurementSettings &operator=(const MeasurementSettings &) = default;

    int MeasurementTypeSel() const { return v_.MeasurementTypeSel; }
    int MeasurementCondSel() const { return v_.MeasurementCondSel; }
    int DensityWhiteRefSel() const { return v_.DensityWhiteRefSel; }
    int ObserverSel() const { return v_.ObserverSel; }
    int IlluminantSel() const { return v_.IlluminantSel; }
    int PrevMeasSel() const { return v_.PrevMeasSel; }
    int PolarizationSel() const { return v_.PolarizationSel; }
    int MeasurementType() const { return v_.MeasurementType; }
    int MeasurementCond() const { return v_.MeasurementCond; }
    int Observer() const { return v_.Observer; }
    int Illuminant() const { return v_.Illuminant; }
    int Polarization() const { return v_.Polarization; }
    const std::string &MeasTypeString() const { return v_.MeasTypeString; }
    const std::string &MeasCondString() const { return v_.MeasCondString; }
    const std::string &DenWhiteRefString() const { return v_.DenWhiteRefString; }
    const std::string &ObserverString() const { return v_.ObserverString; }
    const std::string &IlluminantString() const { return v_.IlluminantString; }
    const std::string &PolarizationString() const { return v_.PolarizationString; }

    // In force and stored at once.
    void SetMeasurementTypeSel(int value);
    void SetMeasurementCondSel(int value);
    void SetDensityWhiteRefSel(int value);
    void SetObserverSel(int value);
    void SetIlluminantSel(int value);
    void SetPrevMeasSel(int value);
    void SetPolarizationSel(int value);
    void SetMeasurementType(int value);
    void SetMeasurementCond(int value);
    void SetObserver(int value);
    void SetIlluminant(int value);
    void SetPolarization(int value);
    void SetMeasTypeString(const std::string &value);
    void SetMeasCondString(const std::string &value);
    void SetDenWhiteRefString(const std::string &value);
    void SetObserverString(const std::string &value);
    void SetIlluminantString(const std::string &value);
    void SetPolarizationString(const std::string &value);

    // Stores `choice` (the sixteen values, in a fixed order) without putting it in force.
    void StoreChoice(const MeasurementChoice &choice) const;
    // Stored without being put in force: the positions of a condition and an illuminant the
    // instrument accepted, in force once the dialog closes with OK.
    void StoreMeasurementCondSel(int value) const;
    void StoreIlluminantSel(int value) const;

    MeasurementValues &InForce() { return v_; }
    const MeasurementValues &InForce() const { return v_; }

private:
    MeasurementValues v_;
};

struct LayoutValues {
    int Label = 1;     // 0: no labels; 1: a label with every value; 2: the labels once, above a table
    int Row = 0;       // output direction
    int BlockSep = 0;  // 13 once loaded
    int ValSep = 5;
    int FuncSep = 5;
};

class LayoutSettings : public SettingsGroup {
public:
    explicit LayoutSettings(AppSettings &owner) : SettingsGroup(owner) {}
    LayoutSettings &operator=(const LayoutSettings &) = default;

    int Label() const { return v_.Label; }
    int Row() const { return v_.Row; }
    int BlockSep() const { return v_.BlockSep; }
    int ValSep() const { return v_.ValSep; }
    int FuncSep() const { return v_.FuncSep; }

    // In force and stored at once.
    void SetLabel(int value);
    void SetRow(int value);
    void SetBlockSep(int value);
    void SetValSep(int value);
    void SetFuncSep(int value);

    LayoutValues &InForce() { return v_; }
    const LayoutValues &InForce() const { return v_; }

private:
    LayoutValues v_;
};

struct SelectionValues {
    OutputItemList reflectionSelection;
    OutputItemList irradianceSelection;
    bool densitySpectrumSelected = false;
    OutputItemList densitySpectrumItems;  // items of the reflection selection in 2380..2730
};

// The data items written for each type. In memory they are item lists; they are stored as
// selection texts (see SelectionText) when the user or a type change sets them.
class SelectionSettings : public SettingsGroup {
public:
    explicit SelectionSettings(AppSettings &owner) : SettingsGroup(owner) {}
    SelectionSettings &operator=(const SelectionSettings &) = default;

    const OutputItemList &Reflection() const { return v_.reflectionSelection; }
    const OutputItemList &Irradiance() const { return v_.irradianceSelection; }
    bool DensitySpectrumSelected() const { return v_.densitySpectrumSelected; }
    const OutputItemList &DensitySpectrumItems() const { return v_.densitySpectrumItems; }

    // Not stored: the flag follows the reflection selection.
    void SetDensitySpectrumSelected(bool selected) { v_.densitySpectrumSelected = selected; }
    void ClearReflection() { v_.reflectionSelection.clear(); }

    // The stored selection text of a type position (0 reflection, otherwise irradiance);
    // empty when none is stored.
    std::string StoredText(int measurementTypeSel) const;
    // Stores the selection text of `items` for a type position.
    void StoreText(int measurementTypeSel, const OutputItemList &items) const;

    SelectionValues &InForce() { return v_; }
    const SelectionValues &InForce() const { return v_; }

private:
    SelectionValues v_;
};

// How the program makes itself heard and seen, the same for every model: whether the main
// window shows its result panel, and a short sound when a
// measurement does not reach the sheet (on unless switched off). Read from the store when asked.
class FeedbackSettings : public SettingsGroup {
public:
    explicit FeedbackSettings(AppSettings &owner) : SettingsGroup(owner) {}
    FeedbackSettings &operator=(const FeedbackSettings &) = default;

    bool MissSound() const { return ReadProgramWide("MissSound", 1) != 0; }
    void SetMissSound(bool on) { WriteProgramWide("MissSound", on ? 1 : 0); }
    // The main window's result panel is shown (on unless hidden from the View menu).
    bool ResultPanelShown() const { return ReadProgramWide("ResultPanel", 1) != 0; }
    void SetResultPanelShown(bool on) { WriteProgramWide("ResultPanel", on ? 1 : 0); }
};

// How many readings of one sample make one measurement (1..10, 1 unless set), for the
// current model. Read from the store when asked; values outside the range are held to it.
class SamplingSettings : public SettingsGroup {
public:
    explicit SamplingSettings(AppSettings &owner) : SettingsGroup(owner) {}
    SamplingSettings &operator=(const SamplingSettings &) = default;

    int ReadingsPerSample() const;
    void SetReadingsPerSample(int readings);
};

// How the Sample item names the samples, the same for every model: automatically (a prefix
// and a number that goes on from the last one written) or from a list of names loaded once,
// taken in order. Read from the store when asked, so the numbering goes on after a restart.
class SampleSettings : public SettingsGroup {
public:
    enum class Naming { Automatic = 0, List = 1 };

    explicit SampleSettings(AppSettings &owner) : SettingsGroup(owner) {}
    SampleSettings &operator=(const SampleSettings &) = default;

    Naming Mode() const { return ReadProgramWide("SampleNaming", 0) == 1 ? Naming::List : Naming::Automatic; }
    void SetMode(Naming mode) { WriteProgramWide("SampleNaming", mode == Naming::List ? 1 : 0); }
    std::string Prefix() const;  // "Sample " unless set
    void SetPrefix(const std::string &prefix) { WriteProgramWide("SamplePrefix", prefix); }
    int NextNumber() const;      // 1 unless set; never below 0
    void SetNextNumber(int number);
    // The names of the list loaded last, and the place of the next one to take (0 first).
    std::vector<std::string> List() const;
    int ListPosition() const;
    void SetListPosition(int position);
    // A new list: taken from its first name on.
    void SetList(const std::vector<std::string> &names);
};

// The shared journal, the same for every model: the PostgreSQL server every measurement is also
// sent to ("postgresql://user@host:port/dbname"; empty: none, the journal stays local) and the
// name this station is known by there (the computer's host name unless set). The password is
// never kept here: the server's client library reads it from the user's ~/.pgpass.
class JournalServerSettings : public SettingsGroup {
public:
    explicit JournalServerSettings(AppSettings &owner) : SettingsGroup(owner) {}
    JournalServerSettings &operator=(const JournalServerSettings &) = default;

    std::string Url() const { return ReadProgramWideText("JournalServer", ""); }
    void SetUrl(const std::string &url) { WriteProgramWide("JournalServer", url); }
    std::string Station() const;
    void SetStation(const std::string &name) { WriteProgramWide("JournalStation", name); }
};

// The instrument last identified and the device chosen in the connect dialog; kept in
// memory only. The model name is the section the other groups store into.
class InstrumentIdentity {
public:
    const std::string &ModelName() const { return modelName_; }
    const std::string &SerialNumberText() const { return serialNumberText_; }
    int SelectedInstrument() const { return selectedInstrument_; }
    void SetModelName(const std::string &name) { modelName_ = name; }
    void SetSerialNumberText(const std::string &text) { serialNumberText_ = text; }
    void SetSelectedInstrument(int index) { selectedInstrument_ = index; }

private:
    std::string modelName_;
    std::string serialNumberText_ = "0";
    int selectedInstrument_ = 0;  // index chosen in the connect dialog
};

class AppSettings {
public:
    // Writes into the program's store in use at each write (platform::Profile()).
    AppSettings() = default;
    // Writes into `store`, which must outlive the settings.
    explicit AppSettings(platform::ProfileStore &store) : store_(&store) {}
    // A copy writes where the original writes.
    AppSettings(const AppSettings &other) : store_(other.store_) { *this = other; }
    // Takes the values in force of `other` (writes nothing); the store stays.
    AppSettings &operator=(const AppSettings &other);

    platform::ProfileStore &Store() const { return store_ ? *store_ : platform::Profile(); }
    // The section of the current model.
    const std::string &Section() const { return identity.ModelName(); }

    MeasurementSettings measurement{*this};
    LayoutSettings layout{*this};
    SelectionSettings selection{*this};
    FeedbackSettings feedback{*this};
    SamplingSettings sampling{*this};
    SampleSettings samples{*this};
    JournalServerSettings journalServer{*this};
    InstrumentIdentity identity;

private:
    platform::ProfileStore *store_ = nullptr;
};

// The settings object of the program, for the windows (core code is handed the groups it
// needs instead).
AppSettings &Settings();

}  // namespace ombra::core
