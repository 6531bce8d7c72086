#include "app/SharedJournal.h"

#include <cstdio>

#include "mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "output/MeasurementJournal.h"
#include "platform/Executable.h"
#include "platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::app {

namespace {

}  // namespace

std::unique_ptr<JournalSender> StartSharedJournal(const AppSettings &settings, const MeasurementJournal &journal,
                                                  CVireoDataTransferSoftwareDlg &window) {
    const std::string url = settings.journalServer.Url();
    if (url.empty()) return nullptr;
    std::string problem;
    const std::optional<ServerAddress> server = ParseServerAddress(QString::fromStdString(url), &problem);
    if (!server) {
        const std::string line = core::platform::ResString(res::kStrServerNotUsed, {core::platform::ProgramName(), url, problem});
        std::fprintf(stderr, "%s\n", line.c_str());
        return nullptr;
    }
    auto sender = std::make_unique<JournalSender>(journal.path(), *server,
                                                  ThisStation(QString::fromStdString(settings.journalServer.Station())));
    JournalSender *s = sender.get();
    QObject::connect(s, &JournalSender::waitingChanged, &window, &CVireoDataTransferSoftwareDlg::ShowServerWaiting);
    QObject::connect(&window.Session(), &InstrumentSession::measurementWritten, s, [s] { s->Nudge(); });
    // Said on the error output too, for whoever runs the program from a terminal or a script.
    QObject::connect(s, &JournalSender::reachableChanged, s, [url](bool reachable, const QString &why) {
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
