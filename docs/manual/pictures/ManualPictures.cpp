// manual-pictures: renders the manual's pictures from the program's real dialogs, offscreen.
//
//   manual-pictures OUTPUT_DIR RESOURCE_LIBRARY PROGRAM_DIR
//
// Every picture is a PNG in OUTPUT_DIR, written atomically. The manual is English, whatever the
// locale of the build: its pictures show the English texts, and the appendix's "-de" pictures
// the German ones. The dialogs run against settings
// kept in memory and a scripted instrument, so rendering never touches a user's settings or
// an instrument. Pictures are drawn at twice the screen scale, so they print sharply.
#include <QApplication>
#include <QComboBox>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/colorset/Configuration.h"
#include "core/instrument/MeasuredData.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/ResultSummary.h"
#include "core/platform/AtomicFile.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/MemoryProfileStore.h"
#include "support/OwnInstrument.h"
#include "ui/colorset/CColorDataEditScreenDlg.h"
#include "ui/colorset/CEditToneDataDlg.h"
#include "ui/colorset/ColorSetPage.h"
#include "ui/colorset/ColorSetPages.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/instrument/CalibrationDlg.h"
#include "ui/instrument/MeasSettingsDlg.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/output/CDataItemsDlg.h"
#include "ui/output/LayoutPreviewPane.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/output/ResultPanel.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

namespace {

using namespace ombra;
using namespace ombra::ui;
using namespace ombra::core;

std::string g_programDir;

// Lets every pending layout and preview update happen, then takes the widget's picture.
QImage Picture(QWidget &widget) {
    widget.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    return widget.grab().toImage();
}

// ---- Data items and the cell layout ----

struct Layout {
    std::vector<int> selection;
    int label = 1, row = 0, valSep = 5, funcSep = 5, blockSep = 13;
};

// Settings kept in memory: what a dialog stores while it is drawn goes nowhere.
ombra::core::platform::MemoryProfileStore &PictureStore() {
    static ombra::core::platform::MemoryProfileStore store;
    return store;
}

AppSettings DataItemSettings(const Layout &l) {
    AppSettings s(PictureStore());
    s.identity.SetModelName(core::platform::ResString(1234));
    for (int id : l.selection) s.selection.InForce().reflectionSelection.push_back(MakeItem(id));
    LayoutValues &layout = s.layout.InForce();
    layout.Label = l.label;
    layout.Row = l.row;
    layout.ValSep = l.valSep;
    layout.FuncSep = l.funcSep;
    layout.BlockSep = l.blockSep;
    return s;
}

std::vector<int> DefaultReflection() {
    std::span<const int> ids = DefaultSelectionIds(false);
    return {ids.begin(), ids.end()};
}

// At the size it opens with (no smaller than the pictures beside it): German needs more room.
QImage DataItemsDialog() {
    AppSettings s = DataItemSettings({DefaultReflection()});
    CDataItemsDlg dlg(nullptr, s);
    dlg.resize(dlg.sizeHint().expandedTo(QSize(760, 640)));
    return Picture(dlg);
}

// The preview pane of the dialog opened on `layout`.
QImage Preview(const Layout &layout, int height = 230) {
    AppSettings s = DataItemSettings(layout);
    CDataItemsDlg dlg(nullptr, s);
    dlg.resize(760, 640);
    Picture(dlg);
    auto *pane = dlg.findChild<LayoutPreviewPane *>(QStringLiteral("preview"));
    if (!pane) return {};
    pane->setParent(nullptr);  // grabbed at a size of its own
    pane->resize(600, height);
    QImage image = Picture(*pane);
    delete pane;
    return image;
}

// ---- Instrument dialogs ----

// A cyan ink on paper as the instrument reports it, 380..730 nm; `shift` moves its band.
JournalEntry CyanMeasurement(const std::string &time, double shift, const std::string &range) {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = time;
    e.model = core::platform::ResString(1234);
    e.serial = "4711";
    // Recorded as the program in the pictures' language would record them.
    const bool german = core::platform::ResourceLanguage() == "de";
    e.settingTexts = {core::platform::ResString(1140), "M1", german ? "Papier" : "Paper", "2°", "D50",
                      german ? core::platform::ResString(1282) : "No polarisation"};
    MeasuredDataRecord record;
    for (int k = 0; k < 36; ++k) {
        const double nm = 380 + 10 * k - shift;
        record.SetFloat(k, float(0.04 + 0.72 * std::exp(-std::pow((nm - 485) / 62.0, 2))));
    }
    e.rawRecord.assign(reinterpret_cast<const char *>(record.Bytes()), sizeof record);
    // The labels of Date, Time, Status E C, M, Y, V, L*, a*, b*.
    const std::pair<int, std::string> values[] = {
        {1138, e.date}, {1139, e.time}, {1125, "1.38"}, {1126, "0.47"},
        {1127, "0.12"}, {1251, "0.52"}, {1100, "56.41"}, {1101, "-37.12"}, {1102, "-49.86"}};
    for (const auto &[label, value] : values) e.valueItems.push_back({0, core::platform::ResString(label), 0, value});
    for (int id : DefaultReflection()) e.outputItems.push_back(MakeItem(id));
    e.outcome = TransferOutcome::Of(TransferResult::Written, MissReason::None);
    e.outcome.workbookName = "Book1.ods";
    e.outcome.sheetName = "Sheet1";
    e.outcome.firstCell = range.substr(0, range.find(':'));
    e.outcome.lastCell = range.substr(range.find(':') + 1);
    return e;
}

QImage MainWindow() {
    CVireoDataTransferSoftwareDlg window(QStringLiteral(OMBRA_VERSION));
    window.Panel()->ShowNext(SummariseEntry(CyanMeasurement("10:41:07", 12, "A1:I2")));
    window.Panel()->ShowNext(SummariseEntry(CyanMeasurement("10:41:32", 0, "A3:I4")));
    window.Panel()->SetCounts(2, 0);
    return Picture(window);
}

// Two measurements of the journal selected: side by side, each curve behind the other.
QImage MeasurementsWindow() {
    QTemporaryDir folder;
    MeasurementJournal journal(nullptr, folder.path() + "/journal.sqlite", {folder.path()});
    std::vector<qint64> ids;
    for (const auto &[time, shift] : {std::pair{"10:41:07", 12.0}, std::pair{"10:41:32", 0.0}}) {
        JournalEntry e = CyanMeasurement(time, shift, "A1:I2");
        const TransferOutcome outcome = e.outcome;
        e.outcome = TransferOutcome::Of(TransferResult::Pending, MissReason::None);  // recorded before the transfer, as every measurement is
        if (const auto id = journal.Record(e)) {
            journal.SetOutcome(*id, outcome);
            ids.push_back(*id);
        }
    }
    MeasurementsDlg dlg(journal, nullptr);
    dlg.SelectIds(ids);
    dlg.resize(900, 640);
    return Picture(dlg);
}

QImage MeasurementSettingsDialog() {
    ombra::core::test::FakeInstrument instrument;
    DeviceHandle() = instrument.AddDevice();
    AppSettings s(PictureStore());
    s.identity.SetModelName(core::platform::ResString(1234));
    CMeasSettingsDlg dlg(nullptr, s);
    QImage image = Picture(dlg);
    DeviceHandle() = 0;
    return image;
}

QImage Calibration() {
    ombra::core::test::FakeInstrument instrument;
    DeviceHandle() = instrument.AddDevice();
    ombra::core::test::OwnInstrument own;
    CCalibrationDlg dlg(WhiteCalibrationStep(g_programDir), own);
    QImage image = Picture(dlg);
    DeviceHandle() = 0;
    return image;
}

// The editor with a warm lamp's spectrum opened (300 to 780 nm in 5 nm steps, about 1000 lx).
QImage UserIlluminant() {
    Settings().identity.SetModelName(core::platform::ResString(1234));
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/lamp.uid";
    std::string text;
    for (int i = 0; i < 97; ++i) text += QString::number(1.25 * i, 'f', 4).toStdString() + "\n";
    if (!folder.isValid() || !core::platform::WriteFileAtomically(path, text)) return {};
    ui::platform::FileDialogHook previous =
        ui::platform::SetFileDialogHook([&path](const ui::platform::FileDialogRequest &) { return std::optional(path); });
    ombra::core::test::OwnInstrument own;
    CUserIlluminantDlg dlg(own);
    dlg.OnOpen();
    ui::platform::SetFileDialogHook(previous);
    return Picture(dlg);
}

// ---- Colour sets ----

constexpr int kSlot = 1;

// A press check set: paper, the process colours and their overprints, three tone entries.
ColorSet PressSet() {
    ColorSet s;
    s.name = "Offset ISO";
    s.illuminant = 2;
    s.observer = 1;
    s.measurementCondition = 0;
    s.differenceFormula = 0;
    s.paperColor = 0;
    struct Colour {
        const char *name;
        float L, a, b;
    };
    const Colour colours[] = {{"Paper", 95.0f, 1.0f, -4.0f},  {"Cyan", 56.0f, -37.0f, -50.0f},
                              {"Magenta", 48.0f, 74.0f, -3.0f}, {"Yellow", 89.0f, -5.0f, 93.0f},
                              {"Black", 16.0f, 0.0f, 0.0f},   {"Red", 47.0f, 68.0f, 48.0f},
                              {"Green", 50.0f, -65.0f, 27.0f}, {"Blue", 24.0f, 22.0f, -46.0f}};
    int i = 0;
    for (const Colour &c : colours) {
        ColorEntry &e = s.colors[i++];
        e.valid = 1;
        e.name = c.name;
        e.L = c.L;
        e.a = c.a;
        e.b = c.b;
        e.toleranceCheck = 1;
        for (Tolerance &t : e.tolerances) t = Tolerance{1, 5.0f};
    }
    for (int t = 0; t < 3; ++t) {
        ToneEntry &tone = s.tones[t];
        tone.enabled = tone.defined = 1;
        tone.color = t + 1;
        for (int k = 0; k < kToneSteps; ++k) tone.steps[k] = ToneStep{true, 75.0f - 25.0f * k, 12.0f + 2.0f * k, 4.0f};
    }
    return s;
}

struct ColourSetPictures {
    CConfiguration config;
    ColourSetPictures() {
        config.ResetAll();
        *config.Slot(kSlot) = PressSet();
    }
    QImage Page(int index) {
        QTabWidget editor;
        std::vector<ColorSetPage *> pages = MakeColorSetPages(config, kSlot, &editor);
        for (ColorSetPage *page : pages) editor.addTab(page, page->windowTitle());
        editor.resize(900, 560);
        editor.setCurrentIndex(index);
        pages[index]->Refresh();
        return Picture(editor);
    }
    QImage ColourEntry() {
        CColorDataEditScreenDlg dlg(config, kSlot, 1);
        return Picture(dlg);
    }
    QImage ToneEntry() {
        CEditToneDataDlg dlg(config, kSlot, 1);
        return Picture(dlg);
    }
};

bool Save(const QImage &image, const QString &path) {
    if (image.isNull()) return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fputs("usage: manual-pictures OUTPUT_DIR RESOURCE_LIBRARY PROGRAM_DIR\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    core::platform::InstallProfileStore(std::make_unique<ombra::core::platform::MemoryProfileStore>());
    if (!core::platform::LoadResourceLibrary(argv[2], "en")) {
        std::fprintf(stderr, "manual-pictures: cannot load %s\n", argv[2]);
        return 1;
    }
    // Nothing is shown: a message box would be answered at once.
    ui::platform::SetMessageBoxHook([](const ui::platform::MessageBoxRequest &) { return core::platform::mb::IDOK; });
    g_programDir = argv[3];
    const QString dir = QString::fromLocal8Bit(argv[1]);

    ColourSetPictures colourSets;
    const std::vector<std::pair<const char *, std::function<QImage()>>> pictures = {
        {"main-window.png", MainWindow},
        {"measurements.png", MeasurementsWindow},
        {"measurement-settings.png", MeasurementSettingsDialog},
        {"calibration.png", Calibration},
        {"data-items.png", DataItemsDialog},
        {"preview-default.png", [] { return Preview({DefaultReflection()}); }},
        {"preview-spectral-down.png", [] { return Preview({{1100}, 1, 1, 0, 9, 14}, 300); }},
        {"preview-joined.png", [] { return Preview({{1035, 1036, 2000}, 1, 0, 1, 3, 11}); }},
        {"preview-example1.png", [] { return Preview({{2000}}); }},
        {"preview-example2.png", [] { return Preview({{2000}, 1, 0, 3, 5, 13}); }},
        {"preview-example3.png", [] { return Preview({{1035, 1036}, 1, 1, 5, 9, 13}); }},
        {"preview-example4.png", [] { return Preview({{1035, 2000}, 1, 0, 1, 3, 11}); }},
        {"preview-example5.png", [] { return Preview({{1035, 2000}, 1, 1, 11, 9, 7}); }},
        {"preview-example5-leaves.png", [] { return Preview({{1035, 2000}, 1, 1, 11, 9, 13}); }},
        {"preview-block-joined.png", [] { return Preview({{2000}, 0, 0, 5, 5, 12}); }},
        {"colorset-conditions.png", [&] { return colourSets.Page(0); }},
        {"colorset-colours.png", [&] { return colourSets.Page(1); }},
        {"colorset-tones.png", [&] { return colourSets.Page(2); }},
        {"colorset-colour-entry.png", [&] { return colourSets.ColourEntry(); }},
        {"colorset-tone-entry.png", [&] { return colourSets.ToneEntry(); }},
        {"user-illuminant.png", UserIlluminant},
    };
    // Drawn with the German texts, for the appendix on the program in German.
    const std::vector<std::pair<const char *, std::function<QImage()>>> germanPictures = {
        {"main-window-de.png", MainWindow},
        {"data-items-de.png", DataItemsDialog},
    };
    int failed = 0;
    auto render = [&](const auto &list) {
        for (const auto &[name, draw] : list) {
            if (Save(draw(), dir + "/" + name)) continue;
            std::fprintf(stderr, "manual-pictures: cannot render %s\n", name);
            ++failed;
        }
    };
    render(pictures);
    if (!core::platform::LoadResourceLibrary(argv[2], "de") || core::platform::ResourceLanguage() != "de") {
        std::fprintf(stderr, "manual-pictures: %s has no German texts\n", argv[2]);
        return 1;
    }
    render(germanPictures);
    return failed == 0 ? 0 : 1;
}
