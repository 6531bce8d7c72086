#include "core/output/SampleNames.h"

#include <QFile>

namespace ombra::core {
namespace {

std::string Trimmed(const std::string &s) {
    const char *space = " \t\r";
    const size_t b = s.find_first_not_of(space);
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(space) - b + 1);
}

// The first field of a line: quoted ("" stands for one quote) or up to the first separator.
std::string FirstField(const std::string &line) {
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed[0] != '"') return Trimmed(trimmed.substr(0, trimmed.find_first_of(",;\t")));
    std::string field;
    for (size_t i = 1; i < trimmed.size(); ++i) {
        if (trimmed[i] != '"') {
            field += trimmed[i];
        } else if (i + 1 < trimmed.size() && trimmed[i + 1] == '"') {
            field += '"';
            ++i;
        } else {
            break;
        }
    }
    return Trimmed(field);
}

}  // namespace

std::optional<std::string> TakeSampleName(SampleSettings &samples) {
    if (samples.Mode() == SampleSettings::Naming::Automatic) {
        const int number = samples.NextNumber();
        samples.SetNextNumber(number + 1);
        return samples.Prefix() + std::to_string(number);
    }
    const std::vector<std::string> names = samples.List();
    const int position = samples.ListPosition();
    if (position >= static_cast<int>(names.size())) return std::nullopt;
    samples.SetListPosition(position + 1);
    return names[static_cast<size_t>(position)];
}

std::vector<std::string> SampleNamesOf(const std::string &fileText) {
    std::string text = fileText;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::vector<std::string> names;
    for (size_t b = 0; b < text.size();) {
        size_t e = text.find('\n', b);
        if (e == std::string::npos) e = text.size();
        const std::string name = FirstField(text.substr(b, e - b));
        if (!name.empty()) names.push_back(name);
        b = e + 1;
    }
    return names;
}

std::optional<std::vector<std::string>> ReadSampleNameFile(const std::string &path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return SampleNamesOf(file.readAll().toStdString());
}

}  // namespace ombra::core
