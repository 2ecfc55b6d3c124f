#include "ui/unitKalidorTabbed.h"
#include "ui/viewlines.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
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
    void openConvertAndSaveThroughRealDialogs();

private:
    // Waits for the next modal dialog of type T and hands it to `answer`.
    template<class T> void answerNextDialog(std::function<void(T *)> answer);
    void typeFileName(QFileDialog *dialog, const QString &path);
};

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
        ViewLines::lines(form.findChild<QPlainTextEdit *>(QStringLiteral("memoKalidor"))).size(),
        3);

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

QTEST_MAIN(TestRealDialogs)
#include "tst_realdialogs.moc"
