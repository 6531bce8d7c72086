// The instrument of a dialog tested without a session: an adapter of its own over the process's
// function table (the FakeInstrument of the test) behind the operations dialogs may ask for.
// Without a judge every failure is told by its code; with one, the test decides what a loss is.
#pragma once

#include <utility>

#include "core/instrument/InstrumentLink.h"
#include "core/instrument/VireoDllAdapter.h"

namespace ombra::core::test {

namespace detail {
struct OwnAdapter {
    CVireoDllAdapter adapter;  // made before the link that calls through it
};
}  // namespace detail

class OwnInstrument : private detail::OwnAdapter, public InstrumentLink {
public:
    explicit OwnInstrument(LossJudge judge = {}) : InstrumentLink(adapter, std::move(judge)) {}
};

}  // namespace ombra::core::test
