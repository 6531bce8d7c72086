// Helpers of the colour-set tests: a fully filled sample set, file lines, and a scripted
// instrument that keeps the colour sets it holds.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/colorset/CertificationColorSetRecord.h"
#include "core/colorset/ColorSet.h"
#include "core/colorset/ColorSetFile.h"
#include "support/FakeInstrument.h"

namespace ombra::core::test {

// A set with a value of its own in every field, all of them in range and loadable as
// written (whole tints, two-decimal colours).
inline ColorSet SampleSet() {
    ColorSet s;
    s.name = "Press A 12";
    s.illuminant = 7;
    s.observer = 1;
    s.measurementCondition = 161;
    s.polarization = 1;
    s.differenceFormula = 3;
    s.factors = {2.0f, 1.5f, 0.75f};
    s.conditionMode = 2;
    s.paperColor = 0;
    for (int i = 0; i < kColorSetColors; ++i) {
        ColorEntry &c = s.colors[i];
        c.valid = i % 4 == 3 ? 0 : 1;  // colours 4, 8 and 12 are undefined
        c.name = c.valid ? "Col" + std::to_string(i + 1) : "";
        c.L = 10.25f + i;
        c.a = -20.5f + i;
        c.b = 30.75f - i;
        c.toleranceCheck = i % 2;
        for (int t = 0; t < kColorTolerances; ++t)
            c.tolerances[t] = (i + t) % 3 == 0 ? Tolerance{0, 5.0f} : Tolerance{1, 0.5f + 0.25f * t};
    }
    s.registered = false;
    s.toneSetting = 4;
    s.toneMeasurementCondition = 160;
    s.toneFactor = 2.5f;
    for (int i = 0; i < kColorSetTones; ++i) {
        ToneEntry &t = s.tones[i];
        t.enabled = i % 2;
        t.color = i;  // colour indexes 3 and 7 are undefined: those tone entries are off
        if (i == 3 || i == 7) t.enabled = 0;
        t.defined = t.enabled;
        for (int k = 0; k < kToneSteps; ++k)
            t.steps[k] = ToneStep{(i + k) % 2 == 0, float(80 - 20 * k + i), -10.5f + i + k, 1.5f + k};
    }
    s.midToneSpread = MidToneSpread{1, 2, {4, 5, 6}, 7.5f};
    return s;
}

// The lines of a file text (its line ends removed).
inline std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline std::string Join(const std::vector<std::string> &lines, const std::string &end = "\r\n") {
    std::string text;
    for (const std::string &line : lines) text += line + end;
    return text;
}

// A FakeInstrument whose colour-set calls keep what they are given: a slot answers 33
// until a set is sent to it (or put there with Hold), and clearing empties it again.
// Scripted results of the fake still come first.
class ColorSetInstrument {
public:
    ColorSetInstrument() {
        current() = this;
        DIFunctions table = FakeInstrument::Table();
        table.DIGetCertificationColorSet = &get;
        table.DISetCertificationColorSet = &set;
        table.DIClearCertificationColorSet = &clear;
        InstallInstrumentFunctions(table);
    }
    ~ColorSetInstrument() { current() = nullptr; }

    void Hold(int slot, const ColorSet &set) { held[slot] = RecordFromColorSet(set); }

    FakeInstrument fake;  // restores the previous function table when it goes
    std::map<int, CertificationColorSetRecord> held;
    std::vector<std::pair<int, CertificationColorSetRecord>> sent;

private:
    static ColorSetInstrument *&current() {
        static ColorSetInstrument *instance = nullptr;
        return instance;
    }
    static int32_t get(DIHANDLE h, int32_t slot, void *record) {
        int32_t rc = FakeInstrument::Table().DIGetCertificationColorSet(h, slot, record);
        if (rc != 0) return rc;
        auto it = current()->held.find(slot);
        if (it == current()->held.end()) return DI_ERR_COLORSET_EMPTY;
        *static_cast<CertificationColorSetRecord *>(record) = it->second;
        return 0;
    }
    static int32_t set(DIHANDLE h, int32_t slot, void *record) {
        int32_t rc = FakeInstrument::Table().DISetCertificationColorSet(h, slot, record);
        const auto &r = *static_cast<const CertificationColorSetRecord *>(record);
        current()->sent.emplace_back(slot, r);
        if (rc == 0) current()->held[slot] = r;
        return rc;
    }
    static int32_t clear(DIHANDLE h, int32_t slot) {
        int32_t rc = FakeInstrument::Table().DIClearCertificationColorSet(h, slot);
        if (rc == 0) current()->held.erase(slot);
        return rc;
    }
};

}  // namespace ombra::core::test
