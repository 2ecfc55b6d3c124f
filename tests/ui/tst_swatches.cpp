#include "database/labvalues.h"
#include "ui/editablelinesview.h"
#include "ui/labtosrgb.h"
#include "ui/readonlylinesview.h"
#include "ui/swatchtextview.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

#include <lcms2.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Every line that is a row of the colour table, as the table view reads them.
std::optional<LabValues> rowColour(int line, const QString &text)
{
    return line > 0 ? labOfRow(text) : std::nullopt;
}

const QString table = u"Name\tL*\ta*\tb*\n"
                      "KALIDOR Grey\t50\t0\t0\n"
                      "not a colour\t50\t0\t0\n"
                      "KALIDOR Neon\t90\t-100\t0\n"
                      "KALIDOR Red\t54.29\t80.81\t69.89"_s;

// The kinds of view with a swatch margin, showing `table`, 400 by 300: a text view, the table
// view, and the output view before any edit.
enum class ViewKind { Editable, ReadOnly, EditableLines };

std::unique_ptr<QAbstractScrollArea> viewOfTable(ViewKind kind)
{
    std::unique_ptr<QAbstractScrollArea> view;
    if (kind == ViewKind::Editable) {
        auto text = std::make_unique<SwatchTextView>(rowColour, true);
        text->setPlainText(table);
        view = std::move(text);
    } else {
        std::unique_ptr<ReadOnlyLinesView> lines;
        if (kind == ViewKind::ReadOnly)
            lines = std::make_unique<ReadOnlyLinesView>(rowColour);
        else
            lines = std::make_unique<EditableLinesView>(rowColour);
        lines->setLines(table.split(u'\n'));
        view = std::move(lines);
    }
    view->resize(400, 300);
    return view;
}

SwatchMargin *marginOf(const QAbstractScrollArea &view)
{
    return view.findChild<SwatchMargin *>(u"swatchMargin"_s);
}

// Both views leave a plain text view's margin of 4 above the first line.
constexpr int textTop = 4;

} // namespace

Q_DECLARE_METATYPE(ViewKind)

class TestSwatches : public QObject {
    Q_OBJECT

private slots:
    void knownColours_data();
    void knownColours();
    void swatchesBesideColourRowsOnly_data();
    void swatchesBesideColourRowsOnly();
    void swatchIsPaintedInTheMargin_data();
    void swatchIsPaintedInTheMargin();
    void textSelectionAndCopyAreTheText();
    void marksFollowTheirLines();
    void tooltipGivesTheReasonAndTheColour_data();
    void tooltipGivesTheReasonAndTheColour();
};

void TestSwatches::knownColours_data()
{
    QTest::addColumn<double>("lightness");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<bool>("outOfGamut");

    // Neutral greys follow the sRGB curve alone; sRGB's red, green and blue primaries are the
    // D50 (Bradford) values published for them.
    QTest::newRow("white") << 100.0 << 0.0 << 0.0 << QColor(255, 255, 255) << false;
    QTest::newRow("mid grey") << 50.0 << 0.0 << 0.0 << QColor(119, 119, 119) << false;
    QTest::newRow("black") << 0.0 << 0.0 << 0.0 << QColor(0, 0, 0) << false;
    QTest::newRow("sRGB red") << 54.2917 << 80.8125 << 69.8851 << QColor(255, 0, 0) << false;
    QTest::newRow("sRGB green") << 87.8181 << -79.2873 << 80.9902 << QColor(0, 255, 0) << false;
    QTest::newRow("sRGB blue") << 29.5676 << 68.2986 << -112.0294 << QColor(0, 0, 255) << false;
    QTest::newRow("greener than sRGB") << 90.0 << -100.0 << 0.0 << QColor(0, 255, 223) << true;
    QTest::newRow("lighter than white") << 104.0 << 0.0 << 0.0 << QColor(255, 255, 255) << true;

    // Worked out by hand, without Little CMS: CIE Lab to XYZ with the ICC D50 white
    // (0.9642, 1, 0.8249), the Bradford transform to D65 (0.95047, 1, 1.08883), then the
    // XYZ-to-linear matrix and the curve of IEC 61966-2-1 (sRGB). The unrounded channels
    // are given where a row tells in from out of gamut: half a step of 8 bits beyond 0 or 255
    // is still in.
    QTest::newRow("violet") << 50.0 << 20.0 << -30.0 << QColor(133, 108, 170) << false;
    QTest::newRow("skin") << 65.0 << 18.0 << 18.0 << QColor(196, 145, 127) << false;
    QTest::newRow("leaf") << 70.0 << -40.0 << 50.0 << QColor(114, 189, 72) << false;
    QTest::newRow("navy") << 30.0 << 10.0 << -45.0 << QColor(39, 68, 142) << false;
    QTest::newRow("crimson") << 40.0 << 60.0 << 20.0 << QColor(180, 26, 66) << false;
    // 255.29 each
    QTest::newRow("lighter than white by less than half a step")
        << 100.1 << 0.0 << 0.0 << QColor(255, 255, 255) << false;
    // 257.90 each
    QTest::newRow("lighter than white by three steps")
        << 101.0 << 0.0 << 0.0 << QColor(255, 255, 255) << true;
    // 136.64, 117.59, -2.24
    QTest::newRow("yellow, its blue two steps below 0")
        << 50.0 << 0.0 << 55.5 << QColor(137, 118, 0) << true;
}

void TestSwatches::knownColours()
{
    QFETCH(double, lightness);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(QColor, expected);
    QFETCH(bool, outOfGamut);

    // Little CMS applies its observer adaptation state to absolute colorimetric transforms
    // only, which for these profiles equal relative ones while the observer is fully adapted,
    // its default. A relative colorimetric swatch is the same for an unadapted observer, to
    // whom an absolute one would show D50 white as the yellowish (255, 252, 221).
    for (const double adaptation : { 1.0, 0.0 }) {
        const double before = cmsSetAdaptationState(adaptation);
        const ScreenColour screen = LabToSrgb().convert({ lightness, a, b });
        cmsSetAdaptationState(before);
        const QByteArray seen
            = screen.colour.name().toLatin1() + " adaptation " + QByteArray::number(adaptation);
        QVERIFY2(screen.outOfGamut == outOfGamut, seen.constData());
        QVERIFY2(qAbs(screen.colour.red() - expected.red()) <= 1
                && qAbs(screen.colour.green() - expected.green()) <= 1
                && qAbs(screen.colour.blue() - expected.blue()) <= 1,
            seen.constData());
    }
}

void TestSwatches::swatchesBesideColourRowsOnly_data()
{
    QTest::addColumn<ViewKind>("kind");
    QTest::newRow("editable view") << ViewKind::Editable;
    QTest::newRow("read-only view") << ViewKind::ReadOnly;
    QTest::newRow("output view") << ViewKind::EditableLines;
}

void TestSwatches::swatchesBesideColourRowsOnly()
{
    QFETCH(ViewKind, kind);
    const auto view = viewOfTable(kind);
    SwatchMargin *margin = marginOf(*view);
    QVERIFY(!margin->swatchOf(0)); // the header
    QCOMPARE(margin->swatchOf(1)->colour, QColor(119, 119, 119));
    QVERIFY(!margin->swatchOf(1)->outOfGamut);
    QVERIFY(!margin->swatchOf(2));
    QVERIFY(margin->swatchOf(3)->outOfGamut);
    QVERIFY(!margin->swatchOf(5)); // past the last line
}

void TestSwatches::swatchIsPaintedInTheMargin_data()
{
    swatchesBesideColourRowsOnly_data();
}

void TestSwatches::swatchIsPaintedInTheMargin()
{
    QFETCH(ViewKind, kind);
    const auto view = viewOfTable(kind);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    SwatchMargin *margin = marginOf(*view);
    QCOMPARE(margin->width(), margin->preferredWidth());
    QCOMPARE(view->viewport()->x(), view->frameWidth() + margin->width());
    const QImage image = margin->grab().toImage();
    const int lineHeight = view->fontMetrics().lineSpacing();
    // The centre of a line's swatch, and a point well inside its top right corner, which is cut
    // off in white and black when sRGB cannot show the colour.
    const auto swatchPixels = [&](int line) {
        const QRect square = margin->swatchRect(textTop + line * lineHeight, lineHeight);
        const int inset = square.width() / 6;
        QList<QColor> pixels;
        for (const QPoint point : { square.center(), square.topRight() + QPoint(-inset, inset) })
            pixels.append(image.pixelColor(point * image.devicePixelRatio()));
        return pixels;
    };
    const QColor grey(119, 119, 119);
    QCOMPARE(swatchPixels(1), QList({ grey, grey }));
    QCOMPARE(swatchPixels(3), QList<QColor>({ QColor(0, 255, 223), Qt::white }));
    QCOMPARE(swatchPixels(4).first(), margin->swatchOf(4)->colour);
    QCOMPARE(swatchPixels(2).first(), view->palette().color(QPalette::Window));
}

void TestSwatches::textSelectionAndCopyAreTheText()
{
    SwatchTextView view(rowColour, true);
    view.setPlainText(table);
    view.selectAll();
    view.copy();
    QCOMPARE(QApplication::clipboard()->text(), table);
    QCOMPARE(view.textCursor().selectedText().replace(u'\u2029', u'\n'), table);
}

void TestSwatches::marksFollowTheirLines()
{
    SwatchTextView view(rowColour, true);
    view.setPlainText(table);
    view.setMarks({ { 3, u"a* -100 is odd"_s } });
    QCOMPARE(view.markOf(3), u"a* -100 is odd"_s);
    QVERIFY(view.markOf(1).isEmpty());

    // A line typed in above moves the mark down with its line.
    QTextCursor cursor(view.document());
    cursor.insertText(u"# comment\n"_s);
    QVERIFY(view.markOf(3).isEmpty());
    QCOMPARE(view.markOf(4), u"a* -100 is odd"_s);

    view.setMarks({ { 1, u"other"_s } });
    QVERIFY(view.markOf(4).isEmpty());
    QCOMPARE(view.markOf(1), u"other"_s);
    view.clear();
    QVERIFY(view.markOf(0).isEmpty());
}

void TestSwatches::tooltipGivesTheReasonAndTheColour_data()
{
    QTest::addColumn<ViewKind>("kind");
    QTest::addColumn<QString>("reason");

    // Only the editable views mark lines.
    QTest::newRow("editable view") << ViewKind::Editable << u"a* -100 is odd\n"_s;
    QTest::newRow("read-only view") << ViewKind::ReadOnly << QString();
    QTest::newRow("output view") << ViewKind::EditableLines << u"a* -100 is odd\n"_s;
}

void TestSwatches::tooltipGivesTheReasonAndTheColour()
{
    QFETCH(ViewKind, kind);
    QFETCH(QString, reason);

    const auto view = viewOfTable(kind);
    const QMap<int, QString> marks { { 3, u"a* -100 is odd"_s } };
    if (auto *text = qobject_cast<SwatchTextView *>(view.get()))
        text->setMarks(marks);
    else if (auto *lines = qobject_cast<EditableLinesView *>(view.get()))
        lines->setMarks(marks);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    SwatchMargin *margin = marginOf(*view);
    const int lineHeight = view->fontMetrics().lineSpacing();
    const auto tipAtLine = [&](int line) {
        // A tooltip goes away a moment after it is told to.
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return u"<still shown>"_s;
        const QPoint at(2, textTop + line * lineHeight + lineHeight / 2);
        QHelpEvent help(QEvent::ToolTip, at, margin->mapToGlobal(at));
        QApplication::sendEvent(margin, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAtLine(3),
        reason
            + u"L* 90, a* -100, b* 0 (D50) shows as sRGB 0, 255, 223\nOutside sRGB: the screen "
              "shows the nearest colour it has."_s);
    QCOMPARE(tipAtLine(1), u"L* 50, a* 0, b* 0 (D50) shows as sRGB 119, 119, 119"_s);
    QCOMPARE(tipAtLine(2), QString()); // no colour, no mark
    QCOMPARE(tipAtLine(12), QString()); // below the last line
}

QTEST_MAIN(TestSwatches)
#include "tst_swatches.moc"
