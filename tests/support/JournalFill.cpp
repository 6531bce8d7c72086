#include "support/JournalFill.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTimeZone>

namespace ombra::core::test {

namespace {

const char *kRecorded = "strftime('%Y-%m-%dT%H:%M:%fZ', '2026-01-01', '+' || (n * 600) || ' seconds')";

bool Fill(QSqlDatabase &db, int count, QString *error) {
    QSqlQuery q(db);
    QStringList copied;
    q.exec("PRAGMA table_info(measurements)");
    while (q.next()) {
        const QString name = q.value(1).toString();
        if (name != "id" && name != "recorded_utc" && name != "outcome" && name != "model" && name != "value_items" &&
            name != "uid")
            copied << name;
    }
    const QString list = copied.join(", ");
    const QString numbered = QString(
        "WITH RECURSIVE c(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM c WHERE n + 1 < %1) "
        "INSERT INTO measurements (recorded_utc, outcome, model, value_items, uid, %2) "
        "SELECT %3, CASE WHEN n % 10 = 0 THEN 2 ELSE 1 END, CASE WHEN n % 4 = 0 THEN 'OS-200' ELSE model END,"
        " replace(value_items, '#', n), lower(hex(randomblob(16))), %2 FROM (SELECT * FROM measurements LIMIT 1), c").arg(count).arg(list, kRecorded);
    const bool ok = !copied.isEmpty() && db.transaction() && q.exec(numbered) &&
                    q.exec("DELETE FROM measurements WHERE id = (SELECT min(id) FROM measurements)") && db.commit();
    if (!ok && error) *error = q.lastError().text();
    return ok;
}

}  // namespace

bool FillJournal(const QString &path, int count, QString *error) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "journal-fill");
        db.setDatabaseName(path);
        ok = db.open() && Fill(db, count, error);
        db.close();
    }
    QSqlDatabase::removeDatabase("journal-fill");
    return ok;
}

QString FilledRecordedUtc(int n) {
    return QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(600LL * n).toString(Qt::ISODateWithMs);
}

}  // namespace ombra::core::test
