// Makes the user's LibreOffice accept the program's pipe whenever it starts, and takes that back.
// The office reads its connection URL from the per-user configuration (registrymodifications.xcu
// in the profile's user folder); the set-up adds or replaces that one item, keeps what it replaced
// beside the file, and the undo puts the file back as it was.
#pragma once

#include <string>

#include "calcbridge/CalcBridge.h"

namespace ombra {

struct OfficeSetup {
    enum class Outcome {
        SetUp,          // the connection item was written
        AlreadySetUp,   // it was there already; nothing changed
        Undone,         // the set-up was taken back
        NotSetUp,       // undo: there was nothing of the set-up to take back
        OfficeRunning,  // an office has the profile open and rewrites the file when it closes: nothing changed
        Damaged,        // the file is not a configuration the set-up understands: nothing changed
        Failed,         // reading or writing failed (see error): nothing changed
    };
    Outcome outcome = Outcome::Failed;
    std::string file;         // the profile's registrymodifications.xcu
    bool newProfile = false;  // SetUp: there was no profile yet, the file waits for the office's first start;
                              // Undone: the profile the set-up had made was removed again
    std::string otherUrl;     // SetUp: the connection URL that was replaced; Undone: the one put back
    long officePid = 0;       // OfficeRunning: the office process that has the profile open
    std::string error;        // Failed: why

    bool Succeeded() const {
        return outcome == Outcome::SetUp || outcome == Outcome::AlreadySetUp || outcome == Outcome::Undone ||
               outcome == Outcome::NotSetUp;
    }
};

// The user's default profile ($XDG_CONFIG_HOME or ~/.config, then libreoffice/4/user).
std::string DefaultOfficeUserDir();

// Sets up (or, with `undo`, takes back the set-up of) the profile whose user folder is `userDir`.
OfficeSetup SetUpLibreOfficeProfile(const std::string &userDir, bool undo,
                                    const std::string &pipeName = kCalcPipeName);
inline OfficeSetup SetUpLibreOffice(bool undo) { return SetUpLibreOfficeProfile(DefaultOfficeUserDir(), undo); }

// The office process of this user that runs with the profile whose user folder is `userDir`
// (its -env:UserInstallation, else its environment's default profile); 0 when there is none.
long RunningOfficeFor(const std::string &userDir);

}  // namespace ombra
