// Runs `fxsim serve` for a test in a temporary directory and talks to its control socket.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <string>

#include "Server.h"
#include "fxproto.h"

namespace fxtest {

using Clock = std::chrono::steady_clock;

class FxsimServe {
public:
    explicit FxsimServe(const QString &scenarioJson) {
        QFile scenario(root_.filePath("scenario.json"));
        scenario.open(QIODevice::WriteOnly);
        scenario.write(scenarioJson.toUtf8());
        scenario.close();
        ::setenv("FXSIM_DIR", DeviceDir().toLocal8Bit().constData(), 1);
    }
    ~FxsimServe() { Stop(); }

    QString DeviceDir() const { return root_.filePath("dev"); }
    QString StateFile() const { return root_.filePath("state.json"); }
    QString ScenarioFile() const { return root_.filePath("scenario.json"); }

    // Starts the server and waits (bounded) until its control socket answers.
    bool Start() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(FXSIM_PROGRAM, {"serve", "--scenario", ScenarioFile(), "--dir", DeviceDir(), "--state", StateFile()});
        if (!process_.waitForStarted(20000)) return false;
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline) {
            if (process_.state() == QProcess::NotRunning) return false;
            int fd = fxsim::ConnectTo((DeviceDir() + "/" + fxproto::kControlSocketName).toStdString());
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
            QThread::msleep(20);
        }
        return false;
    }

    // Stops the server: the stop command, then a bounded wait, then a kill.
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        Control({"stop"});
        if (!process_.waitForFinished(15000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    QString Output() { return QString::fromLocal8Bit(process_.readAll()); }
    qint64 Pid() const { return process_.processId(); }

    // One control command straight over the control socket.
    QJsonObject Control(const QStringList &args) const {
        int fd = fxsim::ConnectTo((DeviceDir() + "/" + fxproto::kControlSocketName).toStdString());
        if (fd < 0) return {{"ok", false}, {"error", "no control socket"}};
        QByteArray request = QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + "\n";
        ::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL);
        QByteArray reply;
        auto deadline = Clock::now() + std::chrono::seconds(15);
        char buffer[4096];
        while (Clock::now() < deadline) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0) continue;
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, n);
        }
        ::close(fd);
        return QJsonDocument::fromJson(reply).object();
    }

    bool Ok(const QStringList &args) const { return Control(args).value("ok").toBool(); }

    QJsonObject Status() const {
        return QJsonDocument::fromJson(Control({"status"}).value("output").toString().toUtf8()).object();
    }

private:
    QTemporaryDir root_{QDir::tempPath() + "/fxt-XXXXXX"};
    QProcess process_;
};

// Runs the fxsim program as a command and returns its exit code; output in `output`.
inline int RunFxsim(const QStringList &args, QString *output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(FXSIM_PROGRAM, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (output) *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace fxtest
