// Every text a user reads comes from the resource library: the program's sources pass no text
// literal to a widget, a window title, a tooltip, a message box, a file dialog or the terminal,
// return or keep no reason of their own for the user to read, propose no file name of their own
// and hold no file-dialog filter of their own.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <set>
#include <string>
#include <vector>

namespace {

// Calls whose string arguments the user reads.
const std::set<QString> kTextSinks = {
    "tr",          "setText",        "setWindowTitle",  "setToolTip",     "setStatusTip",       "setWhatsThis",
    "setTitle",    "setPlaceholderText", "setLabelText", "addItem",       "addItems",           "insertItem",
    "addTab",      "insertTab",      "setTabText",      "addRow",         "setHorizontalHeaderLabels",
    "setVerticalHeaderLabels",       "addAction",       "addMenu",        "QPushButton",        "QToolButton",
    "QLabel",      "QCheckBox",      "QRadioButton",    "QGroupBox",      "QAction",            "QMenu",
    "QMessageBox", "information",    "warning",         "critical",       "question",           "about",
    "ShowMessageBox", "QProgressDialog", "getText",     "getItem",        "QTableWidgetItem",   "QListWidgetItem",
    "InsertColumn", "showMessage",   "setPrefix",       "setSuffix",      "setSpecialValueText", "addButton",
    "ColorSetButton", "setPlainText", "setHtml",
    // what the terminal shows
    "fprintf",     "printf",         "fputs",           "puts",           "qWarning",           "qCritical",
    "qInfo",       "qFatal",         "QCommandLineOption", "setApplicationDescription"};

// Wrappers a text goes through unchanged; a capitalised word in one of them is a text too.
const std::set<QString> kWrappers = {"QStringLiteral", "QString", "QLatin1String", "fromUtf8", "fromStdString",
                                     "fromLatin1"};

// Literals that look like texts but are none (a name of the program's own, not translated).
struct Allowed {
    const char *fileEnd;
    const char *literal;
};
const Allowed kAllowed[] = {
    {"src/app/App.cpp", "ombra-dts"},  // the desktop file's name
    // The one line said when there is no resource library to say anything with.
    {"src/app/main.cpp", "%s: the resource library %s cannot be loaded\n"},
    // The version block's record of the program's name; nothing shows it (the About box and the
    // captions take the name from the library).
    {"src/app/VersionInfo.cpp", "Ombra Data Transfer"},
};

struct Literal {
    QString text;
    int line = 0;
    qsizetype offset = 0;  // of the opening quote in the comment-free code
};

// The code with comments blanked out (line breaks kept), and its string literals.
QString WithoutComments(const QString &source, std::vector<Literal> &literals) {
    QString code = source;
    int line = 1;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == '\n') ++line;
        const QChar next = i + 1 < code.size() ? code[i + 1] : QChar();
        if (c == '/' && next == '/') {
            while (i < code.size() && code[i] != '\n') code[i++] = ' ';
            --i;
        } else if (c == '/' && next == '*') {
            for (; i + 1 < code.size() && !(code[i] == '*' && code[i + 1] == '/'); ++i)
                if (code[i] != '\n') code[i] = ' ';
                else ++line;
            if (i + 1 < code.size()) code[i] = code[i + 1] = ' ';
            ++i;
        } else if (c == '\'' && i > 0 && !code[i - 1].isLetterOrNumber()) {
            // A character literal: blanked, so that a '(' in it counts for nothing.
            for (++i; i < code.size() && code[i] != '\''; ++i) {
                if (code[i] == '\\') code[i++] = ' ';
                if (i < code.size()) code[i] = ' ';
            }
        } else if (c == '"') {
            // The text is kept apart, the literal's inside blanked in the code. Literals side by side
            // ("a" "b") are one, as the compiler joins them.
            Literal literal{{}, line, i};
            for (;;) {
                for (++i; i < code.size() && code[i] != '"'; ++i) {
                    if (code[i] == '\\' && i + 1 < code.size()) {
                        code[i++] = ' ';
                        literal.text += code[i] == 'n' ? QChar('\n') : code[i];
                    } else {
                        literal.text += code[i];
                    }
                    if (code[i] == '\n') ++line;
                    code[i] = ' ';
                }
                qsizetype next = i + 1;
                while (next < code.size() && code[next].isSpace()) ++next;
                if (next >= code.size() || code[next] != '"') break;
                for (qsizetype k = i; k < next; ++k) line += code[k] == '\n' ? 1 : 0;
                code[i] = code[next] = ' ';
                i = next;
            }
            literals.push_back(literal);
        }
    }
    return code;
}

// The last character before `at` that is not a space.
QChar LastBefore(const QString &code, qsizetype at) {
    while (at > 0 && code[at - 1].isSpace()) --at;
    return at > 0 ? code[at - 1] : QChar(';');
}

// The identifier that ends just before `at` (spaces between allowed), or empty.
QString NameBefore(const QString &code, qsizetype at) {
    while (at > 0 && code[at - 1].isSpace()) --at;
    qsizetype start = at;
    while (start > 0 && (code[start - 1].isLetterOrNumber() || code[start - 1] == '_')) --start;
    return code.mid(start, at - start);
}

// The name of the call whose "(" is at `at`; for a declaration such as `QLabel label("Text")`,
// the type when it is one whose texts the user reads.
QString CallName(const QString &code, qsizetype at) {
    const QString name = NameBefore(code, at);
    qsizetype start = at;
    while (start > 0 && code[start - 1].isSpace()) --start;
    const QString type = NameBefore(code, start - name.size());
    return kTextSinks.count(type) ? type : name;
}

// The names of the calls a literal sits in, innermost first, back to its statement's start.
std::vector<QString> EnclosingCalls(const QString &code, qsizetype at) {
    std::vector<QString> calls;
    int depth = 0;
    for (qsizetype i = at - 1; i >= 0; --i) {
        const QChar c = code[i];
        if (c == ';') {
            if (depth == 0) break;
        } else if (c == '}') {
            ++depth;
        } else if (c == '{') {
            if (depth > 0) {
                --depth;
                continue;
            }
            // A list in braces passes its texts on; a block ends the statement.
            const QChar last = LastBefore(code, i);
            if (!(last == '=' || last == '(' || last == ',' || last == '{' || last.isLetterOrNumber())) break;
            static const QRegularExpression namespaceBlock("\\bnamespace(\\s+[\\w:]+)?\\s*$");
            if (code.left(i).contains(namespaceBlock)) break;
            calls.push_back("{");
        } else if (c == ')' || c == ']') ++depth;
        else if (c == '(' || c == '[') {
            if (depth > 0) {
                --depth;
                continue;
            }
            calls.push_back(CallName(code, i));
        }
    }
    return calls;
}

// A letter outside the placeholders of printf ("%s", "%-30s") and of QString ("%1").
bool HasLetter(QString text) {
    static const QRegularExpression placeholder("%[-+ 0#]*[0-9]*(\\.[0-9]+)?[hlz]*[a-zA-Z]|%[0-9]");
    text.remove(placeholder);
    for (QChar c : text)
        if (c.isLetter()) return true;
    return false;
}

// A capitalised word or phrase: "Tones", "Step %1" (not "ctl_%1", "SELECT", "DISPLAY").
bool LooksLikeText(const QString &text) {
    static const QRegularExpression words("^[A-Z][a-z]+([ /,.:'-]|$)");
    return words.match(text).hasMatch();
}

// Words of a sentence: two lower-case words in a row ("show this help", "it is a link").
const QRegularExpression &Sentence() {
    static const QRegularExpression words("\\b[a-z]{2,} [a-z]{2,}\\b");
    return words;
}

// The statement a literal stands in, from its start up to the literal.
QString StatementBefore(const QString &code, qsizetype at) {
    qsizetype start = at;
    while (start > 0 && code[start - 1] != ';' && code[start - 1] != '{' && code[start - 1] != '}') --start;
    return code.mid(start, at - start).trimmed();
}

// A literal that a function returns or keeps as what went wrong, or proposes as a file's name:
// words the user reads later ("it is not a regular file", "measurements.csv").
QString Kept(const QString &statement, const Literal &literal, const std::vector<QString> &calls) {
    // The name a file dialog proposes, or the constant kept for it.
    static const QRegularExpression fileName("(\\.fileName|DefaultFileName)\\s*=$");
    if (statement.contains(fileName)) return "a file name proposed to the user";
    // Reached through a list (a table of options) or a wrapper only.
    for (const QString &call : calls)
        if (!kWrappers.count(call) && call != "string" && call != "{") return {};
    static const QRegularExpression told("\\breturn\\b|(problem|error|reason)\\w*\\s*\\+?=(?!=)",
                                         QRegularExpression::CaseInsensitiveOption);
    // A constant named for a text: kNoDisplayLine, kHelpText.
    static const QRegularExpression constant("\\bk\\w*(Line|Text|Message|Help|Reason|Caption|Title|Label)\\s*=$");
    if (!literal.text.contains(Sentence())) return {};
    if (statement.contains(told)) return "a reason told to the user";
    if (statement.contains(constant)) return "a text kept in a constant";
    if (!calls.empty() && calls.front() == "{") return "a text in a list";
    return {};
}

// Why a literal is a text the user reads, or empty when it is none.
QString Finding(const QString &code, const Literal &literal, bool widgetLayer) {
    static const QRegularExpression filter("\\(\\*\\.|\\|\\*\\.");
    if (literal.text.contains(filter)) return "a file-dialog filter";
    if (!HasLetter(literal.text)) return {};
    // A statement for a database speaks to the server, not to the user.
    static const QRegularExpression sql("^(CREATE|SELECT|INSERT|UPDATE|DELETE|ALTER|DROP|WITH) ");
    if (literal.text.contains(sql)) return {};
    const std::vector<QString> calls = EnclosingCalls(code, literal.offset);
    if (QString kept = Kept(StatementBefore(code, literal.offset), literal, calls); !kept.isEmpty()) return kept;
    for (const QString &call : calls) {
        // An option's name is typed as it stands; its description is a text.
        if (call == "QCommandLineOption" && !literal.text.contains(' ')) return {};
        if (kTextSinks.count(call)) return "passed to " + call + "()";
        if (!kWrappers.count(call) && call != "{") break;
    }
    if (widgetLayer && !calls.empty() && kWrappers.count(calls.front()) && LooksLikeText(literal.text))
        return "a capitalised text in " + calls.front() + "()";
    // A table of the captions a dialog gives its buttons: {3, "Add >", &Dialog::OnAdd}.
    if (widgetLayer && !calls.empty() && calls.front() == "{" && LooksLikeText(literal.text))
        return "a capitalised text in a list";
    return {};
}

// Every finding of one source text, as "file:line: why: "text"".
std::vector<std::string> Findings(const QString &file, const QString &source) {
    std::vector<std::string> found;
    std::vector<Literal> literals;
    const QString code = WithoutComments(source, literals);
    const bool widgetLayer = !file.contains("src/core/");
    for (const Literal &literal : literals) {
        // #include lines name files.
        const qsizetype lineStart = code.lastIndexOf('\n', literal.offset) + 1;
        if (code.mid(lineStart, literal.offset - lineStart).trimmed().startsWith('#')) continue;
        const QString why = Finding(code, literal, widgetLayer);
        if (why.isEmpty()) continue;
        bool allowed = false;
        for (const Allowed &a : kAllowed) allowed = allowed || (file.endsWith(a.fileEnd) && literal.text == a.literal);
        if (!allowed)
            found.push_back(QString("%1:%2: %3: \"%4\"").arg(file).arg(literal.line).arg(why, literal.text).toStdString());
    }
    return found;
}

}  // namespace

TEST(SourceTexts, TheScannerFindsTextsInTheFormsTheyTake) {
    const char *const texts[] = {
        R"(label->setText("Ready");)",
        R"(auto *b = new QPushButton(tr("Send to instrument"), this);)",
        R"(box->addItem(QStringLiteral("Step %1").arg(s + 1));)",
        R"(layout->addRow(QStringLiteral("Tone factor"), toneFactor_);)",
        R"(const QString headings[] = {QString(), QStringLiteral("Model"), QStringLiteral("Serial")};)",
        R"(request.filter = "Some file (*.abc)|*.abc||";)",
        R"(table->setHorizontalHeaderLabels({"Name", "Value"});)",
        "QMessageBox::warning(this,\n    caption,\n    \"Something went wrong\");",
        // what the terminal shows, reasons kept for a message, a proposed file name
        R"(std::fprintf(stderr, "instrument library not loaded: %s\n", error.c_str());)",
        R"(QCommandLineOption undo("undo", "take that set-up back");)",
        R"(if (info.st_uid != ::getuid()) return "it belongs to user " + std::to_string(info.st_uid);)",
        R"(return std::string("its mode ") + mode + " lets other users open it";)",
        R"(if (fd < 0) { problem_ = "it is a symbolic link"; return Result::Untrusted; })",
        R"(if (error) *error = "missing functions: " + missingNames;)",
        R"(request.fileName = "measurements.csv";)",
        R"(static constexpr const char *kDefaultFileName = "UserIlluminant";)",
        R"(constexpr const char *kNoDisplayLine = "no display: set DISPLAY or WAYLAND_DISPLAY";)",
        R"(static const std::vector<OptionHelp> options = {{"-h, --help", "show this help and exit"}};)",
        R"(const ButtonDef moves[] = {{3, "Add >", &CDataItemsDlg::OnAdd}, {9, "Top", &CDataItemsDlg::MoveToTop}};)",
    };
    for (const char *text : texts) EXPECT_FALSE(Findings("src/ui/x.cpp", text).empty()) << text;
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[6]).size(), 2u) << "each header label";
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[9]).size(), 1u) << "the description, not the option's name";
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[11]).size(), 2u) << "both parts of the reason";
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[17]).size(), 1u) << "the help, not the option";
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[18]).size(), 2u) << "each caption of the table";
    const QString joined = "std::fprintf(stderr, \"the server did not\"\n    \" answer: %s\\n\", why);";
    EXPECT_EQ(Findings("src/ui/x.cpp", joined).size(), 1u) << "literals side by side are one text";

    const char *const none[] = {
        R"(setObjectName(QStringLiteral("ctl_%1").arg(id));)",
        R"(label->setText(platform::ResQString(2201));  // setText("Ready"))",
        R"(/* setWindowTitle("Old title"); */ int x = 0;)",
        R"(button = Button(this, kStrAdd, "addButton");)",
        R"(#include "colorset/ColorSetEditing.h")",
        R"(label->setText(QString::number(v) + " %");)",
        R"(q.prepare(QString("SELECT %1 FROM measurements").arg(columns));)",
        R"(std::fprintf(stderr, "%s: %s\n", name.c_str(), text.c_str());)",
        R"(request.fileName = platform::ResString(kStrExportName) + ".csv";)",
        R"(return std::string(runtime) + "/" + name;)",
        R"(if (arg == "--undo") undo = true; else return Wrong(kStrGoesWith, {"--undo", "--setup-libreoffice"});)",
        R"(return name.empty() ? "ombra-dts" : name;)",
        R"(if (error) *error = Find("missing functions");)",
        "namespace {\nconst char kFolder[] = \"Manual\";",
        "const QStringList steps = {\n    \"CREATE TABLE m (\"\n    \" uid uuid NOT NULL, station text NOT NULL)\"};",
    };
    for (const char *text : none) EXPECT_TRUE(Findings("src/ui/x.cpp", text).empty()) << text;
    EXPECT_TRUE(Findings("src/core/x.cpp", R"(QString("Select all rows"))").empty()) << "the core names no widgets";
    EXPECT_EQ(Findings("src/core/x.cpp", R"(constexpr const char *kFilter = "Old file(*.x)|*.x||";)").size(), 1u);
}

TEST(SourceTexts, TheProgramHoldsNoTextOfItsOwn) {
    const QString root = QString(OMBRA_SOURCE_DIR) + "/src";
    std::vector<std::string> found;
    int files = 0;
    for (QDirIterator it(root, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        ++files;
        const QString relative = path.mid(root.size() - 3);
        for (const std::string &f : Findings(relative, QString::fromUtf8(file.readAll()))) found.push_back(f);
    }
    EXPECT_GT(files, 100) << "the sources were found";
    std::string report;
    for (const std::string &f : found) report += f + "\n";
    EXPECT_TRUE(found.empty()) << "texts to move into libs/corvexres/strings_en.tsv:\n" << report;
}
