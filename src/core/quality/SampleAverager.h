// Several readings of one sample made into one measurement: the readings of the measured
// record are collected until there are as many as the sample takes; the mean record then holds
// the mean of every delivered value (spectra, colour values, densities), and the spread says
// how far the readings lie apart (standard deviations of L*, a*, b* and the largest ΔE00 of a
// reading from the mean).
#pragma once

#include <optional>
#include <vector>

#include "core/instrument/MeasuredData.h"

namespace ombra::core {

inline constexpr int kMinReadingsPerSample = 1;
inline constexpr int kMaxReadingsPerSample = 10;

struct SampleSpread {
    double sdL = 0, sdA = 0, sdB = 0;  // sample standard deviations (n − 1); 0 for one reading
    double maxDeltaE00 = 0;            // of a reading's L*a*b* from the mean's
};

class SampleAverager {
public:
    // `readings` is held to 1..10.
    explicit SampleAverager(int readings = kMinReadingsPerSample);

    int Readings() const { return readings_; }
    // Changing the count discards a partial sample.
    void SetReadings(int readings);

    int Collected() const { return static_cast<int>(records_.size()); }
    bool Complete() const { return Collected() == readings_; }

    // Takes one reading; a complete sample starts over with this reading.
    void Add(const MeasuredDataRecord &record);
    void Discard() { records_.clear(); }

    // After the last reading: the mean record. A value one reading did not deliver is not
    // delivered in the mean; the hue angle is averaged on the circle; the automatic spot
    // density is the mean of the readings that found the most frequent wavelength.
    std::optional<MeasuredDataRecord> Mean() const;
    // After the last reading, when every reading delivered L*a*b*.
    std::optional<SampleSpread> Spread() const;
    const std::vector<MeasuredDataRecord> &Records() const { return records_; }

private:
    int readings_;
    std::vector<MeasuredDataRecord> records_;
};

}  // namespace ombra::core
