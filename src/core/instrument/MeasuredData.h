// The results of the current measurement: the spectral grid of the measurement type and one
// fixed-size record per collected measurement. The record layout is the contract between
// the collector and every reader; readers address fields by 4-byte index.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace ombra::core {

class MeasuredDataRecord {
public:
    static constexpr int kCells = 494;          // 1976 bytes
    static constexpr int kSpectrum = 0;         // 97 floats
    static constexpr int kIrradianceSpectrumFirst = 12;  // 75 values, 360..730 nm, places 12..86
    // The results fetched by item (property 5, 6 or 7 and its value), each at a fixed place.
    static constexpr int kColorValue0 = 97;   // 3 floats, item 0x1
    static constexpr int kColorValue1 = 100;  // 3 floats, item 0x2
    static constexpr int kColorValue3 = 103;  // 3 floats, item 0x4
    static constexpr int kColorValue2 = 106;  // 3 floats, item 0x8
    static constexpr int kColorValue4 = 109;  // 3 floats, item 0x10
    static constexpr int kDensitySet0 = 112;  // 4 floats each, items 0x20..0x200
    static constexpr int kDensitySet1 = 116;
    static constexpr int kDensitySet2 = 120;
    static constexpr int kDensitySet3 = 124;
    static constexpr int kDensitySet4 = 128;
    static constexpr int kColorIndex1 = 132;  // 2 floats, item 0x1000
    static constexpr int kColorIndex0 = 134;  // 1 float, item 0x2000
    static constexpr int kColorIndex2 = 135;  // 3 floats, item 0x4000
    static constexpr int kColorValue6 = 138;  // 3 floats, item 0x10000
    static constexpr int kSpotDensityFirst = 141;        // 351 floats, 380..730 nm
    static constexpr int kAutoSpotDensity = 492;
    static constexpr int kAutoSpotWavelength = 493;      // an int32, not a float

    MeasuredDataRecord() { std::memset(cells_, 0, sizeof cells_); }

    float Float(int index) const { return cells_[index]; }
    void SetFloat(int index, float v) { cells_[index] = v; }
    int32_t Int(int index) const {
        int32_t v;
        std::memcpy(&v, &cells_[index], sizeof v);
        return v;
    }
    void SetInt(int index, int32_t v) { std::memcpy(&cells_[index], &v, sizeof v); }

    // Place of the spot-colour density of `wavelengthNm` (380..730).
    static constexpr int SpotDensityIndex(int wavelengthNm) { return kSpotDensityFirst + wavelengthNm - 380; }

    float *FloatsAt(int index) { return &cells_[index]; }
    const uint8_t *Bytes() const { return reinterpret_cast<const uint8_t *>(cells_); }

private:
    float cells_[kCells];  // index 493 holds an int32's bits
};
static_assert(sizeof(MeasuredDataRecord) == 1976, "measured-data record is 1976 bytes");

class CMeasuredData {
public:
    virtual ~CMeasuredData() = default;

    int32_t firstWavelength = 0;
    int32_t lastWavelength = 0;
    int32_t spectralCount = 0;
    int32_t wavelengthInterval = 0;

    // Header for measurement type code `type` (1 reflection: 380..730/36/10; otherwise 300..780/97/5).
    void SetHeaderForType(int type) {
        bool reflection = type == 1;
        firstWavelength = reflection ? 380 : 300;
        lastWavelength = reflection ? 730 : 780;
        spectralCount = reflection ? 36 : 97;
        wavelengthInterval = reflection ? 10 : 5;
    }

    void Empty() { records_.clear(); }
    void Reserve(size_t n) { records_.reserve(n); }
    void Append(const MeasuredDataRecord &record) { records_.push_back(record); }
    size_t Count() const { return records_.size(); }
    const MeasuredDataRecord &Record(size_t i) const { return records_.at(i); }
    const std::vector<MeasuredDataRecord> &Records() const { return records_; }

private:
    std::vector<MeasuredDataRecord> records_;
};

}  // namespace ombra::core
