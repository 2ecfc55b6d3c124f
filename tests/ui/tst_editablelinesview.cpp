#include "database/labvalues.h"
#include "ui/editablelinesview.h"
#include "ui/swatchtextview.h"
#include "viewtext.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::optional<LabValues> rowColour(int line, const QString &text)
{
    return line > 0 ? labOfRow(text) : std::nullopt;
}

// Enough lines to scroll either way, with colours, text that is no colour and tabs.
QStringList manyLines()
{
    QStringList lines { u"Name\tL*\ta*\tb*"_s,
        u"KALIDOR with a name far longer than the view is wide, so that its end is out of sight"
        "\t50\t0\t0"_s };
    for (int row = 2; row < 80; ++row)
        lines.append(row % 7 == 0 ? u"not a colour %1"_s.arg(row)
                                  : u"KALIDOR %1\t%2\t-20\t30"_s.arg(row).arg(row % 100));
    return lines;
}

const QMap<int, QString> marks { { 3, u"odd a*"_s }, { 4, u"odd b*"_s }, { 40, u"far"_s } };

QMenu *menuOf(QAbstractScrollArea *view)
{
    if (auto *text = qobject_cast<QPlainTextEdit *>(view))
        return text->createStandardContextMenu();
    return static_cast<ReadOnlyLinesView *>(view)->createStandardContextMenu();
}

// An edit by keys, else by the context menu's entry of that name, else by text that an input
// method gives.
struct Edit {
    QKeySequence keys;
    QString menuEntry;
    QString committed;
};

void perform(QAbstractScrollArea *view, const Edit &edit)
{
    if (!edit.keys.isEmpty()) {
        QTest::keySequence(view, edit.keys);
    } else if (!edit.menuEntry.isEmpty()) {
        const std::unique_ptr<QMenu> menu(menuOf(view));
        menu->findChild<QAction *>(edit.menuEntry)->trigger();
    } else {
        QInputMethodEvent typed;
        typed.setCommitString(edit.committed);
        QApplication::sendEvent(view, &typed);
    }
}

// A menu's entries as the operator sees them.
QStringList entriesOf(QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries.append(action->isSeparator()
                ? u"--"_s
                : u"%1 %2 %3"_s.arg(action->objectName(), action->text()).arg(action->isEnabled()));
    return entries;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestEditableLinesView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillingMakesNoText();
    void firstEditBecomesText_data();
    void firstEditBecomesText();
    void contextMenuOffersEditing_data();
    void contextMenuOffersEditing();
    void selectionAndCopyBeforeEditing();
    void rowsAfterAnEditGoToTheText();
    void lineBreakCharactersStayInTheirLine();
    void clearingGoesBackToLines();

private:
    // Shows both views and gives each the focus in turn, `keys` pressed in each.
    void pressInBoth(const QList<QKeySequence::StandardKey> &keys);
    void focus(QAbstractScrollArea *view);

    // The view under test, and the editable text view it stands in for, with the same lines.
    std::unique_ptr<EditableLinesView> m_view;
    std::unique_ptr<SwatchTextView> m_text;
};

void TestEditableLinesView::init()
{
    m_view = std::make_unique<EditableLinesView>(rowColour);
    m_text = std::make_unique<SwatchTextView>(rowColour, true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { m_view.get(), m_text.get() }) {
        view->resize(420, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    for (const QString &line : manyLines())
        m_view->append(line);
    m_view->showNewRows();
    m_view->setMarks(marks);
    m_text->setPlainText(manyLines().join(u'\n'));
    m_text->setMarks(marks);
    // Both measure lines as they paint them; the long line gives both a sideways scroll bar.
    QTRY_VERIFY(
        m_view->horizontalScrollBar()->isVisible() && m_text->horizontalScrollBar()->isVisible());
    QApplication::clipboard()->setText(u"pasted\ntext"_s);
}

void TestEditableLinesView::cleanup()
{
    m_view.reset();
    m_text.reset();
}

void TestEditableLinesView::focus(QAbstractScrollArea *view)
{
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view));
    view->setFocus();
}

void TestEditableLinesView::pressInBoth(const QList<QKeySequence::StandardKey> &keys)
{
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { m_text.get(), m_view.get() }) {
        focus(view);
        for (const QKeySequence::StandardKey key : keys)
            QTest::keySequence(view, key);
    }
}

void TestEditableLinesView::fillingMakesNoText()
{
    QVERIFY(!m_view->textView());
    QCOMPARE(viewLines(m_view.get()), manyLines());
    QCOMPARE(m_view->markOf(40), u"far"_s);
    QVERIFY(m_view->markOf(5).isEmpty());
    QCOMPARE(m_view->grab().toImage(), m_text->grab().toImage());

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(m_view.get());
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().editable);
    QVERIFY(!accessible->state().readOnly);
}

void TestEditableLinesView::firstEditBecomesText_data()
{
    using K = QKeySequence;
    QTest::addColumn<QList<K::StandardKey>>("keys");
    QTest::addColumn<Edit>("edit");

    const QList<K::StandardKey> inALine { K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine,
        K::MoveToNextWord };
    const QList<K::StandardKey> acrossLines { K::MoveToNextLine, K::MoveToNextLine,
        K::SelectNextLine, K::SelectNextChar };
    const QList<K::StandardKey> farDown { K::MoveToNextPage, K::MoveToNextPage, K::SelectNextWord };
    const QList<K::StandardKey> lineStart { K::MoveToNextLine, K::MoveToNextLine, K::MoveToNextLine,
        K::MoveToNextLine };
    const auto byKeys = [](QKeySequence keys) { return Edit { keys, {}, {} }; };
    const auto byMenu = [](const QString &entry) { return Edit { {}, entry, {} }; };
    QTest::newRow("character typed") << inALine << byKeys(Qt::Key_X);
    QTest::newRow("typed, scrolled sideways")
        << QList { K::MoveToNextLine, K::MoveToEndOfLine } << byKeys(Qt::Key_X);
    QTest::newRow("Enter") << inALine << byKeys(Qt::Key_Return);
    QTest::newRow("Backspace at a line's start") << lineStart << byKeys(Qt::Key_Backspace);
    QTest::newRow("Delete over lines") << acrossLines << byKeys(Qt::Key_Delete);
    QTest::newRow("paste by keys, scrolled") << farDown << byKeys(K::Paste);
    QTest::newRow("cut by keys") << acrossLines << byKeys(K::Cut);
    QTest::newRow("Tab") << inALine << byKeys(Qt::Key_Tab);
    QTest::newRow("undo with nothing to undo") << inALine << byKeys(K::Undo);
    QTest::newRow("paste from the menu") << acrossLines << byMenu(u"edit-paste"_s);
    QTest::newRow("cut from the menu") << farDown << byMenu(u"edit-cut"_s);
    QTest::newRow("delete from the menu") << acrossLines << byMenu(u"edit-delete"_s);
    QTest::newRow("input method text") << inALine << Edit { {}, {}, u"\u00E9"_s };
}

// The edit does to the view what it does to a text view with the same lines, and leaves the
// text, caret, selection, marks and scroll position as that view has them.
void TestEditableLinesView::firstEditBecomesText()
{
    QFETCH(QList<QKeySequence::StandardKey>, keys);
    QFETCH(Edit, edit);

    pressInBoth(keys);
    QVERIFY(!m_view->textView());
    perform(m_view.get(), edit);
    focus(m_text.get());
    perform(m_text.get(), edit);

    const SwatchTextView *text = m_view->textView();
    QVERIFY(text);
    QCOMPARE(viewLines(m_view.get()), viewLines(m_text.get()));
    QVERIFY(viewLines(m_text.get()) != manyLines() || edit.keys == QKeySequence::Undo);
    QCOMPARE(text->textCursor().position(), m_text->textCursor().position());
    QCOMPARE(text->textCursor().anchor(), m_text->textCursor().anchor());
    for (int line = 0; line < m_text->blockCount(); ++line)
        QCOMPARE(m_view->markOf(line), m_text->markOf(line));
    QCOMPARE(text->verticalScrollBar()->value(), m_text->verticalScrollBar()->value());
    QCOMPARE(text->horizontalScrollBar()->value(), m_text->horizontalScrollBar()->value());

    // The operator goes on in the text view, which took the view's focus.
    focus(m_view.get());
    QVERIFY(text->hasFocus());
    QTest::keyClick(m_view->focusWidget(), Qt::Key_Y);
    QTest::keyClick(m_text.get(), Qt::Key_Y);
    QCOMPARE(viewLines(m_view.get()), viewLines(m_text.get()));
    QTest::keySequence(m_view->focusWidget(), QKeySequence::Undo);
    QTest::keySequence(m_text.get(), QKeySequence::Undo);
    QCOMPARE(viewLines(m_view.get()), viewLines(m_text.get()));

    // Without the focus, neither shows a caret.
    for (QAbstractScrollArea *view :
        std::initializer_list<QAbstractScrollArea *> { m_view.get(), m_text.get() }) {
        focus(view);
        view->focusWidget()->clearFocus();
    }
    QCOMPARE(m_view->grab().toImage(), m_text->grab().toImage());
}

void TestEditableLinesView::contextMenuOffersEditing_data()
{
    using K = QKeySequence;
    QTest::addColumn<QList<K::StandardKey>>("keys");
    QTest::addColumn<bool>("clipboardHasText");

    QTest::newRow("nothing selected, nothing to paste") << QList<K::StandardKey>() << false;
    QTest::newRow("text selected, text to paste") << QList { K::SelectNextWord } << true;
}

void TestEditableLinesView::contextMenuOffersEditing()
{
    QFETCH(QList<QKeySequence::StandardKey>, keys);
    QFETCH(bool, clipboardHasText);

    pressInBoth(keys);
    if (!clipboardHasText)
        QApplication::clipboard()->clear();
    const std::unique_ptr<QMenu> menu(m_view->createStandardContextMenu());
    const std::unique_ptr<QMenu> textMenu(m_text->createStandardContextMenu());
    QCOMPARE(entriesOf(menu.get()), entriesOf(textMenu.get()));
    QVERIFY(!m_view->textView());
}

void TestEditableLinesView::selectionAndCopyBeforeEditing()
{
    pressInBoth({ QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine,
        QKeySequence::SelectEndOfLine });
    QTest::keySequence(m_view.get(), QKeySequence::Copy);
    const QString copied = QApplication::clipboard()->text();
    QTest::keySequence(m_text.get(), QKeySequence::Copy);
    QCOMPARE(copied, QApplication::clipboard()->text());

    QTest::keySequence(m_view.get(), QKeySequence::SelectAll);
    QTest::keySequence(m_view.get(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), manyLines().join(u'\n'));
    QVERIFY(!m_view->textView());
}

void TestEditableLinesView::rowsAfterAnEditGoToTheText()
{
    QTest::keyClick(m_view.get(), Qt::Key_X);
    m_view->append(u"KALIDOR late\t1\t2\t3"_s);
    m_view->append(u"KALIDOR later\t4\t5\t6"_s);
    m_view->showNewRows();
    QStringList expected = manyLines();
    expected.first().prepend(u'x');
    expected << u"KALIDOR late\t1\t2\t3"_s << u"KALIDOR later\t4\t5\t6"_s;
    QCOMPARE(viewLines(m_view.get()), expected);
}

// A character that a text document would break a line at, or take for a frame, is shown by its
// stand-in in the text that the first edit makes and in the rows that come after it.
void TestEditableLinesView::lineBreakCharactersStayInTheirLine()
{
    const QString breaking = u"KALIDOR a\rb\nc\u2028d\u2029e\uFDD0f\uFDD1g\t50\t0\t0"_s;
    const QString shown = u"KALIDOR a\u240Db\u240Ac\u2424d\u00B6e\uFFFDf\uFFFDg\t50\t0\t0"_s;
    m_view->clear();
    m_view->setLines({ manyLines().first(), breaking, u"KALIDOR next\t60\t0\t0"_s });
    QTest::keyClick(m_view.get(), Qt::Key_X);
    QVERIFY(m_view->textView());
    m_view->append(breaking);
    m_view->showNewRows();
    QCOMPARE(viewLines(m_view.get()),
        QStringList({ u'x' + manyLines().first(), shown, u"KALIDOR next\t60\t0\t0"_s, shown }));
}

void TestEditableLinesView::clearingGoesBackToLines()
{
    focus(m_view.get());
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QVERIFY(m_view->textView());

    m_view->clear();
    QVERIFY(!m_view->textView());
    QVERIFY(m_view->hasFocus());
    QVERIFY(viewLines(m_view.get()).isEmpty());
    QVERIFY(m_view->markOf(3).isEmpty());

    m_view->setLines(manyLines());
    m_view->setMarks(marks);
    QVERIFY(!m_view->textView());
    m_view->clearFocus();
    // Again the view measures lines as it paints them.
    QTRY_COMPARE(m_view->grab().toImage(), m_text->grab().toImage());
}

QTEST_MAIN(TestEditableLinesView)
#include "tst_editablelinesview.moc"
