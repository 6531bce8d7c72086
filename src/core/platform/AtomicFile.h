// Writing a whole file so that a crash or a full disk never leaves a half-written file:
// the bytes go to a temporary file beside the target, which replaces the target only
// once everything reached the disk; the folder is synced after the rename so that it lasts.
#pragma once

#include <memory>
#include <string>

class QSaveFile;

namespace ombra::core::platform {

// Returns false (and the reason in `error`, when given) if the file could not be written;
// the previous contents of `path` are then untouched.
bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string *error = nullptr);

// The same for a file written piece by piece (an export of any size never has to be held in
// memory whole): nothing replaces `path` before Commit succeeds; dropped uncommitted, the
// temporary file goes and the previous contents stay.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string &path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    bool Open(std::string *error = nullptr);
    bool Append(const std::string &bytes, std::string *error = nullptr);
    bool Commit(std::string *error = nullptr);

private:
    std::string path_;
    std::unique_ptr<QSaveFile> file_;
};

}  // namespace ombra::core::platform
