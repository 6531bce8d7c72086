#include "PdfNavigation.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <optional>

namespace html2pdf {
namespace {

// The number that follows `key` in the last trailer ("/Root 2 0 R": 2).
std::optional<long long> TrailerNumber(const QString &trailer, const QString &key) {
    const QRegularExpressionMatch m = QRegularExpression(QRegularExpression::escape(key) + R"(\s+(\d+))").match(trailer);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toLongLong();
}

// The dictionary of object `number` ("<< ... >>"), or an empty string.
QString ObjectBody(const QString &text, long long number) {
    const QRegularExpression object(QString(R"((?:^|\n)%1 0 obj\s*(<<(?:(?!endobj).)*>>)\s*endobj)").arg(number),
                                    QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = object.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// A text string in UTF-16 with its byte-order mark, as hex: any title fits.
QByteArray PdfText(const QString &text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text) hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

QByteArray Number(double value) { return QByteArray::number(value, 'f', 2); }

QByteArray Destination(const QList<long long> &pages, const Place &place) {
    const long long page = pages.at(std::clamp(place.page, 0, int(pages.size()) - 1));
    return "[" + QByteArray::number(page) + " 0 R /XYZ " + Number(place.x) + " " + Number(place.y) + " null]";
}

QByteArray Ref(long long number) { return QByteArray::number(number) + " 0 R"; }

// The outline items: level-2 headings at the top, level-3 ones under the heading before them.
void AddOutline(std::map<long long, QByteArray> &objects, long long root, const QList<Heading> &headings,
                const QList<long long> &pages) {
    struct Item {
        long long number;
        long long parent;
        std::vector<size_t> children;
    };
    std::vector<Item> items;
    std::vector<size_t> top;
    for (qsizetype i = 0; i < headings.size(); ++i) {
        const bool child = headings[i].level > 2 && !top.empty();
        items.push_back({root + 1 + i, child ? items[top.back()].number : root, {}});
        if (child) items[top.back()].children.push_back(items.size() - 1);
        else top.push_back(items.size() - 1);
    }
    auto link = [&](const std::vector<size_t> &siblings) {
        for (size_t k = 0; k < siblings.size(); ++k) {
            const Item &item = items[siblings[k]];
            const Heading &heading = headings[qsizetype(siblings[k])];
            QByteArray body = "<<\n/Title " + PdfText(heading.title) + "\n/Parent " + Ref(item.parent) +
                              "\n/Dest " + Destination(pages, heading.place);
            if (k > 0) body += "\n/Prev " + Ref(items[siblings[k - 1]].number);
            if (k + 1 < siblings.size()) body += "\n/Next " + Ref(items[siblings[k + 1]].number);
            if (!item.children.empty())  // closed: the sections' own headings unfold on demand
                body += "\n/First " + Ref(items[item.children.front()].number) + "\n/Last " +
                        Ref(items[item.children.back()].number) + "\n/Count -" +
                        QByteArray::number(qsizetype(item.children.size()));
            objects[item.number] = body + "\n>>";
        }
    };
    link(top);
    for (const size_t parent : top) link(items[parent].children);
    QByteArray rootBody = "<<\n/Type /Outlines";
    if (!top.empty())
        rootBody += "\n/First " + Ref(items[top.front()].number) + "\n/Last " + Ref(items[top.back()].number) +
                    "\n/Count " + QByteArray::number(qsizetype(top.size()));
    objects[root] = rootBody + "\n>>";
}

// Every "#name" web link becomes a jump inside the document (its object is replaced).
bool RewriteLinks(std::map<long long, QByteArray> &objects, const QString &text, const QMap<QString, Place> &anchors,
                  const QList<long long> &pages) {
    static const QRegularExpression link(
        R"((?:^|\n)(\d+) 0 obj\s*<<\s*/Type /Annot\s*/Subtype /Link\s*/Rect \[([^\]]*)\](?:(?!endobj).)*?/URI \(#([^)]*)\)(?:(?!endobj).)*endobj)",
        QRegularExpression::DotMatchesEverythingOption);
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto anchor = anchors.find(m.captured(3));
        if (anchor == anchors.end()) return false;  // a link to nowhere: the manual is wrong
        objects[m.captured(1).toLongLong()] = "<<\n/Type /Annot\n/Subtype /Link\n/Rect [" + m.captured(2).toLatin1() +
                                              "]\n/Border [0 0 0]\n/Dest " + Destination(pages, *anchor) + "\n>>";
    }
    return true;
}

QByteArray Update(const QByteArray &pdf, const std::map<long long, QByteArray> &objects, long long size,
                  long long root, std::optional<long long> info, long long previousXref) {
    QByteArray out = pdf;
    if (!out.endsWith('\n')) out += '\n';
    std::map<long long, qsizetype> offsets;
    for (const auto &[number, body] : objects) {
        offsets[number] = out.size();
        out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n";
    for (auto it = offsets.begin(); it != offsets.end();) {
        auto end = it;
        long long next = it->first;
        while (end != offsets.end() && end->first == next) ++end, ++next;
        out += QByteArray::number(it->first) + " " + QByteArray::number(next - it->first) + "\n";
        for (; it != end; ++it) out += QByteArray::number(qlonglong(it->second)).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<<\n/Size " + QByteArray::number(size) + "\n/Root " + Ref(root);
    if (info) out += "\n/Info " + Ref(*info);
    out += "\n/Prev " + QByteArray::number(previousXref) + "\n>>\nstartxref\n" + QByteArray::number(qlonglong(xref)) +
           "\n%%EOF\n";
    return out;
}

}  // namespace

QByteArray AddNavigation(const QByteArray &pdf, const QList<Heading> &headings, const QMap<QString, Place> &anchors) {
    const QString text = QString::fromLatin1(pdf);  // byte for byte
    const qsizetype trailerAt = text.lastIndexOf("trailer");
    const qsizetype startxrefAt = text.lastIndexOf("startxref");
    if (trailerAt < 0 || startxrefAt < trailerAt) return {};
    const QString trailer = text.mid(trailerAt, startxrefAt - trailerAt);
    const auto size = TrailerNumber(trailer, "/Size");
    const auto root = TrailerNumber(trailer, "/Root");
    const auto previousXref = TrailerNumber(text.mid(startxrefAt), "startxref");
    if (!size || !root || !previousXref) return {};

    QString catalog = ObjectBody(text, *root);
    const QRegularExpressionMatch pagesRef = QRegularExpression(R"(/Pages\s+(\d+) 0 R)").match(catalog);
    if (catalog.isEmpty() || !pagesRef.hasMatch()) return {};
    const QString pagesBody = ObjectBody(text, pagesRef.captured(1).toLongLong());
    const QRegularExpressionMatch kids = QRegularExpression(R"(/Kids\s*\[([^\]]*)\])").match(pagesBody);
    if (!kids.hasMatch()) return {};
    QList<long long> pages;
    for (auto it = QRegularExpression(R"((\d+) 0 R)").globalMatch(kids.captured(1)); it.hasNext();)
        pages.append(it.next().captured(1).toLongLong());
    if (pages.isEmpty()) return {};

    std::map<long long, QByteArray> objects;
    const long long outline = *size;
    AddOutline(objects, outline, headings, pages);
    if (!RewriteLinks(objects, text, anchors, pages)) return {};
    catalog.chop(2);  // the closing ">>"
    objects[*root] = catalog.toLatin1() + "/Outlines " + Ref(outline) + "\n/PageMode /UseOutlines\n>>";
    return Update(pdf, objects, outline + 1 + headings.size(), *root, TrailerNumber(trailer, "/Info"), *previousXref);
}

}  // namespace html2pdf
