// What a dialog may ask of the instrument, and nothing more: the calibrations, the user
// illuminant (read, register, measure a light source), the L*a*b* of a colour-set colour. The dialogs never hold the instrument
// themselves; the session hands them its own (InstrumentSession::Link()), so every call goes
// through the adapter with which the session holds the instrument open, one library call at a
// time under the instrument lock, and a failed call that means the instrument's loss ends the
// connection there. Judge() is for the dialog's error manager, so such a fault is told once.
#pragma once

#include <array>
#include <cstdint>

#include "core/illuminant/LightSourceMeasurement.h"
#include "core/instrument/ErrorMng.h"

namespace ombra::core {

class DialogInstrument {
public:
    virtual ~DialogInstrument() = default;

    // The zero calibration (with the polarisation filter) and the white calibration of `kind`.
    virtual int32_t CalibrateZero() = 0;
    virtual int32_t CalibrateWhite(int32_t kind) = 0;
    // The user illuminant registered in the instrument, read into `record`.
    virtual int32_t ReadUserIlluminant(UserIlluminantRecord &record) = 0;
    // Registers `record` in the instrument (the library may write into it).
    virtual int32_t RegisterUserIlluminant(UserIlluminantRecord &record) = 0;
    // Measures a light source into `record` and `results` (see MeasureLightSource), then
    // sets back the stored measurement type and observer.
    virtual LightSourceMeasurement MeasureLightSource(uint32_t storedType, uint32_t storedObserver,
                                                      UserIlluminantRecord &record, IlluminantResults &results) = 0;
    // Measures a reflection and reads its L*a*b* into `lab` (unchanged on a failure), then sets
    // back the stored measurement type `storedTypeMask`.
    virtual int32_t MeasureColorLab(uint32_t storedTypeMask, std::array<double, 3> &lab) = 0;

    // True when `code` was the instrument's loss, ended and told; empty: every code is the
    // caller's to tell.
    virtual const LossJudge &Judge() const = 0;
};

}  // namespace ombra::core
