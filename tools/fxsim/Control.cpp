// The control commands of a running virtual instrument.
#include <QJsonDocument>
#include <QStringList>

#include "Server.h"
#include "trace/TraceTimings.h"

namespace fxsim {

namespace {

QJsonObject Ok(const QString &output = {}) { return {{"ok", true}, {"output", output}}; }
QJsonObject Error(const QString &message) { return {{"ok", false}, {"error", message}}; }

// Removes "--name value" from args; returns the value, or `fallback` when absent.
// `missing` is set when the option is present without a value.
QString TakeOption(QStringList &args, const QString &name, const QString &fallback, bool &missing) {
    qsizetype at = args.indexOf(name);
    if (at < 0) return fallback;
    if (at + 1 >= args.size()) {
        missing = true;
        args.removeAt(at);
        return fallback;
    }
    QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

bool ToInt(const QString &text, int &value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

constexpr const char *kSampleUsage = "usage: sample NAME | sample --spectrum FILE | sample --light NAME [--lux N]";

// Points the device at a library sample, a sample file or a light source.
QJsonObject SampleCommand(Device &device, QStringList args) {
    bool missing = false;
    QString file = TakeOption(args, "--spectrum", "", missing);
    QString light = TakeOption(args, "--light", "", missing);
    QString luxText = TakeOption(args, "--lux", "", missing);
    const int ways = !file.isEmpty() + !light.isEmpty() + !args.isEmpty();
    if (missing || ways != 1 || args.size() > 1 || (!luxText.isEmpty() && light.isEmpty())) return Error(kSampleUsage);
    std::optional<Sample> sample;
    if (!file.isEmpty()) {
        std::string error;
        sample = LoadSampleFile(file.toStdString(), error);
        if (!sample) return Error(QString::fromStdString(error));
    } else if (!light.isEmpty()) {
        bool ok = luxText.isEmpty();
        double lux = ok ? kDefaultLux : luxText.toDouble(&ok);
        if (!ok) return Error("--lux needs a number of lux");
        sample = FindLight(light.toStdString(), lux);
        if (!sample) return Error("no light source " + light + " at " + QString::number(lux) + " lx");
    } else {
        sample = FindSample(args.first().toStdString());
    }
    if (!sample) {
        QStringList names;
        for (const auto &known : SampleNames()) names << QString::fromStdString(known);
        return Error("unknown sample " + args.first() + "; known: " + names.join(", ") + " (a light as NAME@LUX)");
    }
    device.SetSample(*sample);
    return Ok();
}

}  // namespace

QJsonObject Server::Control(const QStringList &arguments) {
    QStringList args = arguments;
    bool missing = false;
    QString deviceText = TakeOption(args, "--device", "0", missing);
    if (missing) return Error("--device needs an index or a serial number");
    if (args.isEmpty()) return Error("no command");
    const QString command = args.takeFirst();

    if (command == "status") return Ok(QString::fromUtf8(QJsonDocument(Status()).toJson()));
    if (command == "stop") {
        stopping_ = true;
        return Ok("stopping");
    }

    int selector = 0;
    size_t index = slots_.size();
    if (!ToInt(deviceText, selector)) return Error("--device needs an index or a serial number");
    if (selector >= 0 && static_cast<size_t>(selector) < slots_.size()) index = static_cast<size_t>(selector);
    for (size_t i = 0; index == slots_.size() && i < slots_.size(); ++i)
        if (slots_[i].device->Config().serial == selector) index = i;
    if (index == slots_.size()) return Error("no device " + deviceText);
    Device &device = *slots_[index].device;

    if (command == "press") {
        QString button = TakeOption(args, "--button", "reflection", missing);
        QString hold = TakeOption(args, "--hold", "", missing);
        int holdMs = 0;
        if (missing || (button != "reflection" && button != "irradiance") || (!hold.isEmpty() && (!ToInt(hold, holdMs) || holdMs < 0)))
            return Error("usage: press --button reflection|irradiance [--hold MS]");
        std::optional<Device::Clock::time_point> releaseAt;
        if (!hold.isEmpty()) releaseAt = Device::Clock::now() + std::chrono::milliseconds(holdMs);
        device.Press(button == "irradiance" ? Button::Irradiance : Button::Reflection, releaseAt);
        ombra::trace::TraceMark("button pressed");
        return Ok();
    }
    if (command == "release") {
        device.Release();
        return Ok();
    }
    if (command == "unplug") {
        QString during = TakeOption(args, "--during", "", missing);
        if (missing) return Error("usage: unplug [--during DIName]");
        if (!during.isEmpty()) {
            auto op = fxproto::OpFromName(during.toStdString());
            if (!op) return Error("--during needs one of the 21 DI function names");
            device.UnplugDuring(*op);
            return Ok();
        }
        Unplug(index);
        return Ok();
    }
    if (command == "plug") {
        std::string error;
        return Plug(index, error) ? Ok() : Error(QString::fromStdString(error));
    }
    if (command == "sample") return SampleCommand(device, args);
    if (command == "fail" || command == "delay") {
        QString call = TakeOption(args, "--call", "", missing);
        auto op = fxproto::OpFromName(call.toStdString());
        if (!op) return Error("--call needs one of the 21 DI function names");
        if (command == "delay") {
            int ms = 0;
            int times = -1;
            QString timesText = TakeOption(args, "--times", "", missing);
            if (!ToInt(TakeOption(args, "--ms", "", missing), ms) || ms < 0 ||
                (!timesText.isEmpty() && (!ToInt(timesText, times) || times < 1)))
                return Error("usage: delay --call DIName --ms N [--times K]");
            device.Delay(*op, ms, times);
            return Ok();
        }
        int code = 0, times = 1;
        if (!ToInt(TakeOption(args, "--code", "", missing), code))
            return Error("usage: fail --call DIName --code N [--times K|--always]");
        QString timesText = TakeOption(args, "--times", "1", missing);
        if (args.contains("--always")) times = -1;
        else if (!ToInt(timesText, times) || times < 0) return Error("--times needs a count");
        device.Fail(*op, code, times);
        return Ok();
    }
    if (command == "clear") {
        device.ClearFaults();
        return Ok();
    }
    if (command == "set") {
        int a = 0, b = 0;
        if (args.size() == 2 && args[0] == "calibrationStatus" && ToInt(args[1], a)) {
            device.SetCalibrationStatus(a);
            return Ok();
        }
        if (args.size() == 3 && args[0] == "polarization" && ToInt(args[1], a) && ToInt(args[2], b)) {
            device.SetPolarization(a, b);
            return Ok();
        }
        return Error("usage: set calibrationStatus N | set polarization A B");
    }
    return Error("unknown command " + command);
}

}  // namespace fxsim
