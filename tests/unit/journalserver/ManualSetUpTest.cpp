// The manual's set-up of a lab, every command run exactly as the manual writes it: the role, its
// password and the database on the server, the line for pg_hba.conf and the reload, the password
// file of a station and its first start with the server's address, and the views. The station
// reaches the test's server by the name the manual uses (the client library is told its address,
// as a name server would), and its password comes from ~/.pgpass alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <set>

#include "core/journalserver/ServerConnection.h"
#include "core/journalserver/ServerJournal.h"
#include "core/output/MeasurementJournal.h"
#include "support/PgTestServer.h"

namespace ombra::core {
namespace {

const QStringList kServerCommands = {
    "createuser ombra",
    "psql -c \"ALTER ROLE ombra PASSWORD 'change-this-password'\"",
    "createdb --owner=ombra ombra_journal",
};
const QString kHbaLine = "host    ombra_journal    ombra    192.168.10.0/24    scram-sha-256";
const QString kReload = "psql -c \"SELECT pg_reload_conf()\"";
const QStringList kStationCommands = {
    "echo 'lab-server:*:ombra_journal:ombra:change-this-password' >> ~/.pgpass",
    "chmod 600 ~/.pgpass",
};
const QString kFirstStart = "ombra-dts --journal-server postgresql://ombra@lab-server/ombra_journal";
const QStringList kViewCommands = {
    "psql -d ombra_journal -c \"SELECT * FROM measurements_today\"",
    "psql -d ombra_journal -c \"SELECT * FROM failed_measurements ORDER BY recorded_at DESC\"",
};

// The lines of every <pre> block of the manual's chapter on the shared journal.
QStringList ManualLines() {
    QFile file(QString(OMBRA_SOURCE_DIR) + "/docs/manual/manual.html");
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString html = QString::fromUtf8(file.readAll());
    html = html.section("<h2 id=\"shared-journal\">", 1).section("<h2", 0, 0);
    QStringList lines;
    static const QRegularExpression pre("<pre>(.*?)</pre>", QRegularExpression::DotMatchesEverythingOption);
    for (auto it = pre.globalMatch(html); it.hasNext();) {
        QString block = it.next().captured(1);
        block.replace("&gt;", ">").replace("&lt;", "<").replace("&quot;", "\"").replace("&amp;", "&");
        lines << block.split('\n', Qt::SkipEmptyParts);
    }
    return lines;
}

struct ShellRun {
    int status = -1;
    QString output;
};

ShellRun Shell(const QString &command, const QProcessEnvironment &environment) {
    QProcess shell;
    shell.setProcessEnvironment(environment);
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start("bash", {"-c", command});
    ShellRun run;
    if (!shell.waitForFinished(30000)) return run;
    run.status = shell.exitStatus() == QProcess::NormalExit ? shell.exitCode() : -1;
    run.output = QString::fromLocal8Bit(shell.readAll());
    return run;
}

// The server's administrator: the superuser of the test's cluster, by its socket.
QProcessEnvironment AdministratorEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGHOST", qEnvironmentVariable("OMBRA_TEST_PG_SOCKET"));
    env.insert("PGPORT", qEnvironmentVariable("OMBRA_TEST_PG_PORT"));
    env.insert("PGUSER", "postgres");
    return env;
}

ServerAddress Administrator(const QString &database) {
    ServerAddress a;
    a.host = qEnvironmentVariable("OMBRA_TEST_PG_SOCKET");
    a.port = qEnvironmentVariableIntValue("OMBRA_TEST_PG_PORT");
    a.user = "postgres";
    a.database = database;
    return a;
}

qint64 Number(const QString &database, const QString &sql) {
    ServerConnection c(Administrator(database));
    QSqlQuery q(c.Open() ? c.Database() : QSqlDatabase());
    return c.IsOpen() && c.Prepare(q, sql) && c.Exec(q) && q.next() ? q.value(0).toLongLong() : -1;
}

void DropLab() {
    ServerConnection c(Administrator("postgres"));
    if (!c.Open()) return;
    c.Exec("DROP DATABASE IF EXISTS ombra_journal WITH (FORCE)");
    c.Exec("DROP ROLE IF EXISTS ombra");
}

// The lab's lines go first in pg_hba.conf (the first line that fits decides), with the line of
// the test's own "network", the loopback address; the file is put back as it was at the end.
class HbaLines {
public:
    HbaLines() : path_(qEnvironmentVariable("OMBRA_TEST_PG_CLUSTER") + "/data/pg_hba.conf") {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly)) return;
        // Without the lines of a run that was cut short.
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.contains("ombra_journal")) original_ += line + '\n';
        original_.chop(1);
    }
    ~HbaLines() { Write(original_); }
    bool Add(const QString &lines) { return !original_.isEmpty() && Write(lines.toUtf8() + "\n" + original_); }

private:
    // In place: the server's own user must still own the file.
    bool Write(const QByteArray &content) {
        QFile file(path_);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    }
    QString path_;
    QByteArray original_;
};

TEST(ManualSetUp, TheManualsCommandsSetUpALabAndAStation) {
    test::PgTestDatabase probe;
    OMBRA_REQUIRE_PG(probe);
    const QStringList manual = ManualLines();
    QStringList expected = kServerCommands + QStringList{kHbaLine, kReload} + kStationCommands + QStringList{kFirstStart} +
                           kViewCommands;
    EXPECT_EQ(std::set<QString>(manual.begin(), manual.end()), std::set<QString>(expected.begin(), expected.end()))
        << "the manual's commands are the ones run here: " << manual.join(" | ").toStdString();

    DropLab();
    const QProcessEnvironment admin = AdministratorEnvironment();
    for (const QString &command : kServerCommands) {
        const ShellRun run = Shell(command, admin);
        ASSERT_EQ(run.status, 0) << command.toStdString() << ": " << run.output.toStdString();
    }
    HbaLines hba;
    ASSERT_TRUE(hba.Add("host    ombra_journal    ombra    127.0.0.1/32    scram-sha-256\n" + kHbaLine));
    ASSERT_EQ(Shell(kReload, admin).status, 0);
    EXPECT_EQ(Number("postgres", "SELECT count(*) FROM pg_hba_file_rules WHERE error IS NOT NULL"), 0);
    EXPECT_EQ(Number("postgres", "SELECT count(*) FROM pg_hba_file_rules WHERE 'ombra_journal' = ANY(database)"
                                 " AND auth_method = 'scram-sha-256'"),
              2);

    QTemporaryDir station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"PGHOST", "PGUSER", "PGPASSWORD", "PGPASSFILE", "PGDATABASE"}) env.remove(variable);
    const QString home = station.path();
    env.insert("HOME", home);
    for (const QString &command : kStationCommands) ASSERT_EQ(Shell(command, env).status, 0) << command.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(home + "/.pgpass").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // One measurement waits in the station's journal; the first start sends it.
    {
        MeasurementJournal journal(nullptr, home + "/data/ombra-dts/journal.sqlite", QStringList{});
        JournalEntry e;
        e.date = "2026/12/09";
        e.time = "12:00:00";
        e.model = "OS-100";
        e.serial = "77";
        e.outputItems = {OutputItem{1000, "L*", 50, "50.00"}};
        e.valueItems = e.outputItems;
        ASSERT_GT(journal.Record(e).value_or(0), 0);
    }
    QDir(home).mkpath("runtime");
    QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert("PATH", QString(OMBRA_BIN_DIR) + ":" + env.value("PATH"));
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_STATE_HOME", home + "/state");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    // Where a name server would send "lab-server": the test's server on this machine.
    env.insert("PGHOSTADDR", "127.0.0.1");
    env.insert("PGPORT", qEnvironmentVariable("OMBRA_TEST_PG_PORT"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start("bash", {"-c", "exec " + kFirstStart});
    QElapsedTimer clock;
    clock.start();
    while (Number("ombra_journal", "SELECT count(*) FROM measurements") < 1 && clock.elapsed() < 60000)
        QThread::msleep(200);
    program.kill();
    program.waitForFinished(10000);
    ASSERT_EQ(Number("ombra_journal", "SELECT count(*) FROM measurements"), 1)
        << program.readAll().toStdString();
    EXPECT_EQ(Number("ombra_journal", QString("SELECT count(*) FROM measurements WHERE station = '%1' AND serial = '77'")
                                          .arg(QSysInfo::machineHostName())),
              1);
    EXPECT_EQ(Number("ombra_journal", "SELECT count(*) FROM measurements WHERE station_user <> ''"), 1);
    QSettings settings(home + "/config/LARKSPUR/ombra-dts.conf", QSettings::IniFormat);
    EXPECT_EQ(settings.value("JournalServer").toString(), "postgresql://ombra@lab-server/ombra_journal");

    for (const QString &command : kViewCommands) {
        const ShellRun run = Shell(command, admin);
        EXPECT_EQ(run.status, 0) << command.toStdString() << ": " << run.output.toStdString();
        if (command.contains("measurements_today")) {
            EXPECT_TRUE(run.output.contains(QSysInfo::machineHostName())) << run.output.toStdString();
        }
    }
    DropLab();
}

}  // namespace
}  // namespace ombra::core
