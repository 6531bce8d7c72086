// The user's references, kept in a file beside the journal and written atomically at every
// change: the list in order, the active reference and whether the nearest of the list is used
// instead. Names are unique: putting a reference under a name that exists replaces it.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "core/quality/Reference.h"

namespace ombra::core {

struct ColorSet;
struct JournalEntry;

// One named colour as a references file gives it (the file readers fill these). Conditions
// and tolerance left out take the import's defaults; `line` is where the entry starts, for
// the message about a bad entry.
struct ReferenceFileEntry {
    std::string name;
    Lab lab{};
    std::optional<ViewingConditions> conditions;
    std::optional<ReflectanceSpectrum> spectrum;
    std::optional<ColourTolerance> tolerance;
    int line = 0;
};

struct ImportResult {
    int imported = 0;
    int badLine = 0;    // the line of the first bad entry (nothing is imported then)
    std::string error;  // the message for the user; empty on success

    bool ok() const { return error.empty(); }
};

// A valid reference: a name and finite L*a*b* with L* in 0..100, valid conditions and limits.
bool IsValidReference(const Reference &reference);
// The same without the name (a reference that is still to be named).
bool HasValidValues(const Reference &reference);

// The references of the defined colours of a certification colour set, named after their
// colours, under the set's illuminant and observer, with the set's tolerances: ± ΔL*, ΔC*,
// ΔH* and the ΔE of the set's formula (a Hunter ΔE has no counterpart here and is left out).
std::vector<Reference> ReferencesOfColorSet(const ColorSet &set);

// A measurement made into a reference ("Use as reference"): its L*a*b* under its illuminant
// and observer, with its reflectance spectrum, so that it can be compared under any other.
// nullopt when the measurement has no L*a*b* (irradiance, values not delivered).
std::optional<Reference> ReferenceOfRecord(const std::string &name, const MeasuredDataRecord &record,
                                           const ViewingConditions &conditions);
// The same for a measurement of the journal; its observer and illuminant are known by the
// texts it was recorded with.
std::optional<Reference> ReferenceOfJournalEntry(const std::string &name, const JournalEntry &entry);

class ReferenceStore {
public:
    // $XDG_DATA_HOME/ombra-dts/references.json, beside the journal.
    static QString DefaultPath();

    // Reads the file at `path` when there is one. A file that cannot be read is set aside
    // (renamed with ".damaged") so that the next save does not destroy it; see loadProblem().
    explicit ReferenceStore(QString path = DefaultPath());

    const QString &path() const { return path_; }
    const std::string &loadProblem() const { return loadProblem_; }
    // Why the last change could not be saved (the change stays in force in memory).
    const std::string &saveError() const { return saveError_; }

    const std::vector<Reference> &References() const { return references_; }
    const Reference *Find(const std::string &name) const;
    // The active reference (nullptr when none, or in nearest mode).
    const Reference *Active() const;
    const std::string &ActiveName() const { return active_; }
    bool NearestMode() const { return nearest_; }

    // Each change is saved at once; false when the file could not be written (saveError()).
    // An invalid reference is refused (false, nothing changes, saveError() empty).
    bool Put(const Reference &reference);
    bool Remove(const std::string &name);
    // "" for none; a name not in the list is refused.
    bool SetActive(const std::string &name);
    bool SetNearestMode(bool on);

    // Takes every entry or none: the first bad entry stops the import with its line. Entries
    // without conditions or tolerance take `conditions` and `tolerance`.
    ImportResult Import(const std::vector<ReferenceFileEntry> &entries, const ViewingConditions &conditions,
                        const ColourTolerance &tolerance = {});

    // The comparison of a measurement with the active reference or, in nearest mode, with the
    // nearest one; nullopt when neither mode has a reference to compare with.
    // A measurement without L*a*b* (nullopt) is not compared, with that reason.
    std::optional<Comparison> CompareWith(const std::optional<MeasuredColour> &measured) const;

private:
    void Load();
    bool Save();

    QString path_;
    std::vector<Reference> references_;
    std::string active_;
    bool nearest_ = false;
    std::string loadProblem_;
    std::string saveError_;
};

}  // namespace ombra::core
