// html2pdf: renders an HTML file (with its images, relative to the file) into an A4 PDF.
//
//   html2pdf --input FILE.html --output-dir DIR --default-name NAME.pdf
//            [--name-from LIBRARY ID] [--stamp FILE] [--with-html]
//
// The PDF's file name is the text of string ID of the resource library LIBRARY when that
// library and string exist and the text is a plain file name; otherwise NAME.pdf. The name
// used is written to the stamp file, so a build can depend on it. The PDF is written
// atomically. Its outline (bookmarks) holds the <h2> and <h3> headings, and links to
// "#name" jump to the element of that id. --with-html also puts the HTML itself beside the
// PDF under the same name ending in ".html", with the images it shows, for a desktop that
// has a browser but no PDF viewer.
#include <corvexres/corvexres.h>
#include <dlfcn.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QAbstractTextDocumentLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

#include "PdfNavigation.h"
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Options {
    QString input, outputDir, defaultName, library, stamp;
    int stringId = 0;
    bool withHtml = false;
};

bool ParseArgs(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](QString &to) {
            if (i + 1 >= argc) return false;
            to = QString::fromLocal8Bit(argv[++i]);
            return true;
        };
        bool ok = true;
        if (a == "--input") ok = next(o.input);
        else if (a == "--output-dir") ok = next(o.outputDir);
        else if (a == "--default-name") ok = next(o.defaultName);
        else if (a == "--stamp") ok = next(o.stamp);
        else if (a == "--with-html") o.withHtml = true;
        else if (a == "--name-from") {
            QString id;
            ok = next(o.library) && next(id);
            o.stringId = id.toInt(&ok);
        } else ok = false;
        if (!ok) return false;
    }
    return !o.input.isEmpty() && !o.outputDir.isEmpty() && !o.defaultName.isEmpty();
}

// A name that stays inside the output folder.
bool IsPlainFileName(const QString &name) {
    return !name.isEmpty() && !name.contains('/') && name != "." && name != "..";
}

QString NameFromLibrary(const QString &library, int id) {
    if (library.isEmpty() || !QFileInfo::exists(library)) return {};
    void *handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return {};
    auto lookup = reinterpret_cast<decltype(&CorvexRes_String)>(dlsym(handle, "CorvexRes_String"));
    QString name;
    if (lookup)
        if (const char *text = lookup(id)) name = QString::fromUtf8(text).trimmed();
    dlclose(handle);
    return IsPlainFileName(name) ? name : QString();
}

// Named places of the document (ids and <a name>), taken off the text so that the PDF does not
// make empty web links of them.
QMap<QString, int> TakeAnchorNames(QTextDocument &document) {
    QMap<QString, int> named;  // the position of each name
    QList<std::pair<int, int>> spans;
    for (QTextBlock block = document.begin(); block != document.end(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            for (const QString &name : format.anchorNames()) named.insert(name, fragment.position());
            if (format.isAnchor() && format.anchorHref().isEmpty())
                spans.append({fragment.position(), fragment.position() + fragment.length()});
        }
    for (const auto &[from, to] : spans) {
        QTextCursor cursor(&document);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        QTextCharFormat plain = cursor.charFormat();
        plain.setAnchor(false);
        plain.setAnchorNames({});
        cursor.setCharFormat(plain);
    }
    return named;
}

// Prints a copy of `document` page by page as QTextDocument::print does (2 cm margins, the
// page number at the bottom right) and tells where each of its blocks landed.
class Printer {
public:
    Printer(QPdfWriter &writer, const QTextDocument &document)
        : writer_(writer), copy_(document.clone()), document_(*copy_) {}
    const QTextDocument &Document() const { return document_; }

    void Print() {
        QPainter painter(&writer_);
        document_.documentLayout()->setPaintDevice(painter.device());
        const int margin = int((2 / 2.54) * 96);  // in the document's 96 dpi, scaled by the layout
        QTextFrameFormat frame = document_.rootFrame()->frameFormat();
        frame.setMargin(margin);
        document_.rootFrame()->setFrameFormat(frame);
        const double scaleX = writer_.logicalDpiX() / 96.0, scaleY = writer_.logicalDpiY() / 96.0;
        body_ = QRectF(0, 0, writer_.width(), writer_.height());
        const QPointF numberAt(body_.width() - margin * scaleX,
                               body_.height() - margin * scaleY +
                                   QFontMetrics(document_.defaultFont(), painter.device()).ascent() +
                                   5 * writer_.logicalDpiY() / 72.0);
        document_.setPageSize(body_.size());
        for (int page = 0; page < document_.pageCount(); ++page) {
            if (page > 0) writer_.newPage();
            PrintPage(painter, page, numberAt);
        }
    }

    // The top left of `block` on its page, in PDF units.
    html2pdf::Place PlaceOf(const QTextBlock &block) const {
        const QRectF rect = document_.documentLayout()->blockBoundingRect(block);
        const int page = int(rect.top() / body_.height());
        const double scale = 72.0 / writer_.resolution();
        const QRect paint = writer_.pageLayout().paintRectPixels(writer_.resolution());
        const double pageHeight = writer_.pageLayout().fullRectPoints().height();
        return {page, (paint.left() + rect.left()) * scale,
                pageHeight - (paint.top() + rect.top() - page * body_.height()) * scale};
    }

private:
    void PrintPage(QPainter &painter, int page, QPointF numberAt) {
        painter.save();
        painter.translate(0, -page * body_.height());
        const QRectF view(0, page * body_.height(), body_.width(), body_.height());
        QAbstractTextDocumentLayout::PaintContext context;
        painter.setClipRect(view);
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        document_.documentLayout()->draw(&painter, context);
        painter.setClipping(false);
        painter.setFont(document_.defaultFont());
        const QString number = QString::number(page + 1);
        painter.drawText(qRound(numberAt.x() - painter.fontMetrics().horizontalAdvance(number)),
                         qRound(numberAt.y() + view.top()), number);
        painter.restore();
    }

    QPdfWriter &writer_;
    std::unique_ptr<QTextDocument> copy_;  // laid out for the writer
    QTextDocument &document_;
    QRectF body_;
};

bool WritePdf(const QString &html, const QString &baseDir, const QString &path) {
    QByteArray pdf;
    QList<html2pdf::Heading> headings;
    QMap<QString, html2pdf::Place> anchors;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(QFileInfo(path).completeBaseName());
        QTextDocument document;
        document.setBaseUrl(QUrl::fromLocalFile(baseDir + "/"));
        document.setHtml(html);
        const QMap<QString, int> named = TakeAnchorNames(document);
        Printer printer(writer, document);
        printer.Print();
        const QTextDocument &printed = printer.Document();
        for (QTextBlock block = printed.begin(); block != printed.end(); block = block.next()) {
            const int level = block.blockFormat().headingLevel();
            if (level == 2 || level == 3) headings.append({level, block.text().simplified(), printer.PlaceOf(block)});
        }
        for (auto it = named.begin(); it != named.end(); ++it)
            anchors.insert(it.key(), printer.PlaceOf(printed.findBlock(it.value())));
    }
    const QByteArray navigable = html2pdf::AddNavigation(pdf, headings, anchors);
    if (navigable.isEmpty()) {
        std::fprintf(stderr, "html2pdf: the PDF's outline and links could not be added (a link to a missing id?)\n");
        return false;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(navigable) == navigable.size() && file.commit();
}

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// The HTML beside the PDF, with every image it shows (paths relative to the page stay valid).
bool CopyHtml(const QString &inputPath, const QString &html, const QString &outputDir, const QString &pdfName) {
    const QString inputDir = QFileInfo(inputPath).absolutePath();
    static const QRegularExpression image(R"re(<img[^>]*\bsrc="([^"]+)")re");
    for (auto it = image.globalMatch(html); it.hasNext();) {
        const QString source = it.next().captured(1);
        if (source.contains("..") || source.startsWith('/') || source.contains(':')) return false;
        QFile file(inputDir + "/" + source);
        if (!file.open(QIODevice::ReadOnly)) return false;
        const QString target = outputDir + "/" + source;
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !WriteFile(target, file.readAll())) return false;
    }
    return WriteFile(outputDir + "/" + QFileInfo(pdfName).completeBaseName() + ".html", html.toUtf8());
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        std::fputs("usage: html2pdf --input FILE.html --output-dir DIR --default-name NAME.pdf "
                   "[--name-from LIBRARY ID] [--stamp FILE] [--with-html]\n", stderr);
        return 2;
    }
    QFile input(o.input);
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "html2pdf: cannot read %s\n", qPrintable(o.input));
        return 1;
    }
    const QString html = QString::fromUtf8(input.readAll());
    QString name = NameFromLibrary(o.library, o.stringId);
    if (name.isEmpty()) name = o.defaultName;
    if (!QDir().mkpath(o.outputDir)) {
        std::fprintf(stderr, "html2pdf: cannot create %s\n", qPrintable(o.outputDir));
        return 1;
    }
    const QString path = o.outputDir + "/" + name;
    if (!WritePdf(html, QFileInfo(o.input).absolutePath(), path)) {
        std::fprintf(stderr, "html2pdf: cannot write %s\n", qPrintable(path));
        return 1;
    }
    if (o.withHtml && !CopyHtml(o.input, html, o.outputDir, name)) {
        std::fprintf(stderr, "html2pdf: cannot put the HTML manual into %s\n", qPrintable(o.outputDir));
        return 1;
    }
    if (!o.stamp.isEmpty()) {
        QSaveFile stamp(o.stamp);
        if (!stamp.open(QIODevice::WriteOnly) || stamp.write(name.toUtf8() + "\n") < 0 || !stamp.commit()) {
            std::fprintf(stderr, "html2pdf: cannot write %s\n", qPrintable(o.stamp));
            return 1;
        }
    }
    std::printf("html2pdf: %s\n", qPrintable(path));
    return 0;
}
