// The instrument stopping (SIGSTOP) or dying (SIGKILL) in the middle of a sequence: the virtual
// instrument holds back its answer to one call of a measurement, of the collection of its
// results or of the reading of the colour sets, and is stopped or killed while that answer is
// still due. Whatever the sequence, the user reads exactly one message (the loss), the window
// shows the disconnected state, and the journal claims nothing written.
#include <signal.h>
#include <sys/types.h>

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "FxsimHarness.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

const char kScenario[] = R"({"devices": [{"model": 100, "serial": 5002, "version": [3, 44]}]})";
// Long enough to stop the instrument while the answer is due, shorter than the call's time-out.
constexpr int kHeldBackMs = 800;

enum class Sequence { Measurement, Collect, ColorSetRead };

// The call whose answer is held back in each sequence.
const char *HeldCall(Sequence sequence) {
    switch (sequence) {
    case Sequence::Measurement: return "DIDoMeasurement";
    case Sequence::Collect: return "DIGetSpotColorDensity";  // the first call of a reflection's collection
    case Sequence::ColorSetRead: return "DIGetCertificationColorSet";
    }
    return "";
}

// True once fxsim has taken the call whose answer it holds back (its delay is then used up).
bool DelayTaken(const fxtest::FxsimServe &serve, const QString &call) {
    const QJsonArray devices = serve.Status().value("devices").toArray();
    for (const QJsonValue &device : devices)
        for (const QJsonValue &fault : device.toObject().value("faults").toArray())
            if (fault.toObject().value("call").toString() == call) return fault.toObject().value("delayMs").toInt() == 0;
    return false;
}

}  // namespace

class FaultsOnFxsimTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void oneMessagePerFault_data();
    void oneMessagePerFault();

private:
    ombra::core::test::ScopedInstrumentLibrary instrumentLibrary_;
};

void FaultsOnFxsimTest::initTestCase() {
    if (ResString(1197).empty()) QSKIP("needs the resource library");
    std::string error;
    QVERIFY2(instrumentLibrary_.Load(FXAPI_LIBRARY, &error), error.c_str());
}

void FaultsOnFxsimTest::cleanupTestCase() {
    instrumentLibrary_.Restore();
}

void FaultsOnFxsimTest::oneMessagePerFault_data() {
    QTest::addColumn<int>("sequence");
    QTest::addColumn<int>("signal");
    const std::pair<const char *, Sequence> sequences[] = {
        {"measurement", Sequence::Measurement}, {"collect", Sequence::Collect}, {"colour-set read", Sequence::ColorSetRead}};
    for (const auto &[name, sequence] : sequences) {
        QTest::newRow(qPrintable(QString("%1/SIGSTOP").arg(name))) << int(sequence) << SIGSTOP;
        QTest::newRow(qPrintable(QString("%1/SIGKILL").arg(name))) << int(sequence) << SIGKILL;
    }
}

void FaultsOnFxsimTest::oneMessagePerFault() {
    QFETCH(int, sequence);
    QFETCH(int, signal);
    const auto seq = static_cast<Sequence>(sequence);
    ui::test::ScopedMemoryProfile profile;
    Settings() = AppSettings{};
    fxtest::FxsimServe serve(kScenario);
    QVERIFY2(serve.Start(), qPrintable(serve.Output()));
    QVERIFY(serve.Ok({"set", "calibrationStatus", "0"}));
    QVERIFY(serve.Ok({"set", "polarization", "0", "0"}));

    QTemporaryDir folder;
    MeasurementJournal journal(nullptr, folder.path() + "/journal.sqlite", {folder.path() + "/held"});
    auto window = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
    window->SetJournal(&journal);  // no office: a measurement that got through is kept, not written
    ui::test::MessageBoxRecorder boxes;
    window->OnCommand(1000);
    QVERIFY2(window->IsConnected() && window->IsReadyToMeasure(), boxes.Count() ? boxes.Boxes()[0].text.c_str() : "");
    boxes.Clear();
    bool lossToldOnDisconnectedWindow = false;
    boxes.OnBox([&](const ui::platform::MessageBoxRequest &box) {
        lossToldOnDisconnectedWindow = box.text == ResString(1197) && !window->IsConnected() &&
                                       !window->Button(1001)->isEnabled() &&
                                       window->Button(1000)->text() == ResQString(1181);
    });

    // The instrument is stopped or killed while its answer to the held-back call is due.
    const QString call = HeldCall(seq);
    QVERIFY(serve.Ok({"delay", "--call", call, "--ms", QString::number(kHeldBackMs), "--times", "1"}));
    const qint64 pid = serve.Pid();
    std::atomic<bool> struck{false};
    std::thread striker([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline && !DelayTaken(serve, call))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        struck = ::kill(static_cast<pid_t>(pid), signal) == 0;
    });
    // A list that opens after all (the fault came too late) must not hold the test.
    QTimer closeModal;
    QObject::connect(&closeModal, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) modal->close();
    });
    closeModal.start(200);

    if (seq == Sequence::ColorSetRead) {
        window->OnCommand(1028);
    } else {
        core::platform::PostAppMessage(window.get(), 32778);
        core::platform::PostAppMessage(window.get(), 32782);
        QVERIFY(QTest::qWaitFor([&] { return boxes.Count() > 0; }, 30000));
    }
    striker.join();
    QVERIFY(struck);
    // Messages the watch thread posted before it was stopped are handled now; none may add a box.
    QVERIFY(QTest::qWaitFor([&] { return !window->IsWatching(); }, 10000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QCOMPARE(boxes.Count(), size_t(1));
    QCOMPARE(boxes.Boxes()[0].text, ResString(1197));
    QVERIFY2(lossToldOnDisconnectedWindow, "the loss was told before the window showed it");
    QVERIFY(!window->IsConnected());
    QCOMPARE(window->Status(), core::SessionStatus::Lost);
    for (const JournalEntry &entry : journal.List())
        QVERIFY2(!entry.outcome.written(), "the journal claims a measurement written");
    QCOMPARE(journal.List().size(), size_t(0));

    window.reset();
    if (signal == SIGSTOP) ::kill(static_cast<pid_t>(pid), SIGCONT);
}

OMBRA_QTEST_MAIN(FaultsOnFxsimTest)
#include "tst_faultsfxsim.moc"
