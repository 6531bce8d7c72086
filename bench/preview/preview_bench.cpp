// How long one update of the data-items preview takes: the layout worked out by two transfers
// into the in-memory sheet, and the same plus the pane taking it, for the default selection and
// for the full one (every item of every tab, as "Add all" on each tab leaves it). An update must
// fit well within one event-loop turn: a few tens of milliseconds at the very most.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardPaths>
#include <algorithm>
#include <span>
#include <vector>

#include "core/output/Catalogue.h"
#include "core/output/LayoutPreview.h"
#include "core/output/MemorySheet.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/Resources.h"
#include "support/MemoryProfileStore.h"
#include "ui/output/LayoutPreviewPane.h"

using namespace ombra::core;

namespace {

using namespace ombra;
using namespace ombra::ui;

std::vector<int> DefaultSelection() {
    std::span<const int> ids = DefaultSelectionIds(false);
    return {ids.begin(), ids.end()};
}

// Every tab added whole, in tab order: a group takes the place of the items it covers, an item
// a group covers is not added again.
std::vector<int> FullSelection() {
    DataItemCatalogue catalogue;
    catalogue.RebuildForType(MeasKind::Reflection);
    catalogue.RebuildDensity();
    std::vector<int> chosen;
    for (const OutputItemList *list : {&catalogue.generalItems, &catalogue.colourItems, &catalogue.spectralItems,
                                       &catalogue.densityItems}) {
        for (const OutputItem &item : *list) {
            int id = item.identifier;
            bool present = std::any_of(chosen.begin(), chosen.end(), [id](int c) { return c == id || GroupCovers(c, id); });
            if (present && id != item::kBlank) continue;
            if (IsGroupItem(id)) std::erase_if(chosen, [id](int c) { return GroupCovers(id, c); });
            chosen.push_back(id);
        }
    }
    return chosen;
}

TransferLayout DefaultLayout() {
    TransferLayout layout;
    layout.BlockSep = 13;
    return layout;
}

void Compute(benchmark::State &state, const std::vector<int> &ids) {
    for (auto _ : state) benchmark::DoNotOptimize(ComputeLayoutPreview(ids, DefaultLayout()));
    state.counters["items"] = static_cast<double>(ids.size());
    state.counters["cells"] = static_cast<double>(ComputeLayoutPreview(ids, DefaultLayout()).cells.size());
}

// The floor a preview is compared with: only the two transfers into the in-memory sheet, with
// the values built once beforehand and no cells taken out afterwards.
void TwoTransfersOnly(benchmark::State &state, const std::vector<int> &ids) {
    const OutputValues values = TypicalValues(ids, false);
    const TransferInput in{values.outputItems, values.valueItems, values.spectralCount, values.densityCount};
    const NoticeSink silent = [](const Notice &) { return 0; };
    for (auto _ : state) {
        MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/tmp/Preview.ods", "Preview.ods");
        for (int i = 0; i < 2; ++i) benchmark::DoNotOptimize(TransferMeasurement(sheet, DefaultLayout(), in, {}, silent));
    }
}

void ComputeAndShow(benchmark::State &state, const std::vector<int> &ids) {
    LayoutPreviewPane pane;
    pane.resize(700, 230);
    pane.show();
    for (auto _ : state) {
        pane.Show(ComputeLayoutPreview(ids, DefaultLayout()));
        QApplication::processEvents();  // the repaint that follows
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    core::platform::InstallProfileStore(std::make_unique<ombra::core::platform::MemoryProfileStore>());
    core::platform::LoadResourceLibrary(OMBRA_BIN_DIR "/libCorvexRes.so");
    const std::vector<int> byDefault = DefaultSelection(), full = FullSelection();
    benchmark::RegisterBenchmark("Floor_TwoTransfers/default", TwoTransfersOnly, byDefault)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Floor_TwoTransfers/full", TwoTransfersOnly, full)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewCompute/default", Compute, byDefault)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewCompute/full", Compute, full)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewUpdate/default", ComputeAndShow, byDefault)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewUpdate/full", ComputeAndShow, full)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
