// The throwaway PostgreSQL server of a test run (tests/support/pg-cluster.sh, started by
// scripts/test): found through OMBRA_TEST_PG_SOCKET (the folder of its Unix socket) and
// OMBRA_TEST_PG_PORT. Each test takes a database of its own, dropped again at its end. Without
// the server a test is skipped, unless OMBRA_TEST_PG_REQUIRED=1 (scripts/test) makes that a
// failure.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "core/journalserver/ServerConnection.h"

namespace ombra::core::test {

class PgTestDatabase {
public:
    // A new, empty database; Ready() false (with Problem()) when there is no server.
    PgTestDatabase();
    ~PgTestDatabase();
    PgTestDatabase(const PgTestDatabase &) = delete;
    PgTestDatabase &operator=(const PgTestDatabase &) = delete;

    bool Ready() const { return ready_; }
    const std::string &Problem() const { return problem_; }
    // True when a missing server must fail the test rather than skip it.
    static bool Required();

    // The database's address, "postgresql://postgres@%2F...:PORT/NAME".
    QString Url() const;
    ServerAddress Address() const;
    const QString &Name() const { return name_; }
    // One number from a query on the database (e.g. "SELECT count(*) FROM measurements"); -1 on failure.
    qint64 Number(const QString &sql) const;
    // The first column of every row, as text, in the order the query gives.
    std::vector<QString> Column(const QString &sql) const;
    bool Exec(const QString &sql) const;

private:
    bool ready_ = false;
    std::string problem_;
    QString socketFolder_;
    int port_ = 0;
    QString name_;
};

}  // namespace ombra::core::test

// Skips the test (or fails it under scripts/test) when there is no server.
#define OMBRA_REQUIRE_PG(db)                                                                              \
    do {                                                                                                  \
        if (!(db).Ready()) {                                                                              \
            if (ombra::core::test::PgTestDatabase::Required()) FAIL() << (db).Problem();                 \
            GTEST_SKIP() << "no PostgreSQL server for the test (" << (db).Problem()                       \
                         << "); scripts/test starts one with tests/support/pg-cluster.sh";                \
        }                                                                                                 \
    } while (0)
