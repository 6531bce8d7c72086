// fxsim: the virtual instrument.
//   fxsim serve [--scenario FILE] [--dir DIR] [--state FILE]
//   fxsim [--dir DIR] [--device INDEX|SERIAL] COMMAND ...   (commands to a running serve)
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "Server.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  fxsim serve [--scenario FILE] [--dir DIR] [--state FILE]\n"
    "  fxsim [--dir DIR] [--device INDEX|SERIAL] COMMAND\n"
    "commands:\n"
    "  press --button reflection|irradiance [--hold MS]   release\n"
    "  unplug   plug   sample NAME   sample --spectrum FILE   sample --light NAME [--lux N]\n"
    "    NAME: a library sample (paper_white, grey_18, cc_dark_skin, ...), a light source\n"
    "    (A, D65, F2, F11, LED4000K, or NAME@LUX) or a short name (paper, black, daylight, ...)\n"
    "  unplug --during DIName   (pulled out when that call arrives, before it is answered)\n"
    "  fail --call DIName --code N [--times K|--always]   delay --call DIName --ms N [--times K]   clear\n"
    "  set calibrationStatus N   set polarization A B   status   stop\n"
    "  fxsim [--dir DIR] panel   (a window with the devices and their buttons)\n";

std::string DefaultDirectory() {
    if (const char *dir = std::getenv("FXSIM_DIR"); dir && *dir) return dir;
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/fxsim";
    return "/tmp/fxsim-" + std::to_string(getuid());
}

QString TakeOption(QStringList &args, const QString &name, const QString &fallback) {
    qsizetype at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size()) return fallback;
    QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

int Serve(QStringList args) {
    std::string dir = TakeOption(args, "--dir", QString::fromStdString(DefaultDirectory())).toStdString();
    QString scenarioPath = TakeOption(args, "--scenario", "");
    std::string state = TakeOption(args, "--state", QString::fromStdString(dir + "/state.json")).toStdString();
    if (!args.isEmpty()) {
        std::fprintf(stderr, "fxsim serve: unexpected argument %s\n%s", qPrintable(args.first()), kUsage);
        return 2;
    }
    QByteArray scenario = "{}";
    if (!scenarioPath.isEmpty()) {
        QFile file(scenarioPath);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "fxsim: cannot read the scenario %s\n", qPrintable(scenarioPath));
            return 1;
        }
        scenario = file.readAll();
    }
    std::string error;
    auto devices = fxsim::ParseScenario(scenario, error);
    if (!devices) {
        std::fprintf(stderr, "fxsim: scenario %s rejected: %s\n", qPrintable(scenarioPath), error.c_str());
        return 1;
    }
    fxsim::Server server(*devices, dir, state);
    if (!server.Start(error)) {
        std::fprintf(stderr, "fxsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("fxsim: serving %zu device(s) in %s\n", devices->size(), dir.c_str());
    std::fflush(stdout);
    server.Run();
    return 0;
}

// Sends one command to the running server and prints its answer.
int SendCommand(QStringList args) {
    std::string dir = TakeOption(args, "--dir", QString::fromStdString(DefaultDirectory())).toStdString();
    QJsonObject answer = fxsim::SendControl(dir, args);
    if (!answer.value("ok").toBool()) {
        std::fprintf(stderr, "fxsim: %s\n", qPrintable(answer.value("error").toString()));
        return 1;
    }
    QString output = answer.value("output").toString();
    if (!output.isEmpty()) std::printf("%s%s", qPrintable(output), output.endsWith('\n') ? "" : "\n");
    return 0;
}

}  // namespace

#ifdef FXSIM_WITH_PANEL
namespace fxsim {
int RunPanel(int argc, char **argv, const std::string &dir);
}
#endif

int main(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || args.first() == "--help" || args.first() == "help") {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == "serve") {
        QCoreApplication app(argc, argv);
        return Serve(args.mid(1));
    }
    if (args.contains("panel")) {
#ifdef FXSIM_WITH_PANEL
        QString dir = TakeOption(args, "--dir", QString::fromStdString(DefaultDirectory()));
        return fxsim::RunPanel(argc, argv, dir.toStdString());
#else
        std::fprintf(stderr, "fxsim: this build has no panel\n");
        return 2;
#endif
    }
    return SendCommand(args);
}
