// The code names the resource library's identifiers only through the generated header, and the
// header's generator refuses a names table that disagrees with the string table.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
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

// The source with its comments blanked and its string and character literals emptied, so that
// braces and numbers in them count for nothing.
QString Code(const QString &source) {
    static const QRegularExpression noise(
        "\"(?:[^\"\\\\\\n]|\\\\.)*\"|'(?:\\\\.|[^'\\\\\\n])'|//[^\\n]*|/\\*.*?\\*/",
        QRegularExpression::DotMatchesEverythingOption);
    QString code;
    qsizetype at = 0;
    for (auto m = noise.globalMatch(source); m.hasNext();) {
        const auto n = m.next();
        code += source.mid(at, n.capturedStart() - at);
        const QChar first = n.captured().front();
        code += first == '"' ? QStringLiteral("\"\"") : first == '\'' ? QStringLiteral("' '") : QStringLiteral(" ");
        at = n.capturedEnd();
    }
    return code + source.mid(at);
}

// What stands between the brace at `open` and its partner (empty when it has none).
QString Braced(const QString &code, qsizetype open) {
    int depth = 0;
    for (qsizetype i = open; i < code.size(); ++i) {
        if (code[i] == '{') ++depth;
        if (code[i] == '}' && --depth == 0) return code.mid(open + 1, i - open - 1);
    }
    return {};
}

// The parts of a list separated by commas (or `separator`) outside braces, brackets and parentheses.
QStringList TopLevel(const QString &list, QChar separator = ',') {
    QStringList parts;
    int depth = 0;
    QString part;
    for (const QChar c : list) {
        if (c == '{' || c == '(' || c == '[') ++depth;
        if (c == '}' || c == ')' || c == ']') --depth;
        if (c == separator && depth == 0) {
            parts << part.trimmed();
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.trimmed().isEmpty()) parts << part.trimmed();
    return parts;
}

bool IsBraced(const QString &part) { return part.startsWith('{') && part.endsWith('}'); }

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

        const QString code = Code(source);
        AddStructs(where, code);
        AddRows(where, code);
        AddReturns(where, code);
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
        for (const Row &r : rows_) {
            const std::vector<int> *places = StringPlaces(r.type, r.where);
            if (!places) continue;
            const QStringList values = TopLevel(r.text);
            for (int at : *places)
                if (at < values.size() && IsBareString(values[at])) {
                    faults += r.where + ": " + r.type + " {" + r.text.simplified() + "}\n";
                    break;
                }
        }
        return faults.toStdString();
    }

private:
    // A number of 3 to 5 digits in the string table, alone or leading a sum (`1200 + row`).
    bool IsBareString(const QString &value) const {
        static const QRegularExpression number("^(\\d{3,5})(?![\\w.'])");
        const auto m = number.match(value);
        return m.hasMatch() && strings_.count(m.captured(1).toInt()) != 0;
    }

    // The structs' int fields that hold a string id by their name (`labelString`, `stringId`,
    // `messageId`, `captionId`, …), by their place in an aggregate initializer.
    void AddStructs(const QString &where, const QString &code) {
        static const QRegularExpression head("\\bstruct\\s+(\\w+)\\s*(?:final\\s*)?\\{");
        static const QRegularExpression access("\\b(?:public|private|protected)\\s*:(?!:)");
        static const QRegularExpression angle("<[^<>]*>");
        static const QRegularExpression declaration("^(.*?)\\b(\\w+)\\s*(?:\\[[^\\]]*\\]\\s*)?$");
        static const QRegularExpression intType("^(?:const\\s+)?(?:std::)?(?:int|unsigned|u?int\\d+_t)$");
        static const QRegularExpression stringName(
            "^(?:\\w*(?:[sS]tring|[tT]ext|[mM]essage|[cC]aption|[tT]itle|[hH]eader)Id|\\w*[sS]tring)$");
        for (auto m = head.globalMatch(code); m.hasNext();) {
            const auto h = m.next();
            QString body = Braced(code, h.capturedEnd() - 1);
            body.replace(access, " ");
            std::vector<int> places;
            int place = 0;
            for (QString statement : TopLevel(body, ';')) {
                if (statement.contains('(') || statement.contains(QRegularExpression("^(?:static|using|friend|enum|struct|class|union|typedef|template)\\b")))
                    continue;
                // Cut the default value, then the template arguments.
                for (const QChar c : {QChar('='), QChar('{')})
                    if (const qsizetype cut = statement.indexOf(c); cut >= 0) statement.truncate(cut);
                while (statement.contains(angle)) statement.replace(angle, " ");
                QString type;
                for (const QString &declarator : statement.split(',')) {
                    const auto d = declaration.match(declarator.trimmed());
                    if (!d.hasMatch()) continue;
                    if (type.isEmpty()) type = d.captured(1).simplified();
                    if (intType.match(type).hasMatch() && stringName.match(d.captured(2)).hasMatch()) places.push_back(place);
                    ++place;
                }
            }
            structs_[h.captured(1)].push_back({where, places});
        }
    }

    // The aggregate rows of a type: `T k[] = {{…}, …}`, `T k = {…}`, `std::array<T, n> k{{{…}, …}}`,
    // `std::vector<T> k = {{…}}` and `k[i] = {…}` into such an array.
    void AddRows(const QString &where, const QString &code) {
        static const QRegularExpression table(
            "(?:\\bstd::(array|vector)<\\s*(\\w+)\\s*(?:,[^<>;]*)?>|\\b([A-Z]\\w*))\\s+(\\w+)\\s*(\\[[^\\]]*\\])?\\s*(?:=\\s*)?\\{");
        struct Array {
            QString name, type;
            qsizetype at;
        };
        std::vector<Array> arrays;
        for (auto m = table.globalMatch(code); m.hasNext();) {
            const auto t = m.next();
            const bool container = !t.captured(1).isEmpty();
            const QString type = container ? t.captured(2) : t.captured(3);
            const QString body = Braced(code, t.capturedEnd() - 1);
            if (container) arrays.push_back({t.captured(4), type, t.capturedEnd()});
            if (!container && t.captured(5).isEmpty()) {
                rows_.push_back({where, type, body});
                continue;
            }
            QStringList elements = TopLevel(body);
            // std::array's own braces around its rows.
            if (elements.size() == 1 && IsBraced(elements[0])) {
                const QStringList inner = TopLevel(elements[0].mid(1, elements[0].size() - 2));
                if (!inner.isEmpty() && std::all_of(inner.begin(), inner.end(), IsBraced)) elements = inner;
            }
            for (const QString &element : elements)
                if (IsBraced(element)) rows_.push_back({where, type, element.mid(1, element.size() - 2)});
        }
        // An element assigned belongs to the last array of that name declared before it.
        for (size_t i = 0; i < arrays.size(); ++i) {
            qsizetype end = code.size();
            for (size_t j = i + 1; j < arrays.size(); ++j)
                if (arrays[j].name == arrays[i].name) {
                    end = arrays[j].at;
                    break;
                }
            const QRegularExpression assigned("\\b" + arrays[i].name + "\\s*\\[[^\\]]*\\]\\s*=\\s*\\{");
            for (auto m = assigned.globalMatch(code, arrays[i].at); m.hasNext();) {
                const auto a = m.next();
                if (a.capturedStart() >= end) break;
                rows_.push_back({where, arrays[i].type, Braced(code, a.capturedEnd() - 1)});
            }
        }
    }

    // A function that answers a string id (`int …StringId(…)`, `int …MessageId(…)`,
    // `int LabelString(…)`) and returns a bare one.
    void AddReturns(const QString &where, const QString &code) {
        static const QRegularExpression function(
            "\\bint\\s+(\\w*(?:(?:String|Text|Message|Caption|Title)Id|String))\\s*\\([^;{}]*\\)\\s*(?:const\\s*)?\\{");
        static const QRegularExpression bareReturn("\\breturn\\b[^;]*?(?<![\\w.])(\\d{3,5})(?![\\w.'])[^;]*;");
        for (auto m = function.globalMatch(code); m.hasNext();) {
            const auto f = m.next();
            const QString body = Braced(code, f.capturedEnd() - 1);
            for (auto r = bareReturn.globalMatch(body); r.hasNext();) {
                const auto b = r.next();
                if (strings_.count(b.captured(1).toInt()))
                    found_ += where + ": " + f.captured(1) + " " + b.captured().simplified() + "\n";
            }
        }
    }

    // The string-id places of a struct: its definition in the row's file, else its one
    // definition elsewhere (two structs of one name in different files say nothing).
    const std::vector<int> *StringPlaces(const QString &type, const QString &where) const {
        const auto found = structs_.find(type);
        if (found == structs_.end()) return nullptr;
        const std::vector<Struct> &definitions = found->second;
        for (const Struct &s : definitions)
            if (s.where == where) return &s.places;
        return definitions.size() == 1 ? &definitions[0].places : nullptr;
    }

    struct Row {
        QString where, type, text;
    };
    struct Struct {
        QString where;
        std::vector<int> places;
    };
    std::map<QString, std::vector<Struct>> structs_;
    std::vector<Row> rows_;

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
        // Table rows: the field a struct names as a string id holds a bare one (1138, 2314,
        // 1273, 1200, 1256 and 1201 are strings), also after nested braces, inside std::array's
        // own braces, leading a sum, or assigned into an array of the rows.
        {"struct ItemRow { int id; int labelString; int place; };\nconstexpr ItemRow kItems[] = {{1035, 1138, 97}};",
         "ItemRow {1035, 1138, 97}"},
        {"struct RangeRow { IdRun ids; Kind kind; int labelString; };\nconstexpr RangeRow k[] = {{{300, 730}, K::W, 2314}};",
         "RangeRow {{300, 730}, K::W, 2314}"},
        {"struct ListEntry {\n    int stringId = 0;  // shown\n    int code = 0;\n"
         "    bool operator==(const ListEntry &) const = default;\n};\nconstexpr ListEntry kPolarized = {1273, 161};",
         "ListEntry {1273, 161}"},
        {"struct Entry { int messageId = 0; int captionId = 0; unsigned flags = 0; };\n"
         "constexpr std::array<Entry, 2> kTable{{{0, 1200, 0}, {0, 0, 0}}};",
         "Entry {0, 1200, 0}"},
        {"struct G { int id, labelString; std::array<int, 6> parts; };\nconstexpr G kGroups[] = {{2000, 1256, {1000, 1001}}};",
         "G {2000, 1256, {1000, 1001}}"},
        {"struct Code { int code; int row; };\nstruct Message { int messageId; int captionId; };\n"
         "auto a = [] { std::array<Code, 2> t{}; t[0] = {1, 2}; return t; };\n"
         "auto b = [] { std::array<Message, 2> t{}; t[1] = {1200 + row - 1, 0}; return t; };",
         "Message {1200 + row - 1, 0}"},
        {"int ColorResultMessageId(int result) {\n    switch (result) {\n    case 1: return 1201;\n"
         "    default: return res::kStrA;\n    }\n}",
         "ColorResultMessageId return 1201;"},
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

    // Rows whose string-id fields are named or 0: item ids, record places, property values,
    // control ids and texts' fields of other types share the range and pass; so do functions
    // that are no string-id answer, and a row whose struct is defined twice under one name.
    const std::vector<std::pair<const char *, const char *>> innocentRows[] = {
        {{"items.cpp", "struct ItemRow { int id; int labelString; int place; };\n"
                       "constexpr ItemRow kItems[] = {{1035, res::kStrLabelDate, 1138}, {1100, 0, 1101}};\n"
                       "// {1035, 1138, 97}\nconst char *k = \"{1035, 1138}\";"}},
        {{"tables.cpp", "struct PropertyRow { uint32_t bit; int32_t value; int32_t id; };\n"
                        "constexpr std::array<PropertyRow, 2> kRows{{{0x1, 1140, 1141}, {0, 0, 0}}};\n"
                        "struct Shown { QString caption; int controlId; TextField text; };\nShown s{\"\", 1138, T::Date};"}},
        {{"dialog.cpp", "int ItemAt(int i) { return 1138; }\nint LabelString(int id) { return id ? row->label : 0; }\n"
                        "int MenuHintStringId(int command) { return command; }"}},
        {{"a.h", "struct Row { int id; int labelString; };"}, {"b.h", "struct Row { int id; int place; };"},
         {"b.cpp", "constexpr Row kRows[] = {{1035, 1138}};"}},
    };
    for (const auto &files : innocentRows) {
        IdScan scan(StringIds());
        for (const auto &[where, source] : files) scan.Add(where, source);
        EXPECT_EQ(scan.Faults(), "") << files.back().second;
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
