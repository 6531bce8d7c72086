// A large journal made fast for tests: the one measurement a journal holds is copied in a single
// statement, each copy numbered so that the copies differ where the Measurements window looks.
#pragma once

#include <QString>

namespace ombra::core::test {

// The journal at `path` holds one measurement whose value texts may contain '#'. It ends up
// holding `count`: copy n (0 is the original) recorded at 2026-01-01 00:00 UTC plus n times ten
// minutes, '#' replaced by n, not written when n is a multiple of 10 (written otherwise), and
// from the instrument "OS-200" when n is a multiple of 4. One transaction; false on a fault.
bool FillJournal(const QString &path, int count, QString *error = nullptr);

// The instant copy n was recorded at, as the journal keeps it.
QString FilledRecordedUtc(int n);

}  // namespace ombra::core::test
