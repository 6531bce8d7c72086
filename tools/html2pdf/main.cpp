// html2pdf: renders an HTML file (with its images, relative to the file) into an A4 PDF.
//
//   html2pdf --input FILE.html --output-dir DIR --default-name NAME.pdf
//            [--name-from LIBRARY ID] [--stamp FILE]
//
// The PDF's file name is the text of string ID of the resource library LIBRARY when that
// library and string exist and the text is a plain file name; otherwise NAME.pdf. The name
// used is written to the stamp file, so a build can depend on it. The PDF is written
// atomically.
#include <corvexres/corvexres.h>
#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Options {
    QString input, outputDir, defaultName, library, stamp;
    int stringId = 0;
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

bool WritePdf(const QString &html, const QString &baseDir, const QString &path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(QFileInfo(path).completeBaseName());
        QTextDocument document;
        document.setBaseUrl(QUrl::fromLocalFile(baseDir + "/"));
        document.setHtml(html);
        document.print(&writer);
    }
    return file.commit();
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        std::fputs("usage: html2pdf --input FILE.html --output-dir DIR --default-name NAME.pdf "
                   "[--name-from LIBRARY ID] [--stamp FILE]\n", stderr);
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
