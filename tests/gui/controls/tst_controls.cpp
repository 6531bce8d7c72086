// The picture button and the report list, rendered offscreen.
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "support/TestSupport.h"
#include "ui/controls/CCheckListCtrl.h"
#include "ui/controls/OmbraImageButton.h"

using namespace ombra::core;

using ombra::ui::CCheckListCtrl;
using ombra::ui::OmbraImageButton;
using Face = OmbraImageButton::Face;

namespace {

QPixmap Solid(const QColor &colour, int w = 60, int h = 50) {
    QPixmap p(w, h);
    p.fill(colour);
    return p;
}

const QColor kNormal(200, 0, 0), kPressed(0, 160, 0), kHover(0, 0, 220), kDisabled(220, 220, 0);

QRgb PixelAt(QWidget &w, int x, int y) { return w.grab().toImage().pixel(x, y); }

// Bounding box of the pixels of exactly `colour` in the rendered widget.
QRect PixelsOf(QWidget &w, const QColor &colour) {
    const QImage image = w.grab().toImage();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb()) box = box.united(QRect(x, y, 1, 1));
    return box;
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void faceChoiceOrder();
    void centring();
    void imagesNeedAllFour();
    void blackIsMappedPerImage();
    void stateImagesAreDrawn();
    void captionColoursAndPosition();
    void longCaptionStaysInsideTheButton();
    void hoverLeaveAndFocus();
    void disabledButtonIgnoresMouse();
    void reportListStyles();
    void reportListRows();
};

void ControlsTest::faceChoiceOrder() {
    // pressed > disabled > hover > normal
    QCOMPARE(OmbraImageButton::ChooseFace(true, true, true), Face::Pressed);
    QCOMPARE(OmbraImageButton::ChooseFace(false, true, true), Face::Disabled);
    QCOMPARE(OmbraImageButton::ChooseFace(false, false, true), Face::Hover);
    QCOMPARE(OmbraImageButton::ChooseFace(false, false, false), Face::Normal);
}

void ControlsTest::centring() {
    QCOMPARE(OmbraImageButton::PlaceOnAxis(-1, 120, 120), 0);
    QCOMPARE(OmbraImageButton::PlaceOnAxis(-1, 125, 120), 2);
    QCOMPARE(OmbraImageButton::PlaceOnAxis(-1, 119, 120), -1);  // rounds down
    QCOMPARE(OmbraImageButton::PlaceOnAxis(7, 125, 120), 7);
    QCOMPARE(OmbraImageButton::PlaceCaptionY(-1, 112, 16), 47);
    QCOMPARE(OmbraImageButton::PlaceCaptionY(80, 112, 16), 80);
}

void ControlsTest::imagesNeedAllFour() {
    OmbraImageButton button;
    QCOMPARE(button.ImageSize(), QSize(0, 0));
    QVERIFY(!button.SetPixmaps(Solid(kNormal), QPixmap(), Solid(kHover), Solid(kDisabled)));
    QCOMPARE(button.ImageSize(), QSize(0, 0));
    QVERIFY(!button.Image(Face::Normal).isNull());  // the ones that loaded stay
    QVERIFY(button.SetPixmaps(Solid(kNormal), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
    QCOMPARE(button.ImageSize(), QSize(120, 112));
    for (Face f : {Face::Normal, Face::Pressed, Face::Hover, Face::Disabled})
        QCOMPARE(button.Image(f).size(), QSize(120, 112));
    // Missing resources (ids nobody has) fail without crashing.
    QVERIFY(!button.SetImages(-5, -6, -7, -8));
}

void ControlsTest::blackIsMappedPerImage() {
    OmbraImageButton button;
    const QColor face = button.palette().color(QPalette::Button);
    QVERIFY(button.SetPixmaps(Solid(Qt::black), Solid(Qt::black), Solid(Qt::black), Solid(Qt::black)));
    QCOMPARE(button.Image(Face::Normal).toImage().pixel(50, 50), face.rgb());
    for (Face f : {Face::Pressed, Face::Hover, Face::Disabled})
        QCOMPARE(button.Image(f).toImage().pixel(50, 50), qRgb(255, 255, 255));
    // Only pure black is replaced.
    QVERIFY(button.SetPixmaps(Solid(QColor(1, 0, 0)), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
    QCOMPARE(button.Image(Face::Normal).toImage().pixel(50, 50), qRgb(1, 0, 0));
}

void ControlsTest::stateImagesAreDrawn() {
    OmbraImageButton button;
    button.setFixedSize(122, 112);
    button.SetImagePosition(1, 0);
    QVERIFY(button.SetPixmaps(Solid(kNormal), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
    QCOMPARE(PixelAt(button, 60, 20), kNormal.rgb());
    QCOMPARE(PixelAt(button, 0, 20) == kNormal.rgb(), false);  // image starts at x 1
    button.setDown(true);
    QCOMPARE(PixelAt(button, 60, 20), kPressed.rgb());
    button.setDown(false);
    button.setEnabled(false);
    QCOMPARE(PixelAt(button, 60, 20), kDisabled.rgb());
    // Centred image in a larger button.
    button.setEnabled(true);
    button.setFixedSize(140, 132);
    button.SetImagePosition(-1, -1);
    QCOMPARE(PixelAt(button, 10, 10), kNormal.rgb());
    QVERIFY(PixelAt(button, 9, 9) != kNormal.rgb());
}

void ControlsTest::captionColoursAndPosition() {
    OmbraImageButton button;
    button.setFixedSize(120, 112);
    QFont font = button.font();
    font.setStyleStrategy(QFont::NoAntialias);
    button.setFont(font);
    button.setText("WWWW");
    QVERIFY(button.SetPixmaps(Solid(Qt::white), Solid(Qt::white), Solid(Qt::white), Solid(Qt::white)));
    QCOMPARE(button.CaptionColor(), QColor(0, 0, 0));
    QCOMPARE(button.DisabledCaptionColor(), QColor(0x80, 0x80, 0x80));

    button.SetCaptionPosition(-1, 80);
    const QColor caption(10, 20, 200);
    button.SetCaptionColor(caption);
    const QRect box = PixelsOf(button, caption);
    QVERIFY(!box.isEmpty());
    const QFontMetrics metrics(font);
    QVERIFY(box.top() >= 80 && box.bottom() < 80 + metrics.height());
    const int left = (120 - metrics.horizontalAdvance("WWWW")) / 2;
    QVERIFY2(qAbs(box.left() - left) <= 2, qPrintable(QString::number(box.left())));

    button.SetDisabledCaptionColor(QColor(0xCC, 0xCC, 0xCC));
    button.setEnabled(false);
    QVERIFY(PixelsOf(button, caption).isEmpty());
    QVERIFY(!PixelsOf(button, QColor(0xCC, 0xCC, 0xCC)).isEmpty());
}

void ControlsTest::longCaptionStaysInsideTheButton() {
    OmbraImageButton button;
    button.setFixedSize(120, 112);
    QFont font = button.font();
    font.setStyleStrategy(QFont::NoAntialias);
    button.setFont(font);
    button.setText("Measurement settings of the instrument");
    QVERIFY(button.SetPixmaps(Solid(Qt::white), Solid(Qt::white), Solid(Qt::white), Solid(Qt::white)));
    button.SetCaptionPosition(-1, 80);
    const QColor caption(10, 20, 200);
    button.SetCaptionColor(caption);
    const QRect box = PixelsOf(button, caption);
    QVERIFY(!box.isEmpty());
    QVERIFY2(box.left() >= 1 && box.right() <= 118,
             qPrintable(QString("%1..%2").arg(box.left()).arg(box.right())));
}

void ControlsTest::hoverLeaveAndFocus() {
    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *button = new OmbraImageButton(&window);
    edit->setGeometry(0, 0, 100, 20);
    button->setGeometry(0, 40, 120, 112);
    QVERIFY(button->SetPixmaps(Solid(kNormal), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
    window.resize(200, 200);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QSignalSpy hovered(button, &OmbraImageButton::MouseHovered);
    QSignalSpy left(button, &OmbraImageButton::MouseLeft);

    QTest::mouseMove(button, QPoint(30, 30));
    QVERIFY(button->hasFocus());  // at once, before any hover notice
    QTRY_VERIFY(button->IsHover());
    QCOMPARE(hovered.count(), 1);
    QCOMPARE(PixelAt(*button, 60, 20), kHover.rgb());
    button->setDown(true);
    QCOMPARE(PixelAt(*button, 60, 20), kPressed.rgb());
    button->setDown(false);

    QTest::mouseMove(edit, QPoint(5, 5));
    QTRY_VERIFY(!button->IsHover());
    QCOMPARE(left.count(), 1);
    QCOMPARE(PixelAt(*button, 60, 20), kNormal.rgb());
}

void ControlsTest::disabledButtonIgnoresMouse() {
    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *button = new OmbraImageButton(&window);
    edit->setGeometry(0, 0, 100, 20);
    button->setGeometry(0, 40, 120, 112);
    QVERIFY(button->SetPixmaps(Solid(kNormal), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
    button->setEnabled(false);
    window.resize(200, 200);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QSignalSpy hovered(button, &OmbraImageButton::MouseHovered);

    QTest::mouseMove(button, QPoint(30, 30));
    QTest::qWait(30);
    QVERIFY(!button->hasFocus());
    QVERIFY(!button->IsHover());
    QCOMPARE(hovered.count(), 0);
    QCOMPARE(PixelAt(*button, 60, 20), kDisabled.rgb());

    // Disabling a hovered button ends its hover state.
    button->setEnabled(true);
    QTest::mouseMove(button, QPoint(40, 40));
    QTRY_VERIFY(button->IsHover());
    button->setEnabled(false);
    QVERIFY(!button->IsHover());
}

void ControlsTest::reportListStyles() {
    CCheckListCtrl list;
    QVERIFY(list.showGrid());
    QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list.selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!list.verticalHeader()->isVisible());
    QCOMPARE(static_cast<QHeaderView *>(list.HeadCtrl()), list.horizontalHeader());
    QVERIFY(!list.CheckBoxMode());

    QCOMPARE(list.InsertColumn(0, "", 60), 0);
    QCOMPARE(list.InsertColumn(1, "Type", 120), 1);
    QCOMPARE(list.columnWidth(1), 120);
    QCOMPARE(list.horizontalHeaderItem(1)->text(), QString("Type"));
    QCOMPARE(list.InsertItem(0, "1"), 0);
    // Images in sub-items.
    QPixmap dot(8, 8);
    dot.fill(Qt::red);
    QVERIFY(list.SetItemImage(0, 1, QIcon(dot)));
    QVERIFY(!list.item(0, 1)->icon().isNull());
    // Cells cannot be checked or edited: the check-box mode is off.
    QVERIFY(!(list.item(0, 0)->flags() & Qt::ItemIsUserCheckable));
    QVERIFY(!(list.item(0, 0)->flags() & Qt::ItemIsEditable));
    emit list.HeadCtrl()->sectionClicked(0);
    QCOMPARE(list.item(0, 0)->data(Qt::CheckStateRole).isValid(), false);
}

void ControlsTest::reportListRows() {
    CCheckListCtrl list;
    QCOMPARE(list.InsertItem(0, "x"), -1);  // no columns yet
    list.InsertColumn(0, "#", 40);
    list.InsertColumn(1, "Name", 160);
    QCOMPARE(list.InsertItem(0, "1"), 0);
    QCOMPARE(list.InsertItem(1, "3"), 1);
    QCOMPARE(list.InsertItem(1, "2"), 1);     // between
    QCOMPARE(list.InsertItem(99, "4"), 3);    // past the end appends
    QCOMPARE(list.GetItemCount(), 4);
    QCOMPARE(list.GetItemText(1, 0), QString("2"));
    QVERIFY(list.SetItemText(2, 1, "third"));
    QVERIFY(!list.SetItemText(9, 1, "x"));
    QCOMPARE(list.GetItemText(2, 1), QString("third"));
    QCOMPARE(list.GetItemText(0, 1), QString());
    QVERIFY(list.SetItemData(3, 77));
    QCOMPARE(list.GetItemData(3), 77);

    QCOMPARE(list.GetSelectionMark(), -1);
    list.SelectItem(2);
    QCOMPARE(list.GetSelectionMark(), 2);
    list.SelectItem(1);
    QCOMPARE(list.selectionModel()->selectedRows().size(), 1);  // one row at a time
    list.SelectItem(-1);
    QCOMPARE(list.GetSelectionMark(), -1);

    QVERIFY(list.DeleteItem(0));
    QVERIFY(!list.DeleteItem(5));
    QCOMPARE(list.GetItemText(0, 0), QString("2"));
    list.DeleteAllItems();
    QCOMPARE(list.GetItemCount(), 0);
    QCOMPARE(list.GetColumnCount(), 2);
}

OMBRA_QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
