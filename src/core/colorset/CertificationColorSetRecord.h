// The 1260-byte block in which the instrument library hands over and takes one colour
// set (little-endian, int = int32, float = IEEE single, texts NUL-terminated and
// zero-filled behind the NUL), and its conversion to and from ColorSet.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/colorset/ColorSet.h"
#include "fxapi/fxapi.h"

namespace ombra::core {

struct CertColorRecord {              // 48 bytes
    char name[12];                    // at most 9 characters
    float L;
    float a;
    float b;
    int32_t valid;                    // 0/1
    float tolerances[4];              // 0: not in use
    int32_t toleranceCheck;           // 0/1
};

struct CertToneStepRecord {           // 16 bytes
    uint8_t on;
    uint8_t padding[3];
    float tint;
    float aim;
    float tolerance;
};

struct CertToneRecord {               // 56 bytes
    int32_t enabled;
    int32_t color;
    CertToneStepRecord steps[3];
};

struct CertificationColorSetRecord {  // 1260 bytes
    char name[16];                    // at most 12 characters
    CertColorRecord colors[15];
    int32_t illuminant;
    int32_t observer;
    int32_t measurementCondition;     // instrument code
    int32_t differenceFormula;
    float factors[3];
    int32_t conditionMode;
    int32_t polarization;
    int32_t paperColor;               // -1: none
    int32_t toneSetting;
    int32_t toneMeasurementCondition; // instrument code
    float toneFactor;
    CertToneRecord tones[8];
    int32_t midToneEnabled;
    int32_t midToneStepIndex;
    int32_t midToneIndexes[3];
    float midToneTolerance;
};

static_assert(std::endian::native == std::endian::little, "the record is exchanged in little-endian order");
static_assert(std::is_trivially_copyable_v<CertificationColorSetRecord>);

static_assert(sizeof(CertColorRecord) == 48);
static_assert(offsetof(CertColorRecord, name) == 0);
static_assert(offsetof(CertColorRecord, L) == 12);
static_assert(offsetof(CertColorRecord, a) == 16);
static_assert(offsetof(CertColorRecord, b) == 20);
static_assert(offsetof(CertColorRecord, valid) == 24);
static_assert(offsetof(CertColorRecord, tolerances) == 28);
static_assert(offsetof(CertColorRecord, toleranceCheck) == 44);

static_assert(sizeof(CertToneStepRecord) == 16);
static_assert(offsetof(CertToneStepRecord, on) == 0);
static_assert(offsetof(CertToneStepRecord, tint) == 4);
static_assert(offsetof(CertToneStepRecord, aim) == 8);
static_assert(offsetof(CertToneStepRecord, tolerance) == 12);

static_assert(sizeof(CertToneRecord) == 56);
static_assert(offsetof(CertToneRecord, enabled) == 0);
static_assert(offsetof(CertToneRecord, color) == 4);
static_assert(offsetof(CertToneRecord, steps) == 8);

static_assert(sizeof(CertificationColorSetRecord) == 1260);
static_assert(offsetof(CertificationColorSetRecord, name) == 0);
static_assert(offsetof(CertificationColorSetRecord, colors) == 16);
static_assert(offsetof(CertificationColorSetRecord, illuminant) == 736);
static_assert(offsetof(CertificationColorSetRecord, observer) == 740);
static_assert(offsetof(CertificationColorSetRecord, measurementCondition) == 744);
static_assert(offsetof(CertificationColorSetRecord, differenceFormula) == 748);
static_assert(offsetof(CertificationColorSetRecord, factors) == 752);
static_assert(offsetof(CertificationColorSetRecord, conditionMode) == 764);
static_assert(offsetof(CertificationColorSetRecord, polarization) == 768);
static_assert(offsetof(CertificationColorSetRecord, paperColor) == 772);
static_assert(offsetof(CertificationColorSetRecord, toneSetting) == 776);
static_assert(offsetof(CertificationColorSetRecord, toneMeasurementCondition) == 780);
static_assert(offsetof(CertificationColorSetRecord, toneFactor) == 784);
static_assert(offsetof(CertificationColorSetRecord, tones) == 788);
static_assert(offsetof(CertificationColorSetRecord, midToneEnabled) == 1236);
static_assert(offsetof(CertificationColorSetRecord, midToneStepIndex) == 1240);
static_assert(offsetof(CertificationColorSetRecord, midToneIndexes) == 1244);
static_assert(offsetof(CertificationColorSetRecord, midToneTolerance) == 1256);
static_assert(sizeof(CertificationColorSetRecord) == DI_COLORSET_RECORD_SIZE);

// A set as the instrument sent it: `registered` true, zero tolerances not in use (5.0),
// each tone entry `defined` as it is enabled. Names end at the first NUL or at the end
// of their field, whichever comes first.
ColorSet ColorSetFromRecord(const CertificationColorSetRecord &record);

// The block to send for `set` (names cut to 12 and 9 bytes; `valid` and
// `toleranceCheck` sent as 1 only when they are 1; tolerances not in use sent as 0).
// `set.paperColor` goes out unchanged: the caller decides on an undefined paper colour.
CertificationColorSetRecord RecordFromColorSet(const ColorSet &set);

}  // namespace ombra::core
