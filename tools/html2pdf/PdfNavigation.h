// Navigation added to a PDF written by QPdfWriter: an outline (bookmarks) of the headings and
// links inside the document in place of the "#name" web links the writer makes of them. It is
// added as an incremental update (new objects, a new cross-reference section and trailer after
// the original end), so nothing the writer wrote is changed.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace html2pdf {

// A place in the document: its page (from 0) and a point on it, in PDF units (from the bottom).
struct Place {
    int page = 0;
    double x = 0, y = 0;
};

struct Heading {
    int level = 2;  // 2 at the top of the outline, 3 under the heading before it
    QString title;
    Place place;
};

// `pdf` with the outline of `headings` and every link to "#name" turned into a jump to
// `anchors[name]`. An empty result means the file was not understood.
QByteArray AddNavigation(const QByteArray &pdf, const QList<Heading> &headings, const QMap<QString, Place> &anchors);

}  // namespace html2pdf
