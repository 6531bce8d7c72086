// The string table: every id the program uses has a text, and the texts keep the rules the
// program relies on (placeholders, texts compared with each other, names used as keys).
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform/Resources.h"

using ombra::core::platform::HasResString;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

constexpr int kReservedId = 1146;

std::vector<int> UsedStringIds() {
    std::ifstream in(std::string(OMBRA_TEST_DATA_DIR) + "/string-ids.txt");
    std::vector<int> ids;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        ids.push_back(std::stoi(line));
    }
    return ids;
}

// Numbered placeholders (%1..%9) found in a text, in order of appearance.
std::vector<int> Placeholders(const QString &text) {
    static const QRegularExpression pattern("%([1-9])");
    std::vector<int> found;
    for (auto it = pattern.globalMatch(text); it.hasNext();) found.push_back(it.next().captured(1).toInt());
    return found;
}

void ExpectAllDistinct(const std::vector<int> &ids) {
    std::set<std::string> seen;
    for (int id : ids) EXPECT_TRUE(seen.insert(ResString(id)).second) << "string " << id << " repeats another entry: " << ResString(id);
}

std::vector<int> Range(int first, int last) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id) ids.push_back(id);
    return ids;
}

}  // namespace

TEST(StringTable, LibraryIsLoadedThroughThePlatformLayer) {
    ASSERT_TRUE(ombra::core::platform::ResourceLibraryLoaded());
    EXPECT_FALSE(HasResString(99999));
    EXPECT_EQ(ResString(99999), "");
}

TEST(StringTable, EveryUsedIdHasAText) {
    const std::vector<int> ids = UsedStringIds();
    ASSERT_EQ(ids.size(), 572u);
    for (int id : ids) {
        EXPECT_TRUE(HasResString(id)) << "string " << id << " is missing";
        if (id != kReservedId) {
            EXPECT_FALSE(ResString(id).empty()) << "string " << id << " is empty";
        }
    }
}

// A merge that keeps both sides of a changed line leaves an id twice; the library would keep
// one of the texts without a word.
TEST(StringTable, EveryIdIsDefinedOnceInTheTable) {
    std::ifstream table(std::string(OMBRA_SOURCE_DIR) + "/libs/corvexres/strings_en.tsv");
    ASSERT_TRUE(table.good());
    std::set<std::string> ids;
    for (std::string line; std::getline(table, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || line[0] == '#') continue;
        EXPECT_TRUE(ids.insert(line.substr(0, tab)).second) << "id " << line.substr(0, tab) << " is defined twice";
    }
    EXPECT_GT(ids.size(), 400u);
}

TEST(StringTable, TextsAreValidUtf8WithoutStraySpaces) {
    // 1288 is followed directly by a name and 1387 follows a colour name: their spaces belong to them.
    const std::set<int> concatenated = {1288, 1387};
    for (int id : UsedStringIds()) {
        const std::string text = ResString(id);
        EXPECT_EQ(QString::fromUtf8(text).toStdString(), text) << "string " << id << " is not UTF-8";
        if (concatenated.count(id) || text.empty()) continue;
        EXPECT_EQ(QString::fromStdString(text).trimmed().toStdString(), text) << "string " << id << " has outer spaces";
    }
    EXPECT_TRUE(ResString(1288).ends_with(' '));
    EXPECT_TRUE(ResString(1387).starts_with(' '));
}

TEST(StringTable, PlaceholdersAreWhereTheProgramFillsThem) {
    EXPECT_EQ(Placeholders(ResQString(1300)), (std::vector<int>{1, 2})) << "minimum first, then maximum";
    for (int id : {1294, 1301, 1388, 1389, 1397, 1600, 1761}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;
    for (int id : {1601, 1602}) EXPECT_EQ(Placeholders(ResQString(id)), (std::vector<int>{1, 2})) << "path, then reason";
    // Filling works with Qt's numbered arguments.
    EXPECT_TRUE(ResQString(1300).arg("0.01", "9.99").contains("0.01"));
    EXPECT_TRUE(ResQString(1300).arg("0.01", "9.99").contains("9.99"));

    // The measurement journal's texts: path and reason; kept file; count; workbook, sheet, first
    // and last cell; last cell; count; row and row count (twice); file and reason.
    const std::map<int, std::vector<int>> journal = {
        {1421, {1, 2}}, {1422, {1}}, {1423, {1}}, {1720, {1}}, {1725, {1, 2}}, {1430, {1, 2, 3, 4}}, {1432, {1}}, {1440, {1}},
        {1441, {1, 2}}, {1442, {1, 2}}, {1445, {1, 2}}, {1820, {1}}, {1920, {1, 2}}, {1921, {1, 2}}, {1997, {1}}};
    // The result panel: written and not-written counts; where the cells went.
    const std::map<int, std::vector<int>> panel = {{1885, {1, 2}}, {1886, {1}}};
    for (const auto &[id, expected] : panel) EXPECT_EQ(Placeholders(ResQString(id)), expected) << "string " << id;
    for (const auto &[id, expected] : journal) EXPECT_EQ(Placeholders(ResQString(id)), expected) << "string " << id;

    // The LibreOffice set-up's texts: the profile file and the URL, reason or (named first) the office process.
    const std::map<int, std::vector<int>> setUp = {
        {1700, {1}}, {1701, {1}}, {1702, {1, 2}}, {1703, {1}}, {1704, {2, 1}}, {1705, {2, 1}}, {1706, {1}},
        {1707, {1, 2}}, {1708, {1}}, {1709, {1}}, {1710, {1}}, {1711, {1, 2}}, {1712, {}}};
    for (const auto &[id, expected] : setUp) EXPECT_EQ(Placeholders(ResQString(id)), expected) << "string " << id;

    // The faults of a CGATS or reference file: line and reason, then each reason's details.
    const std::map<int, std::vector<int>> fileFaults = {
        {1942, {1, 2}}, {1943, {}}, {1944, {1, 2}}, {1945, {1}}, {1946, {1, 2, 3}}, {1947, {1}}, {1948, {1}}, {1949, {}}};
    for (const auto &[id, expected] : fileFaults) EXPECT_EQ(Placeholders(ResQString(id)), expected) << "string " << id;

    // The references: the reason a save failed; the reason of an import; the line of a bad entry.
    for (int id : {1976, 1977, 1978}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;

    // The sample names: how many names the list holds and how many are still to come; the file.
    EXPECT_EQ(Placeholders(ResQString(2029)), (std::vector<int>{1, 2}));
    EXPECT_EQ(Placeholders(ResQString(2030)), std::vector<int>{1});
    // Undo: the changed cell; the workbook and sheet of the measurement.
    for (int id : {2036, 2037}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;

    // A window's title takes the window's name; a tone step its number.
    for (int id : {2200, 2225}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;
    // What the polarisation filter changed: before and now, or the one kept.
    for (int id : {2261, 2263}) EXPECT_EQ(Placeholders(ResQString(id)), (std::vector<int>{1, 2})) << "string " << id;
    for (int id : {2262, 2264}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;
    // The About box: version, Qt, office; the instrument's model, serial number and firmware.
    for (int id : {2270, 2273, 2274}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;
    EXPECT_EQ(Placeholders(ResQString(2276)), (std::vector<int>{1, 2, 3}));

    // A sample of several readings: readings taken, then readings per sample.
    for (int id : {2064, 2066}) EXPECT_EQ(Placeholders(ResQString(id)), (std::vector<int>{1, 2})) << "string " << id;
    // The shared journal: how many wait for its server; why every station's could not be read.
    for (int id : {2068, 2072}) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;

    // A wavelength's item labels; the command line's usage and its problems; the start-up lines;
    // the reasons of an untrusted marker and of unsaved settings.
    const std::vector<int> oneValue = {2314, 2315, 2316, 2330, 2337, 2338, 2342, 2343, 2344, 2352,
                                       2353, 2355, 2356, 2357, 2358, 2359, 2361, 2363,
                                       2364, 2366, 2367, 2368, 2369, 2370, 2373};
    for (int id : oneValue) EXPECT_EQ(Placeholders(ResQString(id)), std::vector<int>{1}) << "string " << id;
    for (int id : {2339, 2340, 2362, 2376}) EXPECT_EQ(Placeholders(ResQString(id)), (std::vector<int>{1, 2})) << "string " << id;
    for (int id : {2375, 2377}) EXPECT_EQ(Placeholders(ResQString(id)), (std::vector<int>{1, 2, 3})) << "string " << id;

    std::set<int> withPlaceholders = {2068, 2072, 1294, 1300, 1301, 1388, 1389, 1397, 1600, 1601, 1602, 1761, 1800, 1976, 1977, 1978,
                                      2029, 2030, 2036, 2037, 2064, 2066, 2200, 2225, 2261, 2262, 2263, 2264, 2270,
                                      2273, 2274, 2276, 2339, 2340, 2362, 2375, 2376, 2377};
    withPlaceholders.insert(oneValue.begin(), oneValue.end());
    for (const auto &entry : journal) withPlaceholders.insert(entry.first);
    for (const auto &entry : setUp) withPlaceholders.insert(entry.first);
    for (const auto &entry : panel) withPlaceholders.insert(entry.first);
    for (const auto &entry : fileFaults) withPlaceholders.insert(entry.first);
    static const QRegularExpression printfStyle("%[-+ 0#]*[0-9.]*[sdfuxXc]");
    for (int id : UsedStringIds()) {
        const QString text = ResQString(id);
        EXPECT_FALSE(text.contains(printfStyle)) << "string " << id << " has a printf-style placeholder";
        if (!withPlaceholders.count(id)) {
            EXPECT_TRUE(Placeholders(text).empty()) << "string " << id << " has a stray placeholder";
        }
    }
}

TEST(StringTable, ConnectCaptionsDiffer) {
    EXPECT_NE(ResString(1181), ResString(1182));
    EXPECT_NE(ResString(1399), ResString(1400));
    EXPECT_NE(ResString(1419), ResString(1420));
}

TEST(StringTable, ModelNamesAreDistinctUsableSectionNames) {
    for (int id : {1234, 1235}) {
        const std::string name = ResString(id);
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find_first_of("/\\"), std::string::npos) << name;
        EXPECT_EQ(QString::fromStdString(name).trimmed().toStdString(), name);
    }
    EXPECT_NE(ResString(1234), ResString(1235));
}

TEST(StringTable, ConditionEntriesComparedByTextAreUnique) {
    // The colour-set condition choice tells its entries apart by text.
    for (int id : {1142, 1143, 1144}) {
        EXPECT_NE(ResString(1158), ResString(id));
        EXPECT_NE(ResString(1273), ResString(id));
    }
    EXPECT_NE(ResString(1158), ResString(1273));
}

TEST(StringTable, EntriesOfOneChoiceAreDistinct) {
    std::vector<int> conditions = Range(1142, 1158);
    std::erase(conditions, kReservedId);
    conditions.push_back(1273);
    ExpectAllDistinct(conditions);
    ExpectAllDistinct({1140, 1141});
    ExpectAllDistinct({1159, 1160});
    ExpectAllDistinct({1161, 1162});
    ExpectAllDistinct(Range(1163, 1177));
    ExpectAllDistinct(Range(1274, 1278));
    ExpectAllDistinct(Range(1279, 1281));
    ExpectAllDistinct({1282, 1283});
    ExpectAllDistinct(Range(1320, 1336));
    ExpectAllDistinct(Range(1349, 1353));
    ExpectAllDistinct({1254, 1255, 1179, 1309});
    ExpectAllDistinct(Range(2303, 2310));  // the buttons that fill and order the data items
}

TEST(StringTable, DataItemLabelsAreDistinct) {
    // Labels name the columns of the written data; two items with one label would be ambiguous.
    std::vector<int> labels = Range(1100, 1139);
    for (int id : Range(1250, 1253)) labels.push_back(id);
    for (int id : Range(1256, 1272)) labels.push_back(id);
    for (int id : {1310, 1311, 1313, 1314, 1319}) labels.push_back(id);
    ExpectAllDistinct(labels);
}

TEST(StringTable, SpecialTexts) {
    const std::string manual = ResString(1395);
    EXPECT_TRUE(manual.ends_with(".pdf")) << manual;
    EXPECT_EQ(manual.find_first_of("/\\"), std::string::npos) << "a plain file name";
    EXPECT_LE(ResString(1196).size(), 8u) << "the missing-value text fits a narrow cell";
    EXPECT_FALSE(ResString(1200).empty());
    EXPECT_FALSE(ResString(101).empty());
}

namespace {

// Words that keep their capital inside a sentence-case text.
bool ProperWord(const QString &word) {
    static const std::set<QString> names = {"Ombra", "Data", "Transfer", "LibreOffice", "Calc", "CGATS", "CSV"};
    return names.count(word) || word == word.toUpper();
}

// Sentence case: only the first word, names and abbreviations start with a capital ("Enter /
// Edit..." is two captions in one).
bool SentenceCase(QString text) {
    text.remove('&');
    for (const QString &part : text.split(" / ")) {
        const QStringList words = part.split(QRegularExpression("[^\\w*]+"), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < words.size(); ++i)
            if (words[i][0].isUpper() && !ProperWord(words[i])) return false;
    }
    return true;
}

std::vector<int> AllStringIds() {
    std::vector<int> ids;
    for (int id : UsedStringIds())
        if (id != kReservedId) ids.push_back(id);
    return ids;
}

}  // namespace

TEST(StringTable, OneSpellingAndOneStyle) {
    // British spelling; "Color" only inside a name such as the "ColorSet" folder.
    static const QRegularExpression american("(\\b[Cc]olor(?![A-Z])|[Pp]olariz|\\b[Cc]enter|\\b[Gg]ray\\b|SerialNo|Serial No)");
    for (int id : AllStringIds()) EXPECT_FALSE(ResQString(id).contains(american)) << "string " << id << ": " << ResString(id);
    for (const auto &entry : ombra::core::platform::ResMenu(132))
        EXPECT_FALSE(QString::fromStdString(entry.text).contains(american)) << entry.text;

    // Window names, buttons, tabs and menu items in sentence case.
    std::vector<int> captions = Range(2201, 2243);
    for (int id : Range(2300, 2313)) captions.push_back(id);  // the data-items dialog
    for (int id : {1181, 1182, 1419, 1420, 1435, 1436, 1437, 1438, 1439, 1727, 1728, 1730, 1941, 1969, 1970, 1972, 1974})
        captions.push_back(id);
    for (int id : captions) EXPECT_TRUE(SentenceCase(ResQString(id))) << "string " << id << ": " << ResString(id);
    for (const auto &entry : ombra::core::platform::ResMenu(132))
        EXPECT_TRUE(SentenceCase(QString::fromStdString(entry.text))) << entry.text;
    EXPECT_TRUE(SentenceCase("About Ombra Data Transfer..."));
    EXPECT_FALSE(SentenceCase("Send to Instrument"));
}

TEST(StringTable, FileFiltersNameTheirPatternsAfterASpace) {
    // "<Description> (*.a *.b)|*.a;*.b||": the description in sentence case ends with the patterns
    // ("*.*" for every file).
    static const QRegularExpression entry(
        "^([A-Z][^()|]*[a-z]) \\((\\*\\.(?:[a-z0-9]+|\\*)(?: \\*\\.(?:[a-z0-9]+|\\*))*)\\)$");
    int filters = 0;
    for (int id : AllStringIds()) {
        const QString text = ResQString(id);
        if (!text.contains("|*.")) continue;
        ++filters;
        ASSERT_TRUE(text.endsWith("||")) << "string " << id;
        const QStringList fields = text.chopped(2).split('|');
        ASSERT_EQ(fields.size() % 2, 0) << "string " << id;
        for (qsizetype i = 0; i < fields.size(); i += 2) {
            const QRegularExpressionMatch m = entry.match(fields[i]);
            ASSERT_TRUE(m.hasMatch()) << "string " << id << ": " << fields[i].toStdString();
            EXPECT_TRUE(SentenceCase(m.captured(1))) << "string " << id;
            EXPECT_EQ(m.captured(2), QString(fields[i + 1]).replace(';', ' ')) << "string " << id << ": the patterns differ";
        }
    }
    EXPECT_EQ(filters, 6) << "colour set, user illuminant, references, sample names, CSV and CGATS files";
}
