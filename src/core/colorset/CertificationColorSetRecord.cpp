#include "core/colorset/CertificationColorSetRecord.h"

#include <algorithm>
#include <cstring>

namespace ombra::core {
namespace {

// A text field that need not hold a NUL: never read past its end.
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// Copies at most `limit` bytes; the rest of the field stays zero.
template <size_t N>
void putText(char (&field)[N], const std::string &text, size_t limit) {
    static_assert(N > 0);
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min({text.size(), limit, N - 1}));
}

Tolerance toleranceFromValue(float value) {
    return value != 0.0f ? Tolerance{1, value} : Tolerance{0, 5.0f};
}

ColorEntry colorFromRecord(const CertColorRecord &r) {
    ColorEntry c;
    c.name = fieldText(r.name);
    c.L = r.L;
    c.a = r.a;
    c.b = r.b;
    c.valid = r.valid;
    c.toleranceCheck = r.toleranceCheck;
    for (int i = 0; i < kColorTolerances; ++i) c.tolerances[i] = toleranceFromValue(r.tolerances[i]);
    return c;
}

ToneEntry toneFromRecord(const CertToneRecord &r) {
    ToneEntry t;
    t.enabled = r.enabled;
    t.color = r.color;
    for (int i = 0; i < kToneSteps; ++i) {
        const CertToneStepRecord &s = r.steps[i];
        t.steps[i] = ToneStep{s.on != 0, s.tint, s.aim, s.tolerance};
    }
    t.defined = r.enabled == 1 ? 1 : 0;
    return t;
}

void colorToRecord(const ColorEntry &c, CertColorRecord &r) {
    putText(r.name, c.name, kColorNameLimit);
    r.L = c.L;
    r.a = c.a;
    r.b = c.b;
    r.valid = c.valid == 1 ? 1 : 0;
    for (int i = 0; i < kColorTolerances; ++i) r.tolerances[i] = c.tolerances[i].inUse ? c.tolerances[i].value : 0.0f;
    r.toleranceCheck = c.toleranceCheck == 1 ? 1 : 0;
}

void toneToRecord(const ToneEntry &t, CertToneRecord &r) {
    r.enabled = t.enabled;
    r.color = t.color;
    for (int i = 0; i < kToneSteps; ++i) {
        const ToneStep &s = t.steps[i];
        r.steps[i].on = s.on ? 1 : 0;
        r.steps[i].tint = s.tint;
        r.steps[i].aim = s.aim;
        r.steps[i].tolerance = s.tolerance;
    }
}

}  // namespace

ColorSet ColorSetFromRecord(const CertificationColorSetRecord &record) {
    ColorSet set;
    set.name = fieldText(record.name);
    for (int i = 0; i < kColorSetColors; ++i) set.colors[i] = colorFromRecord(record.colors[i]);
    set.illuminant = record.illuminant;
    set.observer = record.observer;
    set.measurementCondition = record.measurementCondition;
    set.differenceFormula = record.differenceFormula;
    std::copy(std::begin(record.factors), std::end(record.factors), set.factors.begin());
    set.conditionMode = record.conditionMode;
    // The filter goes with the polarised condition only. A slot holding another pair is read
    // as its condition says, so that the pages show it, and sending and saving keep it whole.
    set.polarization = PolarizationForCondition(record.measurementCondition);
    set.paperColor = record.paperColor;
    set.toneSetting = record.toneSetting;
    set.toneMeasurementCondition = record.toneMeasurementCondition;
    set.toneFactor = record.toneFactor;
    for (int i = 0; i < kColorSetTones; ++i) set.tones[i] = toneFromRecord(record.tones[i]);
    set.midToneSpread.enabled = record.midToneEnabled;
    set.midToneSpread.stepIndex = record.midToneStepIndex;
    std::copy(std::begin(record.midToneIndexes), std::end(record.midToneIndexes),
              set.midToneSpread.toneIndexes.begin());
    set.midToneSpread.tolerance = record.midToneTolerance;
    set.registered = true;
    return set;
}

CertificationColorSetRecord RecordFromColorSet(const ColorSet &set) {
    CertificationColorSetRecord record{};
    putText(record.name, set.name, kColorSetNameLimit);
    for (int i = 0; i < kColorSetColors; ++i) colorToRecord(set.colors[i], record.colors[i]);
    record.illuminant = set.illuminant;
    record.observer = set.observer;
    record.measurementCondition = set.measurementCondition;
    record.differenceFormula = set.differenceFormula;
    std::copy(set.factors.begin(), set.factors.end(), record.factors);
    record.conditionMode = set.conditionMode;
    record.polarization = set.polarization;
    record.paperColor = set.paperColor;
    record.toneSetting = set.toneSetting;
    record.toneMeasurementCondition = set.toneMeasurementCondition;
    record.toneFactor = set.toneFactor;
    for (int i = 0; i < kColorSetTones; ++i) toneToRecord(set.tones[i], record.tones[i]);
    record.midToneEnabled = set.midToneSpread.enabled;
    record.midToneStepIndex = set.midToneSpread.stepIndex;
    std::copy(set.midToneSpread.toneIndexes.begin(), set.midToneSpread.toneIndexes.end(), record.midToneIndexes);
    record.midToneTolerance = set.midToneSpread.tolerance;
    return record;
}

}  // namespace ombra::core
