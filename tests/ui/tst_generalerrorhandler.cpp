#include "base/kalidorerror.h"
#include "ui/generalerrorhandler.h"
#include "ui/messagebox.h"
#include "ui/messages.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

class TestGeneralErrorHandler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullStopRule_data();
    void fullStopRule();
    void nestedChainShowsInnermostText_data();
    void nestedChainShowsInnermostText();
    void messageBoxCaptionIconAndButton_data();
    void messageBoxCaptionIconAndButton();
    void threeLineMessagesUseSingleCarriageReturns();
    void detailsWaitBehindTheirButton();
};

void TestGeneralErrorHandler::fullStopRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letter") << "Disk not ready"
                            << "Disk not ready.";
    QTest::newRow("digit") << "Error 42"
                           << "Error 42.";
    QTest::newRow("colon") << "Cause:"
                           << "Cause:.";
    QTest::newRow("question mark") << "Why?"
                                   << "Why?.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("closing parenthesis") << "List index out of bounds (2)"
                                         << "List index out of bounds (2)";
    QTest::newRow("exclamation mark") << "Stop!"
                                      << "Stop!";
    QTest::newRow("comma") << "one,"
                           << "one,";
    QTest::newRow("hyphen") << "half-"
                            << "half-";
    QTest::newRow("space") << "trailing "
                           << "trailing ";
    QTest::newRow("quotation mark") << "said \"no\""
                                    << "said \"no\"";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("control characters shown")
        << QStringLiteral("bad\x1B[2J name\x07") << QStringLiteral("bad\\x1B[2J name\\x07.");
    QTest::newRow("non-ASCII letter")
        << QString::fromUtf8("Fehler Größe ä") << QString::fromUtf8("Fehler Größe ä.");
}

void TestGeneralErrorHandler::fullStopRule()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(GeneralErrorHandler::displayText(std::make_exception_ptr(KalidorError(text))), shown);
    // A standard library error carries its text the same way.
    QCOMPARE(GeneralErrorHandler::displayText(
                 std::make_exception_ptr(std::runtime_error(text.toStdString()))),
        shown);
}

namespace {

// Throws `outer` with a chain of `inner` texts nested below it, innermost last.
std::exception_ptr chain(const QString &outer, const QStringList &inner)
{
    try {
        if (inner.isEmpty())
            throw KalidorError(outer);
        try {
            std::rethrow_exception(chain(inner.first(), inner.mid(1)));
        } catch (...) {
            std::throw_with_nested(KalidorError(outer));
        }
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

} // namespace

void TestGeneralErrorHandler::nestedChainShowsInnermostText_data()
{
    QTest::addColumn<QString>("outer");
    QTest::addColumn<QStringList>("inner");
    QTest::addColumn<QString>("shown");

    QTest::newRow("one level") << "Outer" << QStringList { "Inner cause" } << "Inner cause.";
    QTest::newRow("three levels") << "Outer" << QStringList { "Middle", "Deepest (1)" }
                                  << "Deepest (1)";
    QTest::newRow("empty innermost keeps own text")
        << "Outer failure" << QStringList { "Middle", "" } << "Outer failure.";
}

void TestGeneralErrorHandler::nestedChainShowsInnermostText()
{
    QFETCH(QString, outer);
    QFETCH(QStringList, inner);
    QFETCH(QString, shown);
    QCOMPARE(GeneralErrorHandler::displayText(chain(outer, inner)), shown);
}

void TestGeneralErrorHandler::messageBoxCaptionIconAndButton_data()
{
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QMessageBox::Icon>("icon");

    QTest::newRow("error") << MessageKind::Error << "Error" << QMessageBox::Critical;
    QTest::newRow("information") << MessageKind::Information << "Information"
                                 << QMessageBox::Information;
}

void TestGeneralErrorHandler::messageBoxCaptionIconAndButton()
{
    QFETCH(MessageKind, kind);
    QFETCH(QString, caption);
    QFETCH(QMessageBox::Icon, icon);

    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    QString seenCaption;
    QString seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool okIsDefault = false;
    bool ownedByWindow = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenCaption = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        buttonCount = box->buttons().size();
        okIsDefault = box->defaultButton() == box->button(QMessageBox::Ok);
        ownedByWindow = box->parentWidget() == &owner;
        QTest::keyClick(box, Qt::Key_Return);
    });
    showMessageBox(&owner, kind, QStringLiteral("first\rsecond\rthird"));

    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenIcon, icon);
    QCOMPARE(buttonCount, 1);
    QVERIFY(okIsDefault);
    QVERIFY(ownedByWindow);
    QCOMPARE(seenText.split(u'\n'), QStringList({ "first", "second", "third" }));
}

void TestGeneralErrorHandler::threeLineMessagesUseSingleCarriageReturns()
{
    for (const QString &text : { Messages::inputFileError(), Messages::outputFileError() }) {
        const QStringList lines = text.split(u'\r');
        QCOMPARE(lines.size(), 3);
        QVERIFY(!text.contains(u'\n'));
        QCOMPARE(lines[1], QStringLiteral("Press the Help Button or"));
        QVERIFY(lines[2].startsWith(QStringLiteral("Contact ")));
        QVERIFY(lines[2].endsWith(QStringLiteral(" for assistance")));
        QVERIFY(lines[2].contains(u'@'));
    }
    QCOMPARE(Messages::inputFileError().split(u'\r').first(),
        QStringLiteral("Kalidor (input) file error."));
    QCOMPARE(Messages::outputFileError().split(u'\r').first(),
        QStringLiteral("Delvane Special Color (output) file error."));
}

void TestGeneralErrorHandler::detailsWaitBehindTheirButton()
{
    const QString details = QStringLiteral("table.txt: line 3: Invalid UTF-8 sequence");
    QString seenText;
    QString seenDetails;
    bool okIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenText = box->text();
        seenDetails = box->detailedText();
        okIsDefault = box->defaultButton() == box->button(QMessageBox::Ok);
        QTest::keyClick(box, Qt::Key_Return);
    });
    showMessageBox(nullptr, MessageKind::Information, Messages::inputFileError(), details);

    QCOMPARE(seenText, QString(Messages::inputFileError()).replace(u'\r', u'\n'));
    QCOMPARE(seenDetails, details);
    QVERIFY(okIsDefault);
}

QTEST_MAIN(TestGeneralErrorHandler)
#include "tst_generalerrorhandler.moc"
