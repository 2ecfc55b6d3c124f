#include "database/labvalues.h"
#include "ui/readonlylinesview.h"
#include "ui/swatchtextview.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

const QStringList table
    = { u"Name\tL*\ta*\tb*"_s, u"KALIDOR Grey\t50\t0\t0"_s, u"not a colour\t50\t0\t0"_s,
          u"KALIDOR Neon\t90\t-100\t0"_s, u"KALIDOR Red\t54.29\t80.81\t69.89"_s };

std::optional<LabValues> rowColour(int line, const QString &text)
{
    return line > 0 ? labOfRow(text) : std::nullopt;
}

// Where the view shows the place between characters `column` and `column` + 1 of `line`,
// with the view scrolled to the top; the lines tested have no tabs before `column`.
QPoint placeOf(const ReadOnlyLinesView &view, int line, int column)
{
    constexpr int textMargin = 4;
    const int height = view.fontMetrics().lineSpacing();
    const int x = textMargin + view.fontMetrics().horizontalAdvance(table.at(line).left(column));
    return { x, textMargin + line * height + height / 2 };
}

// A place between characters, for the data tables.
struct Place {
    int line;
    int column;
};

// The read-only plain text view that the table view stands in for, showing `lines`.
std::unique_ptr<SwatchTextView> textViewOf(const QStringList &lines, QSize size)
{
    auto text = std::make_unique<SwatchTextView>(rowColour, false);
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->resize(size);
    text->setPlainText(lines.join(u'\n'));
    return text;
}

QString selectedText(const QPlainTextEdit &text)
{
    return text.textCursor().selectedText().replace(u'\u2029', u'\n');
}

} // namespace

Q_DECLARE_METATYPE(Place)

class TestReadOnlyLinesView : public QObject {
    Q_OBJECT

private slots:
    void init();

    void mouseSelectsAndCopies_data();
    void mouseSelectsAndCopies();
    void selectAllCopiesEveryLine_data();
    void selectAllCopiesEveryLine();
    void keysSelect_data();
    void keysSelect();
    void typingChangesNothing();
    void lineBreaksAreShownByStandIns();
    void assistiveToolsSeeReadOnlyText();
    void swatchesOfTheRowsInSight();
    void rowsAddedAreShown();
    void clicksSelectAsInATextView_data();
    void clicksSelectAsInATextView();
    void controlWheelSizesTheTextAsInATextView();
    void rightToLeftLinesAsInATextView();
    void looksLikeAReadOnlyTextView_data();
    void looksLikeAReadOnlyTextView();

private:
    std::unique_ptr<ReadOnlyLinesView> m_view;
};

void TestReadOnlyLinesView::init()
{
    m_view = std::make_unique<ReadOnlyLinesView>(rowColour);
    m_view->resize(400, 300);
    m_view->setLines(table);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    QApplication::clipboard()->clear();
}

void TestReadOnlyLinesView::mouseSelectsAndCopies_data()
{
    QTest::addColumn<Place>("pressed");
    QTest::addColumn<Place>("released");
    QTest::addColumn<bool>("shiftClick");
    QTest::addColumn<QString>("copied");

    QTest::newRow("within a line") << Place { 1, 0 } << Place { 1, 7 } << false << u"KALIDOR"_s;
    QTest::newRow("across lines") << Place { 1, 8 } << Place { 3, 7 } << false
                                  << u"Grey\t50\t0\t0\nnot a colour\t50\t0\t0\nKALIDOR"_s;
    QTest::newRow("upwards") << Place { 2, 3 } << Place { 1, 12 } << false << u"\t50\t0\t0\nnot"_s;
    QTest::newRow("shift+click") << Place { 3, 8 } << Place { 4, 11 } << true
                                 << u"Neon\t90\t-100\t0\nKALIDOR Red"_s;
}

void TestReadOnlyLinesView::mouseSelectsAndCopies()
{
    QFETCH(Place, pressed);
    QFETCH(Place, released);
    QFETCH(bool, shiftClick);
    QFETCH(QString, copied);

    QWidget *viewport = m_view->viewport();
    const QPoint from = placeOf(*m_view, pressed.line, pressed.column);
    const QPoint to = placeOf(*m_view, released.line, released.column);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    if (shiftClick) {
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, from);
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, to);
    } else {
        QTest::mouseMove(viewport, (from + to) / 2);
        QTest::mouseMove(viewport, to);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    }
    QCOMPARE(m_view->selectedText(), copied);
    QTest::keySequence(m_view.get(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), copied);
}

void TestReadOnlyLinesView::selectAllCopiesEveryLine_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("keys") << false;
    QTest::newRow("context menu") << true;
}

void TestReadOnlyLinesView::selectAllCopiesEveryLine()
{
    QFETCH(bool, byMenu);
    if (byMenu) {
        const std::unique_ptr<QMenu> menu(m_view->createStandardContextMenu());
        auto *copy = menu->findChild<QAction *>(u"edit-copy"_s);
        QVERIFY(!copy->isEnabled());
        menu->findChild<QAction *>(u"select-all"_s)->trigger();
        const std::unique_ptr<QMenu> again(m_view->createStandardContextMenu());
        copy = again->findChild<QAction *>(u"edit-copy"_s);
        QVERIFY(copy->isEnabled());
        copy->trigger();
    } else {
        QTest::keySequence(m_view.get(), QKeySequence::SelectAll);
        QTest::keySequence(m_view.get(), QKeySequence::Copy);
    }
    QCOMPARE(QApplication::clipboard()->text(), table.join(u'\n'));
}

void TestReadOnlyLinesView::keysSelect_data()
{
    QTest::addColumn<QList<QKeySequence::StandardKey>>("keys");
    QTest::addColumn<QString>("selected");

    using K = QKeySequence;
    QTest::newRow("characters") << QList { K::MoveToNextLine, K::SelectNextChar, K::SelectNextChar }
                                << u"KA"_s;
    QTest::newRow("back over a line end")
        << QList { K::MoveToNextLine, K::SelectPreviousChar, K::SelectPreviousChar } << u"*\n"_s;
    QTest::newRow("lines") << QList { K::SelectNextLine, K::SelectNextLine }
                           << u"Name\tL*\ta*\tb*\nKALIDOR Grey\t50\t0\t0\n"_s;
    QTest::newRow("up a line") << QList { K::MoveToNextLine, K::MoveToNextLine,
        K::SelectPreviousLine } << u"KALIDOR Grey\t50\t0\t0\n"_s;
    QTest::newRow("to the line's start") << QList { K::MoveToEndOfDocument, K::MoveToPreviousChar,
        K::SelectStartOfLine } << u"KALIDOR Red\t54.29\t80.81\t69.8"_s;
    QTest::newRow("to the end") << QList { K::MoveToEndOfDocument, K::MoveToStartOfLine,
        K::MoveToNextChar, K::SelectEndOfDocument }
                                << u"ALIDOR Red\t54.29\t80.81\t69.89"_s;
    QTest::newRow("moving drops the selection")
        << QList { K::SelectNextLine, K::MoveToNextChar } << QString();
}

void TestReadOnlyLinesView::keysSelect()
{
    QFETCH(QList<QKeySequence::StandardKey>, keys);
    QFETCH(QString, selected);
    QTest::keySequence(m_view.get(), QKeySequence::MoveToStartOfDocument);
    for (const QKeySequence::StandardKey key : keys)
        QTest::keySequence(m_view.get(), key);
    QCOMPARE(m_view->selectedText(), selected);
}

void TestReadOnlyLinesView::typingChangesNothing()
{
    QTest::keySequence(m_view.get(), QKeySequence::SelectAll);
    QApplication::clipboard()->setText(u"pasted"_s);
    QTest::keyClicks(m_view.get(), u"typed"_s);
    for (const Qt::Key key : { Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Return, Qt::Key_Tab })
        QTest::keyClick(m_view.get(), key);
    QTest::keySequence(m_view.get(), QKeySequence::Paste);
    QTest::keySequence(m_view.get(), QKeySequence::Cut);

    QCOMPARE(m_view->lineCount(), table.size());
    for (int line = 0; line < table.size(); ++line)
        QCOMPARE(m_view->shownLine(line), table.at(line));
    QCOMPARE(QApplication::clipboard()->text(), u"pasted"_s);
}

void TestReadOnlyLinesView::lineBreaksAreShownByStandIns()
{
    // Also the paragraph separator and the two code points a text document marks frames with.
    m_view->setLines({ u"a\rb\nc\u2028d\u2029e\uFDD0f\uFDD1g"_s, u"plain"_s });
    QCOMPARE(m_view->lineCount(), 2);
    const QString shown = u"a\u240Db\u240Ac\u2424d\u00B6e\uFFFDf\uFFFDg"_s;
    QCOMPARE(m_view->shownLine(0), shown);
    QTest::keySequence(m_view.get(), QKeySequence::SelectAll);
    QCOMPARE(m_view->selectedText(), shown + u"\nplain"_s);
}

void TestReadOnlyLinesView::assistiveToolsSeeReadOnlyText()
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(m_view.get());
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().readOnly);
    QVERIFY(accessible->state().focusable);
}

void TestReadOnlyLinesView::swatchesOfTheRowsInSight()
{
    QStringList ramp { table.first() };
    for (int lightness = 0; lightness <= 100; ++lightness)
        ramp.append(u"KALIDOR L%1\t%1\t0\t0"_s.arg(lightness));
    m_view->setLines(ramp);
    constexpr int first = 60;
    m_view->verticalScrollBar()->setValue(first);

    auto *margin = m_view->findChild<SwatchMargin *>(u"swatchMargin"_s);
    const QImage image = margin->grab().toImage();
    const int height = m_view->fontMetrics().lineSpacing();
    // Scrolled, the first row in sight sits at the very top.
    for (const int row : { 0, 5, 10 }) {
        const QPoint centre = margin->swatchRect(row * height, height).center();
        QCOMPARE(image.pixelColor(centre * image.devicePixelRatio()),
            margin->swatchOf(first + row)->colour);
    }
    QVERIFY(margin->swatchOf(first)->colour != margin->swatchOf(first + 10)->colour);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void TestReadOnlyLinesView::rowsAddedAreShown()
{
    m_view->setLines({ table.first() });
    QApplication::processEvents();
    const PaintCounter viewport(m_view->viewport());
    const PaintCounter margin(m_view->findChild<SwatchMargin *>(u"swatchMargin"_s));
    const int height = m_view->fontMetrics().lineSpacing();
    // Rows one at a time, as a loop adds them, until well past the last row in sight.
    const int rows = 2 * m_view->viewport()->height() / height;
    QList<int> paintedAt;
    for (int row = 1; row <= rows; ++row) {
        m_view->append(u"KALIDOR %1\t50\t0\t0"_s.arg(row));
        const int before = viewport.paints;
        m_view->showNewRows();
        QApplication::processEvents();
        if (viewport.paints > before)
            paintedAt.append(row);
    }
    // Every row that comes in sight, the one cut off at the bottom too, is painted as it
    // comes; of the rows below, at most the one that brings the scroll bar.
    constexpr int textMargin = 4;
    const int fitting = (m_view->viewport()->height() - textMargin) / height;
    QVERIFY(fitting > 3 && rows > fitting + 3);
    QVERIFY2(paintedAt.size() >= fitting && paintedAt.size() <= fitting + 1,
        qPrintable(QString::number(paintedAt.size())));
    for (int row = 1; row <= fitting; ++row)
        QCOMPARE(paintedAt.at(row - 1), row);
    QVERIFY(margin.paints >= fitting);
    QVERIFY(m_view->verticalScrollBar()->maximum() > 0);
}

void TestReadOnlyLinesView::clicksSelectAsInATextView_data()
{
    QTest::addColumn<Place>("place");
    // One click is made in a selection of everything.
    QTest::addColumn<int>("clicks");

    QTest::newRow("a word") << Place { 1, 3 } << 2;
    QTest::newRow("the word's end") << Place { 1, 7 } << 2;
    QTest::newRow("a number") << Place { 4, 14 } << 2;
    QTest::newRow("a line") << Place { 2, 5 } << 3;
    QTest::newRow("the last line") << Place { 4, 2 } << 3;
    QTest::newRow("a click in the selection") << Place { 1, 5 } << 1;
}

void TestReadOnlyLinesView::clicksSelectAsInATextView()
{
    QFETCH(Place, place);
    QFETCH(int, clicks);

    const auto text = textViewOf(table, m_view->size());
    text->show();
    QVERIFY(QTest::qWaitForWindowExposed(text.get()));
    // The table's columns are laid out alike in both views, tabs included.
    QTextLayout layout(table.at(place.line), m_view->font());
    layout.beginLayout();
    const qreal x = layout.createLine().cursorToX(place.column);
    layout.endLayout();
    const QPoint at = placeOf(*m_view, place.line, 0) + QPoint(qRound(x), 0);
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { text.get(), m_view.get() }) {
        if (clicks == 1)
            QTest::keySequence(view, QKeySequence::SelectAll);
        else
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        if (clicks != 2)
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    QCOMPARE(m_view->selectedText(), selectedText(*text));
    // Where the caret went shows in the selection the keys make from there.
    QTest::keySequence(m_view.get(), QKeySequence::SelectNextChar);
    QTest::keySequence(text.get(), QKeySequence::SelectNextChar);
    QCOMPARE(m_view->selectedText(), selectedText(*text));
}

void TestReadOnlyLinesView::controlWheelSizesTheTextAsInATextView()
{
    const auto text = textViewOf(table, m_view->size());
    text->show();
    QVERIFY(QTest::qWaitForWindowExposed(text.get()));
    const QFont before = m_view->font();
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { text.get(), m_view.get() }) {
        for (const int notches : { 3, -1 }) {
            const QPoint centre = view->viewport()->rect().center();
            QWheelEvent wheel(centre, view->viewport()->mapToGlobal(centre), {},
                { 0, 120 * notches }, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view->viewport(), &wheel);
        }
    }
    QCOMPARE(m_view->font().pointSizeF(), before.pointSizeF() + 2);
    // The text alone: a text view keeps its margin as wide as it was made, this view widens
    // it with the font.
    const QRect common = m_view->viewport()->rect() & text->viewport()->rect();
    QCOMPARE(m_view->viewport()->grab(common).toImage(), text->viewport()->grab(common).toImage());
}

void TestReadOnlyLinesView::rightToLeftLinesAsInATextView()
{
    const QStringList lines { u"Name\tL*\ta*\tb*"_s, u"\u05D0\u05D3\u05D5\u05DD\t50\t60\t20"_s,
        u"KALIDOR \u05D0\u05D3\u05D5\u05DD\t50\t60\t20"_s };
    m_view->setLines(lines);
    const auto text = textViewOf(lines, m_view->size());
    text->show();
    QVERIFY(QTest::qWaitForWindowExposed(text.get()));
    QCOMPARE(m_view->grab().toImage(), text->grab().toImage());
}

void TestReadOnlyLinesView::looksLikeAReadOnlyTextView_data()
{
    QTest::addColumn<QList<QKeySequence::StandardKey>>("keys");
    QTest::addColumn<int>("scrolledTo");

    using K = QKeySequence;
    QTest::newRow("selection across lines") << QList { K::MoveToNextLine, K::MoveToNextChar,
        K::MoveToNextChar, K::SelectNextLine, K::SelectNextLine, K::SelectEndOfLine }
                                            << 0;
    QTest::newRow("words") << QList { K::MoveToNextLine, K::MoveToNextWord, K::MoveToNextWord,
        K::SelectNextWord, K::SelectNextWord, K::SelectNextWord, K::SelectPreviousWord }
                           << 0;
    QTest::newRow("words across lines") << QList { K::MoveToNextLine, K::MoveToEndOfLine,
        K::SelectNextWord, K::SelectNextWord, K::MoveToStartOfLine, K::SelectPreviousWord }
                                        << 0;
    QTest::newRow("scrolled") << QList { K::MoveToNextLine, K::SelectNextLine, K::SelectNextChar }
                              << 7;
    QTest::newRow("pages down and up") << QList { K::MoveToNextPage, K::MoveToNextLine,
        K::SelectNextPage, K::SelectNextPage, K::SelectPreviousPage }
                                       << -1;
    QTest::newRow("pages up from the end") << QList { K::MoveToEndOfDocument, K::SelectPreviousPage,
        K::SelectPreviousPage, K::SelectStartOfLine }
                                           << -1;
    QTest::newRow("pages past either end") << QList { K::MoveToEndOfDocument, K::MoveToPreviousLine,
        K::MoveToNextPage, K::MoveToStartOfDocument, K::MoveToNextLine, K::SelectPreviousPage }
                                           << -1;
    QTest::newRow("down off the last row in sight")
        << QList<K::StandardKey>(22, K::SelectNextLine) << -1;
}

// Text, margins, tab stops, swatches, selection colours and scrolling as a read-only text view
// shows the same lines after the same keys.
void TestReadOnlyLinesView::looksLikeAReadOnlyTextView()
{
    QFETCH(QList<QKeySequence::StandardKey>, keys);
    QFETCH(int, scrolledTo);

    QStringList lines;
    for (int copy = 0; copy < 20; ++copy)
        lines += table;
    m_view->setLines(lines);
    const auto textView = textViewOf(lines, m_view->size());
    SwatchTextView &text = *textView;
    text.show();
    QVERIFY(QTest::qWaitForWindowExposed(&text));

    // With focus, the caret and the active selection colours show; without, neither does.
    QList<QImage> shownWithFocus;
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { &text, m_view.get() }) {
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        view->setFocus();
        QVERIFY(view->hasFocus());
        for (const QKeySequence::StandardKey key : keys)
            QTest::keySequence(view, key);
        if (scrolledTo >= 0)
            view->verticalScrollBar()->setValue(scrolledTo);
        shownWithFocus.append(view->grab().toImage());
        view->clearFocus();
    }
    QCOMPARE(m_view->selectedText(), selectedText(text));
    QCOMPARE(m_view->verticalScrollBar()->value(), text.verticalScrollBar()->value());
    QCOMPARE(shownWithFocus.last(), shownWithFocus.first());
    QCOMPARE(m_view->grab().toImage(), text.grab().toImage());
}

QTEST_MAIN(TestReadOnlyLinesView)
#include "tst_readonlylinesview.moc"
