// Every text a user reads comes from the resource library: the program's sources pass no text
// literal to a widget, a window title, a tooltip, a message box or a file dialog, and hold no
// file-dialog filter of their own.
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
    "ColorSetButton", "setPlainText", "setHtml"};

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
};

// The data-items dialog is being rebuilt on its own branch; its texts move when that lands.
const char *const kNotYetConverted[] = {"src/ui/output/CDataItemsDlg.cpp"};

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
            // The text is kept apart, the literal's inside blanked in the code.
            Literal literal{{}, line, i};
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
            calls.push_back("{");
        } else if (c == ')' || c == ']') ++depth;
        else if (c == '(' || c == '[') {
            if (depth > 0) {
                --depth;
                continue;
            }
            calls.push_back(NameBefore(code, i));
        }
    }
    return calls;
}

bool HasLetter(const QString &text) {
    for (QChar c : text)
        if (c.isLetter()) return true;
    return false;
}

// A capitalised word or phrase: "Tones", "Step %1" (not "ctl_%1", "SELECT", "DISPLAY").
bool LooksLikeText(const QString &text) {
    static const QRegularExpression words("^[A-Z][a-z]+([ /,.:'-]|$)");
    return words.match(text).hasMatch();
}

// Why a literal is a text the user reads, or empty when it is none.
QString Finding(const QString &code, const Literal &literal, bool widgetLayer) {
    static const QRegularExpression filter("\\(\\*\\.|\\|\\*\\.");
    if (literal.text.contains(filter)) return "a file-dialog filter";
    if (!HasLetter(literal.text)) return {};
    const std::vector<QString> calls = EnclosingCalls(code, literal.offset);
    for (const QString &call : calls) {
        if (kTextSinks.count(call)) return "passed to " + call + "()";
        if (!kWrappers.count(call) && call != "{") break;
    }
    if (widgetLayer && !calls.empty() && kWrappers.count(calls.front()) && LooksLikeText(literal.text))
        return "a capitalised text in " + calls.front() + "()";
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

bool NotYetConverted(const QString &path) {
    for (const char *file : kNotYetConverted)
        if (path.endsWith(file)) return true;
    return false;
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
    };
    for (const char *text : texts) EXPECT_FALSE(Findings("src/ui/x.cpp", text).empty()) << text;
    EXPECT_EQ(Findings("src/ui/x.cpp", texts[6]).size(), 2u) << "each header label";

    const char *const none[] = {
        R"(setObjectName(QStringLiteral("ctl_%1").arg(id));)",
        R"(label->setText(platform::ResQString(2201));  // setText("Ready"))",
        R"(/* setWindowTitle("Old title"); */ int x = 0;)",
        R"(button = Button(this, kStrAdd, "addButton");)",
        R"(#include "colorset/ColorSetEditing.h")",
        R"(label->setText(QString::number(v) + " %");)",
        R"(q.prepare(QString("SELECT %1 FROM measurements").arg(columns));)",
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
        if (NotYetConverted(path)) continue;
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
