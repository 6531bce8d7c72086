#include "support/PgTestServer.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace ombra::core::test {

namespace {

ServerAddress AddressOf(const QString &folder, int port, const QString &database) {
    ServerAddress address;
    address.host = folder;
    address.port = port;
    address.user = "postgres";
    address.database = database;
    return address;
}

}  // namespace

bool PgTestDatabase::Required() { return qEnvironmentVariable("OMBRA_TEST_PG_REQUIRED") == "1"; }

PgTestDatabase::PgTestDatabase() {
    socketFolder_ = qEnvironmentVariable("OMBRA_TEST_PG_SOCKET");
    port_ = qEnvironmentVariableIntValue("OMBRA_TEST_PG_PORT");
    if (socketFolder_.isEmpty() || port_ <= 0) {
        problem_ = "OMBRA_TEST_PG_SOCKET and OMBRA_TEST_PG_PORT are not set";
        return;
    }
    name_ = "test_" + QUuid::createUuid().toString(QUuid::Id128).left(12);
    ServerConnection admin(AddressOf(socketFolder_, port_, "postgres"));
    if (!admin.Open() || !admin.Exec("CREATE DATABASE " + name_)) {
        problem_ = "the server at " + socketFolder_.toStdString() + " did not make a database: " +
                   admin.LastError().toStdString();
        return;
    }
    ready_ = true;
}

PgTestDatabase::~PgTestDatabase() {
    if (!ready_) return;
    ServerConnection admin(AddressOf(socketFolder_, port_, "postgres"));
    if (admin.Open()) admin.Exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

QString PgTestDatabase::Url() const {
    return QString("postgresql://postgres@%1:%2/%3").arg(QString(socketFolder_).replace("/", "%2F"), QString::number(port_), name_);
}

ServerAddress PgTestDatabase::Address() const { return AddressOf(socketFolder_, port_, name_); }

qint64 PgTestDatabase::Number(const QString &sql) const {
    ServerConnection db(Address());
    QSqlQuery q(db.Open() ? db.Database() : QSqlDatabase());
    if (!db.IsOpen() || !db.Prepare(q, sql) || !db.Exec(q) || !q.next()) return -1;
    return q.value(0).toLongLong();
}

std::vector<QString> PgTestDatabase::Column(const QString &sql) const {
    std::vector<QString> values;
    ServerConnection db(Address());
    if (!db.Open()) return values;
    QSqlQuery q(db.Database());
    if (!db.Prepare(q, sql) || !db.Exec(q)) return values;
    while (q.next()) values.push_back(q.value(0).toString());
    return values;
}

bool PgTestDatabase::Exec(const QString &sql) const {
    ServerConnection db(Address());
    return db.Open() && db.Exec(sql);
}

}  // namespace ombra::core::test
