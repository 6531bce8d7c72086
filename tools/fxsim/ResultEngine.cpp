#include "ResultEngine.h"

namespace fxsim {

namespace cm = ombra::colorimetry;

namespace {

class ColorimetryEngine final : public ResultEngine {
public:
    cm::InstrumentResults Evaluate(const MeasurementInput &input) const override {
        if (input.Irradiance()) return cm::Measure(input.sample.light);
        cm::MeasurementProperties props;
        props.observer = input.observer;
        props.illuminant = input.illuminant;
        props.condition = input.condition;
        props.polarised = input.polarized;
        props.userIlluminant = input.userIlluminant;
        return cm::Measure(input.sample.reflecting, props);
    }
};

}  // namespace

std::unique_ptr<ResultEngine> MakeResultEngine() { return std::make_unique<ColorimetryEngine>(); }

}  // namespace fxsim
