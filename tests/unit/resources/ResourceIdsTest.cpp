// The code names the resource library's identifiers only through the generated header, and the
// header's generator refuses a names table that disagrees with the string table.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <set>
#include <string>
#include <vector>


namespace {

QString Read(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The ids of the English string table.
std::set<int> StringIds() {
    std::set<int> ids;
    static const QRegularExpression line("^(\\d+)\\t", QRegularExpression::MultilineOption);
    for (auto m = line.globalMatch(Read(QString(OMBRA_SOURCE_DIR) + "/libs/corvexres/strings_en.tsv")); m.hasNext();)
        ids.insert(m.next().captured(1).toInt());
    return ids;
}

// What the sources do with numbers that could be string ids, gathered over all files first:
// a constant defined in a header is often handed to the resource functions elsewhere.
class IdScan {
public:
    explicit IdScan(std::set<int> strings) : strings_(std::move(strings)) {}

    void Add(const QString &where, const QString &source) {
        // A string id kept as a kStr number of the code's own, or passed as a bare number
        // (also as one side of a choice, or as a notice's caption).
        static const QRegularExpression ownConstant("\\bkStr\\w+\\s*=\\s*\\d");
        static const QRegularExpression bareNumber(
            "\\bResQ?String\\(\\s*\\d|\\b(?:ResQ?String|ResWindowTitle)\\([^;()]*\\?\\s*\\d{3,5}\\s*:"
            "|\\bMakeNotice\\(\\s*(?:[\\w:]+\\s*,\\s*)?\\d{3,5}\\b");
        for (const QRegularExpression *fault : {&ownConstant, &bareNumber})
            for (auto m = fault->globalMatch(source); m.hasNext();) found_ += where + ": " + m.next().captured() + "\n";

        // Constants with a number of 3 to 5 digits: `kName = 1234` (also in a list of them)
        // and arrays of such numbers only.
        static const QRegularExpression constant("\\b(k[A-Z]\\w*)\\s*=\\s*(\\d{3,5})(?![\\w.'])");
        for (auto m = constant.globalMatch(source); m.hasNext();) {
            const auto c = m.next();
            constants_.push_back({where, c.captured(1), {c.captured(2).toInt()}, false});
        }
        static const QRegularExpression array(
            "\\b(k[A-Z]\\w*)(?:\\[\\])?\\s*=?\\s*\\{\\s*(\\d{3,5}(?:\\s*,\\s*\\d{3,5})*)\\s*\\}");
        for (auto m = array.globalMatch(source); m.hasNext();) {
            const auto a = m.next();
            std::vector<int> values;
            for (const QString &value : a.captured(2).split(',')) values.push_back(value.trimmed().toInt());
            constants_.push_back({where, a.captured(1), values, true});
        }

        // Names handed to the resource functions or the notices (as the id, as one side of a
        // choice, or indexed), or kept as the text id of a notice or a step.
        static const QRegularExpression passed(
            "\\b(?:Res|ResQ?String|ResWindowTitle|\\w*Notice|Tell|Filled)\\(\\s*(?:[^;()]*\\?\\s*)?(?:\\w+::)*(k[A-Z]\\w*)\\b(\\[)?"
            "|\\b(?:text|title|message|caption|header)Id\\s*=\\s*(?:\\w+::)*(k[A-Z]\\w*)\\b(\\[)?");
        for (auto m = passed.globalMatch(source); m.hasNext();) {
            const auto p = m.next();
            const int at = p.captured(1).isEmpty() ? 3 : 1;
            (p.captured(at + 1).isEmpty() ? passed_ : passedIndexed_).insert(p.captured(at));
        }
    }

    // One line per fault: a bare id, or a constant whose numbers are all string ids and that is
    // named like a text or handed to the resource functions. Record places, item ids, control
    // ids and the like share the number range but have neither, so they pass.
    std::string Faults() const {
        static const QRegularExpression textName("(Text|TextId|Texts|Caption|Title|Titles|Message|Question|Heading)$");
        QString faults = found_;
        for (const Constant &c : constants_) {
            const bool allStrings =
                std::all_of(c.values.begin(), c.values.end(), [&](int v) { return strings_.count(v) != 0; });
            const bool handedOver = (c.array ? passedIndexed_ : passed_).count(c.name) != 0;
            if (allStrings && (handedOver || textName.match(c.name).hasMatch()))
                faults += c.where + ": " + c.name + (c.array ? " = {…}\n" : QString(" = %1\n").arg(c.values[0]));
        }
        return faults.toStdString();
    }

private:
    struct Constant {
        QString where, name;
        std::vector<int> values;
        bool array;
    };
    std::set<int> strings_;
    QString found_;
    std::vector<Constant> constants_;
    std::set<QString> passed_, passedIndexed_;
};

TEST(ResourceIds, TheSourcesDefineNoIdOfTheirOwnAndUseEveryName) {
    static const QRegularExpression usedName("\\bres::(k\\w+)");
    std::set<std::string> used;
    IdScan scan(StringIds());
    const QString root = QString(OMBRA_SOURCE_DIR);
    for (QDirIterator it(root + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const QString source = Read(path);
        scan.Add(path.mid(root.size() + 1), source);
        for (auto m = usedName.globalMatch(source); m.hasNext();) used.insert(m.next().captured(1).toStdString());
    }
    const std::string found = scan.Faults();
    EXPECT_TRUE(found.empty()) << "ids to name in libs/corvexres/names.tsv:\n" << found;

    std::string unused;
    static const QRegularExpression line("^(k\\w+)\\t\\d+$", QRegularExpression::MultilineOption);
    for (auto m = line.globalMatch(Read(root + "/libs/corvexres/names.tsv")); m.hasNext();) {
        const std::string name = m.next().captured(1).toStdString();
        if (!used.count(name)) unused += name + " ";
    }
    EXPECT_TRUE(unused.empty()) << "names no code uses: " << unused;
}

TEST(ResourceIds, TheScanFindsStringIdsUnderNamesOfTheirOwnAndNothingElse) {
    // 1290, 1296, 1425, 1426, 1601, 1140, 1141 and 1200 are strings; 494 and 138 are not.
    const std::pair<const char *, const char *> faults[] = {
        {"inline constexpr int kDeletedText = 1290;", "kDeletedText = 1290"},
        {"static constexpr int kUntrustedMarkerTextId = 1601;  // %1 the path", "kUntrustedMarkerTextId = 1601"},
        {"constexpr int kFirst = 1296, kSecond = 1290;\nx = ResString(kSecond);", "kSecond = 1290"},
        {"constexpr int kPaper = 1296;\nask(MakeNotice(kPaper, res::kStrMessageCaption));", "kPaper = 1296"},
        {"constexpr int kA = 1290;\nResString(on ? kA : res::kStrFalse);", "kA = 1290"},
        {"constexpr int kColumnTitles[] = {1425, 1426};", "kColumnTitles = {…}"},
        {"constexpr int kWords[] = {1425, 1426};\nq = platform::ResQString(kWords[i]);", "kWords = {…}"},
        {"m.type = ResString(irradiance ? 1141 : 1140);", "? 1141 :"},
        {"return MakeNotice(res::kStrSettingsNotSaved, 1200, mb::OK);", "MakeNotice(res::kStrSettingsNotSaved, 1200"},
        {"constexpr int kStrOwn = 1290;", "kStrOwn = 1"},
        {"constexpr int kRefused = 1296;\nTell(meas::kRefused, res::kStrMessageCaption);", "kRefused = 1296"},
        {"constexpr int kZero = 1290;\nstep.titleId = calib::kZero;", "kZero = 1290"},
    };
    for (const auto &[source, expected] : faults) {
        IdScan scan(StringIds());
        scan.Add("sample.cpp", source);
        const std::string found = scan.Faults();
        EXPECT_NE(found.find(expected), std::string::npos) << source << "\nfound: " << found;
    }

    // Numbers that are string ids too, but name what they are, are not handed over as texts,
    // or are no whole id.
    const char *const innocent[] = {
        "constexpr int kCells = 494;\nconstexpr int kLuxPlace = 138, kLabItem = 1290;",
        "static constexpr int kCaptionId = 1290;  // a control\nw->setObjectName(Name(kCaptionId));",
        "static constexpr std::array<int, 2> kFactorIds{1425, 1426};\nAdd(kFactorIds[0]);",
        "constexpr float kScale = 1290.0f;\nconstexpr int kMask = 0x1290;\nconstexpr int kBig = 129000;",
        "constexpr int kTitleText = 9999;",
        "ResString(res::kStrColour); MakeNotice(res::kStrA, res::kStrMessageCaption, 0);",
    };
    for (const char *source : innocent) {
        IdScan scan(StringIds());
        scan.Add("sample.cpp", source);
        EXPECT_EQ(scan.Faults(), "") << source;
    }
}

// Runs the generator on a names table; its exit code and what it said.
std::pair<int, QString> Generate(const QTemporaryDir &dir, const QByteArray &names) {
    QFile table(dir.filePath("names.tsv"));
    EXPECT_TRUE(table.open(QIODevice::WriteOnly) && table.write(names) == names.size());
    table.close();
    QProcess gen;
    gen.setProcessChannelMode(QProcess::MergedChannels);
    gen.start(OMBRA_IDS_GEN, {QString(OMBRA_SOURCE_DIR) + "/libs/corvexres/strings_en.tsv", table.fileName(),
                              dir.filePath("ResourceIds.h")});
    EXPECT_TRUE(gen.waitForFinished(30000));
    return {gen.exitCode(), QString::fromUtf8(gen.readAll())};
}

TEST(ResourceIds, TheGeneratorRefusesANamesTableThatDisagreesWithTheStringsOrTheDialogs) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Two dialogs may both have a control 1050; the longer dialog name takes its own controls.
    auto [code, said] = Generate(dir,
                                 "# a comment\nkStrMessageCaption\t1200\nkMainMenu\t132\nkDlgSets\t136\n"
                                 "kCtlSetsList\t1050\nkDlgSetsEditor\t137\nkCtlSetsEditorList\t1050\n");
    ASSERT_EQ(code, 0) << said.toStdString();
    const QString header = Read(dir.filePath("ResourceIds.h"));
    EXPECT_TRUE(header.contains("inline constexpr int kStrMessageCaption = 1200;")) << header.toStdString();
    EXPECT_TRUE(header.contains("inline constexpr int kCtlSetsEditorList = 1050;")) << header.toStdString();
    EXPECT_TRUE(header.contains("namespace ombra::res"));

    const std::pair<const char *, const char *> faults[] = {
        {"kStrNothing\t9\n", "string 9 is not in"},
        {"kStrA\t1200\nkStrB\t1200\n", "already has the name kStrA"},
        {"kStrA\t1200\nkStrA\t1201\n", "kStrA is named twice"},
        {"kStrA 1200\n", "expected <kName><TAB><id>"},
        {"strA\t1200\n", "expected <kName><TAB><id>"},
        {"kDlgA\t136\nkDlgB\t136\n", "dialog 136 already has the name kDlgA"},
        {"kDlgA\t136\nkDlgA\t137\n", "kDlgA is named twice"},
        {"kCtlAList\t1050\nkDlgA\t136\n", "kCtlAList belongs to no dialog named before it"},
        {"kDlgA\t136\nkCtlAlist\t1050\n", "kCtlAlist belongs to no dialog"},
        {"kDlgA\t136\nkCtlAList\t1050\nkCtlAItems\t1050\n", "control 1050 of kDlgA already has the name kCtlAList"},
        {"kDlgA\t136\nkCtlAList\t1050\tlist\n", "expected <kName><TAB><id>"},
    };
    for (const auto &[names, message] : faults) {
        std::tie(code, said) = Generate(dir, names);
        EXPECT_NE(code, 0) << names;
        EXPECT_TRUE(said.contains(message)) << names << " said: " << said.toStdString();
    }
    EXPECT_EQ(Read(dir.filePath("ResourceIds.h")), header) << "a refused table leaves the header as it was";
}

}  // namespace
