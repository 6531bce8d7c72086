// The German table against the English one, as both are built into the library: every English
// id has a German text that keeps its placeholders, line breaks and accelerator, the texts that
// must not change with the language do not, and the German main menu is the English one's twin.
#include <gtest/gtest.h>

#include <corvexres/corvexres.h>

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <map>
#include <set>
#include <vector>

namespace {

using Table = std::map<int, QString>;

// One table as corvexres-dump prints it: "\n" stays the two characters it is in the files.
Table DumpedTable(const QStringList &arguments) {
    QProcess dump;
    dump.start(QString(OMBRA_BIN_DIR) + "/corvexres-dump", arguments);
    if (!dump.waitForFinished(30000) || dump.exitCode() != 0) return {};
    Table table;
    for (const QString &line : QString::fromUtf8(dump.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0) table[line.left(tab).toInt()] = line.mid(tab + 1);
    }
    return table;
}

const Table &English() {
    static const Table table = DumpedTable({});
    return table;
}
const Table &German() {
    static const Table table = DumpedTable({"de"});
    return table;
}

std::multiset<int> Placeholders(const QString &text) {
    static const QRegularExpression pattern("%([1-9])");
    std::multiset<int> found;
    for (auto it = pattern.globalMatch(text); it.hasNext();) found.insert(it.next().captured(1).toInt());
    return found;
}

// The letters a text marks with "&" (a doubled "&&" is a plain ampersand).
QString AcceleratorLetters(const QString &text) {
    QString letters;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') { ++i; continue; }
        letters += text[i + 1].toLower();
    }
    return letters;
}

std::string Join(const std::vector<int> &ids) {
    std::string out;
    for (int id : ids) out += (out.empty() ? "" : ", ") + std::to_string(id);
    return out;
}

void ExpectUniqueAccelerators(const std::vector<QString> &texts, const std::string &where) {
    std::map<QChar, QString> taken;
    for (const QString &text : texts) {
        const QString letters = AcceleratorLetters(text);
        EXPECT_EQ(letters.size(), 1) << where << ": \"" << text.toStdString() << "\" needs exactly one accelerator";
        if (letters.isEmpty()) continue;
        const auto [it, fresh] = taken.emplace(letters[0], text);
        EXPECT_TRUE(fresh) << where << ": \"" << text.toStdString() << "\" and \"" << it->second.toStdString()
                           << "\" share the accelerator " << QString(letters[0]).toStdString();
    }
}

}  // namespace

TEST(GermanTable, EveryEnglishTextIsTranslated) {
    ASSERT_GT(English().size(), 400u);
    ASSERT_FALSE(German().empty()) << "corvexres-dump de printed nothing";
    std::vector<int> untranslated;
    for (const auto &[id, text] : English()) {
        const auto german = German().find(id);
        if (german == German().end() || (german->second.isEmpty() && !text.isEmpty())) untranslated.push_back(id);
    }
    EXPECT_TRUE(untranslated.empty()) << "no German text in libs/corvexres/strings_de.tsv for id(s) " << Join(untranslated)
                                      << " (the program shows them in English)";
    std::vector<int> unknown;
    for (const auto &entry : German())
        if (!English().count(entry.first)) unknown.push_back(entry.first);
    EXPECT_TRUE(unknown.empty()) << "German ids the English table lacks: " << Join(unknown);
}

TEST(GermanTable, KeepsPlaceholdersLineBreaksAndAccelerators) {
    for (const auto &[id, german] : German()) {
        const auto english = English().find(id);
        if (english == English().end()) continue;
        EXPECT_EQ(Placeholders(german), Placeholders(english->second)) << "placeholders of string " << id;
        EXPECT_EQ(german.count("\\n"), english->second.count("\\n")) << "line breaks of string " << id;
        EXPECT_EQ(AcceleratorLetters(german).size(), AcceleratorLetters(english->second).size()) << "accelerator of string " << id;
        EXPECT_EQ(german.startsWith(' '), english->second.startsWith(' ')) << "string " << id << " is glued to a text before it";
        EXPECT_EQ(german.endsWith(' '), english->second.endsWith(' ')) << "string " << id << " is glued to a text after it";
    }
}

TEST(GermanTable, TextsThatAreNamesOrPatternsStayAsTheyAre) {
    // Model names name the settings sections, the manual stays English, "---" is the missing
    // value in cells, 1146 is reserved; the CIE names and units are the same in every language.
    for (int id : {1146, 1196, 1234, 1235, 1395, 1100, 1101, 1102, 1161, 1162, 1165, 1167, 1256, 1274, 1408, 1958})
        EXPECT_EQ(German().at(id), English().at(id)) << "string " << id;
    // File-dialog filters keep their patterns and separators.
    int filters = 0;
    for (const auto &[id, english] : English()) {
        if (!english.contains("|*.")) continue;
        ++filters;
        // Descriptions at even places, patterns at odd ones, "||" the end.
        const QStringList englishFields = english.split('|'), germanFields = German().at(id).split('|');
        ASSERT_EQ(germanFields.size(), englishFields.size()) << "string " << id;
        for (qsizetype i = 0; i + 1 < englishFields.size(); i += 2) {
            EXPECT_EQ(germanFields[i + 1], englishFields[i + 1]) << "string " << id << ": the patterns differ";
            const QString &description = englishFields[i];
            const qsizetype open = description.indexOf('(');
            if (open < 0) continue;
            EXPECT_TRUE(germanFields[i].endsWith(' ' + description.mid(open))) << "string " << id << ": " << germanFields[i].toStdString();
        }
    }
    EXPECT_GE(filters, 6) << "the CSV, CGATS, sample-name, colour-set, user-illuminant and reference filters";
}

TEST(GermanTable, MeasurementsWindowButtonsHaveDistinctAccelerators) {
    std::vector<QString> buttons;
    for (int id : {1435, 1436, 1437, 1438, 1941, 1996}) buttons.push_back(German().at(id));
    ExpectUniqueAccelerators(buttons, "measurements window");
}

TEST(GermanTable, MainMenuIsTheEnglishOnesTwin) {
    const CorvexResMenuEntry *english = nullptr, *german = nullptr;
    ASSERT_EQ(CorvexRes_SetLanguage("en"), 1);
    const int count = CorvexRes_Menu(132, &english);
    ASSERT_EQ(CorvexRes_SetLanguage("de"), 1);
    ASSERT_EQ(CorvexRes_Menu(132, &german), count);
    const std::string connect = CorvexRes_String(1419);
    CorvexRes_SetLanguage("en");
    ASSERT_NE(german, english);

    std::vector<QString> popups, items;
    auto checkPopup = [&items](const QString &popup) {
        if (!popup.isEmpty()) ExpectUniqueAccelerators(items, "menu " + popup.toStdString());
        items.clear();
    };
    QString popup;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(german[i].level, english[i].level) << "entry " << i;
        EXPECT_EQ(german[i].commandId, english[i].commandId) << "entry " << i;
        EXPECT_EQ(german[i].text == nullptr, english[i].text == nullptr) << "separator " << i;
        if (!german[i].text) continue;
        EXPECT_STRNE(german[i].text, english[i].text) << "entry " << i << " is not translated";
        if (german[i].level == 0) {
            checkPopup(popup);
            popup = QString::fromUtf8(german[i].text);
            popups.push_back(popup);
        } else {
            items.push_back(QString::fromUtf8(german[i].text));
        }
        if (german[i].commandId == 1000) {
            EXPECT_EQ(german[i].text, connect) << "the Connect item is string 1419";
        }
    }
    checkPopup(popup);
    ExpectUniqueAccelerators(popups, "menu bar");
}

TEST(GermanTable, UnknownLanguagesGoOnInEnglish) {
    EXPECT_EQ(CorvexRes_SetLanguage("fr"), 0);
    EXPECT_STREQ(CorvexRes_String(1181), English().at(1181).toUtf8().constData());
    EXPECT_EQ(CorvexRes_SetLanguage(nullptr), 0);
    EXPECT_EQ(CorvexRes_SetLanguage("de"), 1);
    EXPECT_STREQ(CorvexRes_String(1181), German().at(1181).toUtf8().constData());
    EXPECT_EQ(CorvexRes_String(99999), nullptr) << "an id of no table is still nothing";
    EXPECT_EQ(CorvexRes_SetLanguage("en"), 1);
    EXPECT_STREQ(CorvexRes_String(1181), English().at(1181).toUtf8().constData());
}
