// The code names the resource library's identifiers only through the generated header, and the
// header's generator refuses a names table that disagrees with the string table.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <set>
#include <string>


namespace {

QString Read(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(ResourceIds, TheSourcesDefineNoIdOfTheirOwnAndUseEveryName) {
    // A string id kept as a number of the code's own, or passed as a bare number.
    static const QRegularExpression ownConstant("\\bkStr\\w+\\s*=\\s*\\d");
    static const QRegularExpression bareNumber("\\bResQ?String\\(\\s*\\d");
    static const QRegularExpression usedName("\\bres::(k\\w+)");
    std::set<std::string> used;
    std::string found;
    const QString root = QString(OMBRA_SOURCE_DIR);
    for (QDirIterator it(root + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const QString source = Read(path);
        for (const QRegularExpression *fault : {&ownConstant, &bareNumber})
            for (auto m = fault->globalMatch(source); m.hasNext();)
                found += path.mid(root.size() + 1).toStdString() + ": " + m.next().captured().toStdString() + "\n";
        for (auto m = usedName.globalMatch(source); m.hasNext();) used.insert(m.next().captured(1).toStdString());
    }
    EXPECT_TRUE(found.empty()) << "ids to name in libs/corvexres/names.tsv:\n" << found;

    std::string unused;
    static const QRegularExpression line("^(k\\w+)\\t\\d+$", QRegularExpression::MultilineOption);
    for (auto m = line.globalMatch(Read(root + "/libs/corvexres/names.tsv")); m.hasNext();) {
        const std::string name = m.next().captured(1).toStdString();
        if (!used.count(name)) unused += name + " ";
    }
    EXPECT_TRUE(unused.empty()) << "names no code uses: " << unused;
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

TEST(ResourceIds, TheGeneratorRefusesANamesTableThatDisagreesWithTheStrings) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto [code, said] = Generate(dir, "# a comment\nkStrMessageCaption\t1200\nkMainMenu\t132\n");
    ASSERT_EQ(code, 0) << said.toStdString();
    const QString header = Read(dir.filePath("ResourceIds.h"));
    EXPECT_TRUE(header.contains("inline constexpr int kStrMessageCaption = 1200;")) << header.toStdString();
    EXPECT_TRUE(header.contains("namespace ombra::res"));

    const std::pair<const char *, const char *> faults[] = {
        {"kStrNothing\t9\n", "string 9 is not in"},
        {"kStrA\t1200\nkStrB\t1200\n", "already has the name kStrA"},
        {"kStrA\t1200\nkStrA\t1201\n", "kStrA is named twice"},
        {"kStrA 1200\n", "expected <kName><TAB><id>"},
        {"strA\t1200\n", "expected <kName><TAB><id>"},
    };
    for (const auto &[names, message] : faults) {
        std::tie(code, said) = Generate(dir, names);
        EXPECT_NE(code, 0) << names;
        EXPECT_TRUE(said.contains(message)) << names << " said: " << said.toStdString();
    }
    EXPECT_EQ(Read(dir.filePath("ResourceIds.h")), header) << "a refused table leaves the header as it was";
}

}  // namespace
