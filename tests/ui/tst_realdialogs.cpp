#include "ui/unitKalidorTabbed.h"
#include "viewtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives the window through Qt's own file dialogs and message boxes, as an operator would.
class TestRealDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void openConvertAndSaveThroughRealDialogs();
    void openDialogOffersFiltersAndRemembersTheChoice();
    void saveDialogTakesTheNameAsTypedWithoutAsking();

private:
    // Waits for the next modal dialog of type T and hands it to `answer`.
    template<class T> void answerNextDialog(std::function<void(T *)> answer);
    void typeFileName(QFileDialog *dialog, const QString &path);
    static void press(const TTabbedForm &form, const char *button);
};

void TestRealDialogs::cleanup()
{
    // Pollers for dialogs that never came must not answer the next test's.
    qDeleteAll(findChildren<QTimer *>());
}

void TestRealDialogs::press(const TTabbedForm &form, const char *button)
{
    QTest::mouseClick(form.findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
}

template<class T> void TestRealDialogs::answerNextDialog(std::function<void(T *)> answer)
{
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [=] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start(10);
}

void TestRealDialogs::typeFileName(QFileDialog *dialog, const QString &path)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(path);
    QTest::keyClick(edit, Qt::Key_Return);
}

void TestRealDialogs::openConvertAndSaveThroughRealDialogs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString table = dir.filePath(QStringLiteral("table.txt"));
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name\tL*\ta*\tb*\nKALIDOR 1\t1\t2\t3\nKALIDOR 2\n");
    file.close();

    TTabbedForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QString openDialogName;
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        openDialogName = dialog->objectName();
        typeFileName(dialog, table);
    });
    QTest::mouseClick(
        form.findChild<QPushButton *>(QStringLiteral("btnOpenKalidorFile")), Qt::LeftButton);
    QCOMPARE(openDialogName, QStringLiteral("dlgOpenKalidorFile"));
    QCOMPARE(
        viewLines(form.findChild<ReadOnlyLinesView *>(QStringLiteral("memoKalidor"))).size(), 3);

    // The short last row ends the conversion in the general error handler's box.
    form.findChild<QTabWidget *>(QStringLiteral("TabControl1"))->setCurrentIndex(1);
    QString errorCaption;
    QString errorText;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        errorCaption = box->windowTitle();
        errorText = box->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    auto *convert = form.findChild<QPushButton *>(QStringLiteral("buttonConvertDelvane"));
    QTest::mouseClick(convert, Qt::LeftButton);
    QCOMPARE(errorCaption, QStringLiteral("Error"));
    QCOMPARE(errorText, QStringLiteral("List index out of bounds (1)"));

    // Without the short row, the records are saved where the save dialog says.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name\tL*\ta*\tb*\nKALIDOR 1\t1\t2\t3\n");
    file.close();
    form.findChild<QTabWidget *>(QStringLiteral("TabControl1"))->setCurrentIndex(0);
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) { typeFileName(dialog, table); });
    QTest::mouseClick(
        form.findChild<QPushButton *>(QStringLiteral("btnOpenKalidorFile")), Qt::LeftButton);
    form.findChild<QTabWidget *>(QStringLiteral("TabControl1"))->setCurrentIndex(1);

    const QString output = dir.filePath(QStringLiteral("database.csv"));
    QString offeredName;
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        offeredName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        typeFileName(dialog, output);
    });
    QTest::mouseClick(convert, Qt::LeftButton);
    QCOMPARE(offeredName, QStringLiteral("KALIDOR_Color_Database.csv"));
    QFile saved(output);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("KALIDOR 1,1,2,3\r\n"));
}

void TestRealDialogs::openDialogOffersFiltersAndRemembersTheChoice()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tables")));
    const QString table = dir.filePath(QStringLiteral("tables/table.txt"));
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name\tL*\ta*\tb*\nKALIDOR 1\t1\t2\t3\n");
    file.close();

    TTabbedForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QStringList filters;
    QString firstFilter;
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        firstFilter = dialog->selectedNameFilter();
        dialog->selectNameFilter(QStringLiteral("txt (*.txt)"));
        typeFileName(dialog, table);
    });
    press(form, "btnOpenKalidorFile");
    QCOMPARE(filters, QStringList({ "cxf (*.cxf)", "txt (*.txt)", "* (*)" }));
    QCOMPARE(firstFilter, QStringLiteral("cxf (*.cxf)"));

    QString folder;
    QString filter;
    QStringList offered;
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        folder = dialog->directory().absolutePath();
        filter = dialog->selectedNameFilter();
        offered = dialog->selectedFiles();
        dialog->reject();
    });
    press(form, "btnOpenKalidorFile");
    QCOMPARE(folder, QFileInfo(table).absolutePath());
    QCOMPARE(filter, QStringLiteral("txt (*.txt)"));
    QCOMPARE(offered, QStringList { table });
}

void TestRealDialogs::saveDialogTakesTheNameAsTypedWithoutAsking()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString table = dir.filePath(QStringLiteral("table.txt"));
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name\tL*\ta*\tb*\nKALIDOR 1\t1\t2\t3\n");
    file.close();
    const QString output = dir.filePath(QStringLiteral("specialColors"));
    QFile existing(output);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("an older database\r\n");
    existing.close();

    TTabbedForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) { typeFileName(dialog, table); });
    press(form, "btnOpenKalidorFile");
    form.findChild<QTabWidget *>(QStringLiteral("TabControl1"))->setCurrentIndex(1);
    form.findChild<QCheckBox *>(QStringLiteral("CheckBoxCSV"))->setChecked(false);

    QString offeredName;
    QStringList filters;
    answerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        offeredName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        filters = dialog->nameFilters();
        typeFileName(dialog, output);
    });
    // A question before replacing the file would hold the save up: note it and say yes.
    bool asked = false;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        asked = true;
        if (QAbstractButton *yes = box->button(QMessageBox::Yes))
            yes->click();
        else
            box->close();
    });
    press(form, "buttonConvertDelvane");

    QCOMPARE(offeredName, QStringLiteral("specialColors"));
    QCOMPARE(filters, QFileDialog().nameFilters());
    QVERIFY(!asked);
    QFile saved(output);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("SPOTCOLOR_NAME:KALIDOR 1; D50_LAB:1,2,3\r\n"));
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::Files), QStringList({ "specialColors", "table.txt" }));
}

QTEST_MAIN(TestRealDialogs)
#include "tst_realdialogs.moc"
