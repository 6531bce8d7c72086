#include "app/SharedJournal.h"

#include <cstdio>

#include "core/output/MeasurementJournal.h"
#include "core/platform/Executable.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

namespace ombra::app {

namespace {

}  // namespace

std::unique_ptr<core::JournalSender> StartSharedJournal(const core::AppSettings &settings, const core::MeasurementJournal &journal,
                                                  ui::CVireoDataTransferSoftwareDlg &window) {
    const std::string url = settings.journalServer.Url();
    if (url.empty()) return nullptr;
    std::string problem;
    const std::optional<core::ServerAddress> server = core::ParseServerAddress(QString::fromStdString(url), &problem);
    if (!server) {
        const std::string line = core::platform::ResString(res::kStrServerNotUsed, {core::platform::ProgramName(), url, problem});
        std::fprintf(stderr, "%s\n", line.c_str());
        return nullptr;
    }
    auto sender = std::make_unique<core::JournalSender>(journal.path(), *server,
                                                  core::ThisStation(QString::fromStdString(settings.journalServer.Station())));
    core::JournalSender *s = sender.get();
    QObject::connect(s, &core::JournalSender::waitingChanged, &window, &ui::CVireoDataTransferSoftwareDlg::ShowServerWaiting);
    QObject::connect(&window.Session(), &core::InstrumentSession::measurementWritten, s, [s] { s->Nudge(); });
    // Said on the error output too, for whoever runs the program from a terminal or a script.
    QObject::connect(s, &core::JournalSender::reachableChanged, s, [url](bool reachable, const QString &why) {
        const std::string line = reachable ? core::platform::ResString(res::kStrServerReached, {core::platform::ProgramName(), url})
                                           : core::platform::ResString(res::kStrServerNotReached,
                                                                 {core::platform::ProgramName(), url, why.toStdString()});
        std::fprintf(stderr, "%s\n", QString::fromStdString(line).toLocal8Bit().constData());
    });
    window.SetJournalServer(*server);
    sender->Start();
    return sender;
}

}  // namespace ombra::app
