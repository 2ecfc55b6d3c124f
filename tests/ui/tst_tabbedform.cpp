#include "scripteddialogs.h"
#include "shell/helpdocument.h"
#include "ui/progressindicator.h"
#include "ui/unitKalidorTabbed.h"
#include "viewtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

// Catches what the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TestTabbedForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startState();
    void controlsSitWhereTheyBelong_data();
    void controlsSitWhereTheyBelong();
    void tabHeadersShareTheWidth();
    void tabOrderFollowsThePages();
    void hoverOverEitherCheckBoxWidensAppend_data();
    void hoverOverEitherCheckBoxWidensAppend();
    void movingBetweenCheckBoxesShrinksAndWidensAgain();
    void clickOnSecondTabHidesProgress();
    void resizingKeepsAnchors();
    void pageLabelsStayAndOutputViewFollowsThePage();
    void helpAsksTheDesktopToOpenTheGuide();
    void helpThatOpensNothingChangesNothing_data();
    void helpThatOpensNothingChangesNothing();

private:
    template<class T> T *child(const char *name) const
    {
        auto *found = m_form->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void showSecondPage();
    // Every named control's place, visibility, enabled state and text, and the tabs' state.
    QStringList windowState() const;

    ScriptedDialogs *m_dialogs = nullptr;
    TTabbedForm *m_form = nullptr;
};

void TestTabbedForm::init()
{
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_form = new TTabbedForm(std::move(dialogs));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestTabbedForm::cleanup()
{
    delete m_form;
    m_form = nullptr;
}

void TestTabbedForm::showSecondPage()
{
    child<QTabWidget>("TabControl1")->setCurrentIndex(1);
    QTest::qWait(0);
}

void TestTabbedForm::startState()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("TabbedForm"));
    QCOMPARE(m_form->size(), QSize(609, 616));
    QVERIFY(m_form->windowTitle().isEmpty());

    auto *tabs = child<QTabWidget>("TabControl1");
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->currentWidget(), child<QWidget>("TabItem1"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Read Kalidor File"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Build Delvane File"));
    QVERIFY(tabs->isTabVisible(0) && tabs->isTabVisible(1));
    QVERIFY(!tabs->isTabVisible(2) && !tabs->isTabVisible(3));
    QVERIFY(tabs->isTabEnabled(1));
    QCOMPARE(tabs->tabBar()->tabTextColor(0), QColor(0xFF191970));
    QCOMPARE(tabs->tabBar()->tabTextColor(1), QColor(0xFF696969));
    QVERIFY(tabs->tabBar()->font().bold());

    auto *title = child<QLabel>("ToolBarLabel");
    QCOMPARE(title->text(),
        QStringLiteral("KALIDOR to Delvane Color Database Builder") + QString(16, u' '));
    QCOMPARE(title->text().size(), 57);
    QVERIFY(title->font().bold());
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(0xFF0000FF));
    QCOMPARE(title->toolTip(),
        QStringLiteral("Converts a KALIDOR Color Table to a CSV file for use by Delvane"));
    QVERIFY(title->alignment() & Qt::AlignHCenter);

    auto *help = child<QPushButton>("btnHelp");
    QCOMPARE(help->text(), QStringLiteral("Help"));
    QVERIFY(help->isEnabled() && help->font().bold());
    QCOMPARE(help->palette().color(QPalette::ButtonText), QColor(0xFF4B0082));

    QVERIFY(child<QPushButton>("btnOpenKalidorFile")->isEnabled());
    QCOMPARE(child<QLabel>("labelKalidorFileName")->text(), QStringLiteral("Kalidor File Name"));
    QVERIFY(child<QLabel>("labelKalidorFileName")->isVisible());
    QCOMPARE(child<QLabel>("labelRealKalidorFileName")->text(),
        QStringLiteral("labelRealKalidorFileName"));
    QVERIFY(!child<QLabel>("labelRealKalidorFileName")->isVisibleTo(m_form));

    auto *table = child<ReadOnlyLinesView>("memoKalidor");
    QCOMPARE(table->lineCount(), 0);
    QVERIFY(qobject_cast<QSizeGrip *>(table->cornerWidget()));

    auto *convert = child<QPushButton>("buttonConvertDelvane");
    QVERIFY(!convert->isEnabled());
    QVERIFY(child<QCheckBox>("CheckBoxCSV")->isChecked());
    QCOMPARE(child<QCheckBox>("CheckBoxCSV")->toolTip(),
        QStringLiteral("Uncheck for Delvane Version 7.1 and below"));
    QVERIFY(!child<QCheckBox>("CheckBoxAppend")->isChecked());
    QCOMPARE(child<QCheckBox>("CheckBoxAppend")->text(), QStringLiteral("Append"));
    QCOMPARE(child<QLabel>("labelDelvaneColorFile")->text(),
        QStringLiteral("KALIDOR_Color_Database.csv"));
    auto *output = child<EditableLinesView>("memoDelvaneSpecialColors");
    QVERIFY(!output->isReadOnly());
    QCOMPARE(output->lineCount(), 0);
    QVERIFY(!output->cornerWidget());

    auto *progress = child<ProgressIndicator>("RectangleProgress");
    QCOMPARE(progress->parentWidget(), m_form);
    QVERIFY(!progress->isVisibleTo(m_form));
    QCOMPARE(progress->geometry(), QRect(176, 112, 400, 25));

    // The second page can be opened before any file; its controls are as they start.
    showSecondPage();
    QVERIFY(child<QCheckBox>("CheckBoxCSV")->isVisible());
    QVERIFY(child<QCheckBox>("CheckBoxAppend")->isVisible());
    QVERIFY(child<QLabel>("labelDelvaneColorFile")->isVisible());
    QVERIFY(!convert->isEnabled());
}

void TestTabbedForm::controlsSitWhereTheyBelong_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    // Where a button may grow to so that a wider platform font is not clipped; 0: not at all.
    QTest::addColumn<int>("growsUpTo");

    QTest::newRow("tool bar") << "HeaderToolBar" << QRect(0, 0, 609, 48) << 0;
    QTest::newRow("title fills the tool bar") << "ToolBarLabel" << QRect(0, 0, 609, 48) << 0;
    QTest::newRow("help") << "btnHelp" << QRect(480, 14, 80, 22) << 0;
    QTest::newRow("tab control") << "TabControl1" << QRect(0, 48, 609, 568) << 0;
    QTest::newRow("open") << "btnOpenKalidorFile" << QRect(16, 16, 121, 22) << 176;
    QTest::newRow("hidden path label")
        << "labelRealKalidorFileName" << QRect(40, 472, 465, 17) << 0;
    QTest::newRow("convert") << "buttonConvertDelvane" << QRect(16, 16, 153, 22) << 189;
    QTest::newRow("csv") << "CheckBoxCSV" << QRect(189, 16, 159, 19) << 0;
    QTest::newRow("append") << "CheckBoxAppend" << QRect(362, 16, 72, 19) << 0;
}

void TestTabbedForm::controlsSitWhereTheyBelong()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(int, growsUpTo);
    showSecondPage();
    const QRect actual = child<QWidget>(name.toLatin1().constData())->geometry();
    if (growsUpTo == 0) {
        QCOMPARE(actual, geometry);
    } else {
        QCOMPARE(actual.topLeft(), geometry.topLeft());
        QCOMPARE(actual.height(), geometry.height());
        QVERIFY(actual.width() >= geometry.width());
        QVERIFY(actual.right() < growsUpTo);
    }
}

void TestTabbedForm::tabHeadersShareTheWidth()
{
    auto *bar = child<QTabWidget>("TabControl1")->tabBar();
    const QRect first = bar->tabRect(0);
    const QRect second = bar->tabRect(1);
    QCOMPARE(first.height(), 49);
    QCOMPARE(second.height(), 49);
    QVERIFY(qAbs(first.width() - second.width()) <= 1);
    QCOMPARE(first.width() + second.width(), 609);
}

void TestTabbedForm::tabOrderFollowsThePages()
{
    // The next widget that the Tab key can reach, as QWidget::focusNextChild looks for it.
    const auto nextTabStop = [](const QWidget *widget) {
        QWidget *next = widget->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    const auto follows = [&](const char *first, const char *second) {
        return nextTabStop(child<QWidget>(first)) == child<QWidget>(second);
    };
    QVERIFY(follows("btnOpenKalidorFile", "memoKalidor"));
    QVERIFY(follows("buttonConvertDelvane", "memoDelvaneSpecialColors"));
    QVERIFY(follows("memoDelvaneSpecialColors", "CheckBoxCSV"));
    QVERIFY(follows("CheckBoxCSV", "CheckBoxAppend"));
    QCOMPARE(child<QLabel>("labelDelvaneColorFile")->focusPolicy(), Qt::NoFocus);

    // Once edited, the output view's text comes in its place.
    auto *output = child<EditableLinesView>("memoDelvaneSpecialColors");
    QTest::keyClick(output, Qt::Key_X);
    QVERIFY(follows("buttonConvertDelvane", "memoDelvaneSpecialColors"));
    QCOMPARE(nextTabStop(output), output->textView());
    QCOMPARE(nextTabStop(output->textView()), child<QWidget>("CheckBoxCSV"));
}

void TestTabbedForm::hoverOverEitherCheckBoxWidensAppend_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("csv") << "CheckBoxCSV";
    QTest::newRow("append") << "CheckBoxAppend";
}

void TestTabbedForm::hoverOverEitherCheckBoxWidensAppend()
{
    QFETCH(QString, box);
    showSecondPage();
    auto *hovered = child<QCheckBox>(box.toLatin1().constData());
    auto *csv = child<QCheckBox>("CheckBoxCSV");
    auto *append = child<QCheckBox>("CheckBoxAppend");
    auto *label = child<QLabel>("labelDelvaneColorFile");
    auto *page = child<QWidget>("TabItem2");

    QTest::mouseMove(page, QPoint(500, 300));
    QTest::mouseMove(hovered, QPoint(10, 9));
    QTRY_COMPARE(append->text(), QStringLiteral("Check to add data to an existing file"));
    QCOMPARE(append->width(), 300);
    QCOMPARE(append->x(), 362);
    QVERIFY(!label->isVisible());

    QTest::mouseMove(page, QPoint(300, 300));
    QTRY_COMPARE(append->text(), QStringLiteral("Append"));
    QCOMPARE(append->width(), 72);
    QVERIFY(label->isVisible());
    QVERIFY(csv->isChecked());
    QVERIFY(!append->isChecked());
    QCOMPARE(csv->text(), QStringLiteral("Create Delvane CSV"));
    QCOMPARE(csv->width(), 159);
}

void TestTabbedForm::movingBetweenCheckBoxesShrinksAndWidensAgain()
{
    showSecondPage();
    auto *append = child<QCheckBox>("CheckBoxAppend");
    auto *page = child<QWidget>("TabItem2");

    QTest::mouseMove(page, QPoint(500, 300));
    QTest::mouseMove(page, QPoint(200, 25)); // on CheckBoxCSV
    QTRY_COMPARE(append->width(), 300);
    QTest::mouseMove(page, QPoint(352, 25)); // the gap between the boxes
    QTRY_COMPARE(append->width(), 72);
    QTest::mouseMove(page, QPoint(370, 25)); // on CheckBoxAppend
    QTRY_COMPARE(append->width(), 300);
    QTest::mouseMove(page, QPoint(600, 300));
    QTRY_COMPARE(append->width(), 72);
}

void TestTabbedForm::clickOnSecondTabHidesProgress()
{
    auto *progress = child<ProgressIndicator>("RectangleProgress");
    auto *bar = child<QTabWidget>("TabControl1")->tabBar();
    progress->show();

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QVERIFY(progress->isVisible()); // the first tab has no click handler

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(!progress->isVisible());
    QCOMPARE(child<QTabWidget>("TabControl1")->currentIndex(), 1);

    progress->show(); // a click on the already active second tab hides it as well
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(!progress->isVisible());
}

void TestTabbedForm::resizingKeepsAnchors()
{
    for (const QSize size : { QSize(900, 700), QSize(500, 450) }) {
        m_form->resize(size);
        QTest::qWait(0);
        QCOMPARE(
            child<QPushButton>("btnHelp")->geometry(), QRect(size.width() - 49 - 80, 14, 80, 22));
        QCOMPARE(child<QLabel>("ToolBarLabel")->width(), size.width());
        QCOMPARE(child<QWidget>("RectangleProgress")->pos(), QPoint(176, 112));
        QCOMPARE(child<QWidget>("btnOpenKalidorFile")->pos(), QPoint(16, 16));
        auto *bar = child<QTabWidget>("TabControl1")->tabBar();
        QCOMPARE(bar->tabRect(0).width() + bar->tabRect(1).width(), size.width());
        QVERIFY(qAbs(bar->tabRect(0).width() - bar->tabRect(1).width()) <= 1);

        auto *page = child<QWidget>("TabItem1");
        const QRect view = child<QWidget>("memoKalidor")->geometry();
        QCOMPARE(view.topLeft(), QPoint(0, 56));
        QCOMPARE(view.right(), page->width() - 1);
        QCOMPARE(view.bottom(), page->height() - 1);
        QCOMPARE(page->height(), size.height() - 48 - 49);
    }
}

void TestTabbedForm::pageLabelsStayAndOutputViewFollowsThePage()
{
    showSecondPage();
    auto *fileName = child<QLabel>("labelKalidorFileName");
    auto *savedFile = child<QLabel>("labelDelvaneColorFile");
    auto *page = child<QWidget>("TabItem2");
    QCOMPARE(fileName->parentWidget(), child<QWidget>("TabItem1"));
    QCOMPARE(savedFile->parentWidget(), page);
    for (const QSize size : { QSize(609, 616), QSize(900, 700), QSize(500, 450) }) {
        m_form->resize(size);
        QTest::qWait(0);
        QCOMPARE(fileName->pos(), QPoint(176, 19));
        QCOMPARE(savedFile->pos(), QPoint(188, 35));
        // Sized to their one line of text, so that no part of a name is cut off.
        QCOMPARE(fileName->size(), fileName->sizeHint());
        QCOMPARE(savedFile->size(), savedFile->sizeHint());

        const QRect view = child<QWidget>("memoDelvaneSpecialColors")->geometry();
        QCOMPARE(view.topLeft(), QPoint(0, 56));
        QCOMPARE(view.right(), page->width() - 1);
        QCOMPARE(view.bottom(), page->height() - 1);
        QCOMPARE(page->size(), QSize(size.width(), size.height() - 48 - 49));
    }
}

void TestTabbedForm::helpAsksTheDesktopToOpenTheGuide()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QTest::mouseClick(child<QPushButton>("btnHelp"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(catcher.opened.size(), 1);
    QCOMPARE(catcher.opened.first(), helpDocumentUrl());
    // The guide is built beside the programs, tests included.
    QVERIFY2(QFileInfo::exists(catcher.opened.first().toLocalFile()),
        qPrintable(catcher.opened.first().toString()));
    QVERIFY(m_dialogs->messages.isEmpty());
}

QStringList TestTabbedForm::windowState() const
{
    QStringList state;
    for (const QWidget *widget : m_form->findChildren<QWidget *>()) {
        if (widget->objectName().isEmpty())
            continue;
        QString text;
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            text = label->text();
        else if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            text = button->text() + (button->isChecked() ? u'+' : u'-');
        else if (const auto *table = qobject_cast<const ReadOnlyLinesView *>(widget))
            text = viewLines(table).join(u'\n');
        const QRect place = widget->geometry();
        state.append(QStringLiteral("%1 %2,%3 %4x%5 visible %6 enabled %7: %8")
                         .arg(widget->objectName())
                         .arg(place.x())
                         .arg(place.y())
                         .arg(place.width())
                         .arg(place.height())
                         .arg(widget->isVisibleTo(m_form))
                         .arg(widget->isEnabled())
                         .arg(text));
    }
    const auto *tabs = child<QTabWidget>("TabControl1");
    state.append(QStringLiteral("current tab %1").arg(tabs->currentIndex()));
    for (int i = 0; i < tabs->count(); ++i)
        state.append(QStringLiteral("tab %1 enabled %2 colour %3")
                         .arg(i)
                         .arg(tabs->isTabEnabled(i))
                         .arg(tabs->tabBar()->tabTextColor(i).name()));
    return state;
}

void TestTabbedForm::helpThatOpensNothingChangesNothing_data()
{
    // The slot that the desktop hands the guide to; both rows show that it was asked.
    QTest::addColumn<QByteArray>("handler");
    QTest::newRow("the desktop takes the guide and opens nothing") << QByteArray("open");
    // A handler without such a method makes the desktop report that it could not open the guide.
    QTest::newRow("the desktop cannot open the guide") << QByteArray("noSuchMethod");
}

void TestTabbedForm::helpThatOpensNothingChangesNothing()
{
    QFETCH(QByteArray, handler);
    // Something to lose: records in the output view and the second page shown.
    child<EditableLinesView>("memoDelvaneSpecialColors")->setLines({ QStringLiteral("records") });
    showSecondPage();
    const QStringList before = windowState();
    const int windowsBefore = QApplication::topLevelWidgets().size();

    // A box of any kind would block the click until it is closed: close it and say so.
    QStringList boxesShown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            boxesShown.append(box->windowTitle());
            box->close();
        }
    });
    poll.start(10);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, handler.constData());
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, handler.constData());
    if (handler == "noSuchMethod")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method"));
    QTest::mouseClick(child<QPushButton>("btnHelp"), Qt::LeftButton);
    QTest::qWait(50);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(catcher.opened.size(), handler == "open" ? 1 : 0);
    QVERIFY(boxesShown.isEmpty());
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    QCOMPARE(windowState(), before);
}

QTEST_MAIN(TestTabbedForm)
#include "tst_tabbedform.moc"
