// What the tests of references and comparisons share: the two usual viewing conditions and a
// reference made from a name and its L*a*b*.
#pragma once

#include <string>

#include "colorimetry/Colorimetry.h"
#include "core/quality/Reference.h"

namespace ombra::core::test {

inline const ViewingConditions kD50_2{colorimetry::kIlluminantD50, colorimetry::kObserver2};
inline const ViewingConditions kD65_10{colorimetry::kIlluminantD65, colorimetry::kObserver10};

inline Reference Ref(const std::string &name, Lab lab, ViewingConditions c = kD50_2) {
    Reference r;
    r.name = name;
    r.lab = lab;
    r.conditions = c;
    return r;
}

}  // namespace ombra::core::test
