#pragma once

#include "database/recordwarning.h"
#include "database/specialcolorrecord.h"
#include "table/cxf3/xmldocument.h"
#include "windowdialogs.h"

#include <QWidget>

#include <functional>
#include <memory>

class Conversion;
class ProgressIndicator;
class QCheckBox;
class QLabel;
class EditableLinesView;
class QPushButton;
class ReadOnlyLinesView;
class TabControl;

// The program's one window. A tool bar with the title and the Help button, and two pages:
// "Read Kalidor File" opens a colour table into a read-only view, "Build Delvane File"
// turns it into special-colour records and saves them. Controls carry the names the rest of
// the program and its tests know them by (also their objectName); other members use m_.
class TTabbedForm : public QWidget {
    Q_OBJECT

public:
    // Without `dialogs` the window uses Qt's real file dialogs and message boxes.
    explicit TTabbedForm(
        std::unique_ptr<WindowDialogs> dialogs = nullptr, QWidget *parent = nullptr);
    ~TTabbedForm() override;

    // Opens `path` as if it had been chosen in the open dialog, once the window's events run:
    // a file named on the command line or dropped on the window. Ignored, like a second press
    // of the open button, while an opening is at work.
    void openKalidorFile(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // One file may be dropped on the window; several, a folder, or any drop while a file is
    // being opened, are refused.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createToolBar();
    void createFirstPage();
    void createSecondPage();
    void setTabOrders();
    void connectHandlers();

    // Runs a handler; an error that escapes it goes to the general error handler, and the
    // handler is abandoned where it failed.
    void guarded(void (TTabbedForm::*handler)());
    void guarded(const std::function<void()> &handler);

    void FormCreate();
    void TabItem2Click();
    void CheckBoxAppendMouseEnter();
    void CheckBoxAppendMouseLeave();
    void btnHelpClick();
    void btnOpenKalidorFileClick();
    void buttonConvertDelvaneClick();

    // The open handler's steps before the dialog: an empty table, the second tab unavailable.
    void beginOpening();
    // The open handler's steps once a file is chosen, by the dialog or otherwise.
    void openChosenFile(const QString &path);
    void openHandedOverFile(const QString &path);

    // The record form that CheckBoxCSV selects.
    RecordForm checkedRecordForm() const;

    // Builds one record per used row of the table into the output view, then saves them.
    void BuildSpecialColors();
    // Saves the records that `conversion` made, as the output view shows them, and marks those
    // it warns of.
    void saveSpecialColors(Conversion &conversion);
    void showWarnings(const QList<RecordWarning> &warnings);
    // Ends an opening without a usable table: empty view, second tab unavailable, no file name.
    void showTableUnavailable();
    void clearTable();
    void setTableAvailable(bool available);
    void showConvertControls();

    std::unique_ptr<WindowDialogs> m_dialogs;
    // The conversion of the table opened, which holds the table as read; the table view shows
    // it. Records are built from there, never from a view's text, which cannot hold every
    // character of a line as it is. The output view holds the records, and they are saved as
    // it shows them (see HeldLines), so that an edit made while they were built is kept.
    std::shared_ptr<Conversion> m_conversion;
    // The file name the save dialog offers next.
    QString m_saveFileName;
    // Set while a handler that lets events run is at work, so that a second press is ignored.
    bool m_opening = false;
    bool m_converting = false;

    XmlDocument XMLDocument_CxF;

    QWidget *HeaderToolBar = nullptr;
    QLabel *ToolBarLabel = nullptr;
    QPushButton *btnHelp = nullptr;
    TabControl *TabControl1 = nullptr;
    QWidget *TabItem1 = nullptr;
    QWidget *TabItem2 = nullptr;
    QWidget *TabItem3 = nullptr;
    QWidget *TabItem4 = nullptr;
    QPushButton *btnOpenKalidorFile = nullptr;
    QLabel *labelRealKalidorFileName = nullptr;
    QLabel *labelKalidorFileName = nullptr;
    ReadOnlyLinesView *memoKalidor = nullptr;
    QPushButton *buttonConvertDelvane = nullptr;
    QCheckBox *CheckBoxCSV = nullptr;
    QCheckBox *CheckBoxAppend = nullptr;
    QLabel *labelDelvaneColorFile = nullptr;
    // How many records have warnings, under the convert button; hidden when none have.
    QLabel *labelDelvaneWarnings = nullptr;
    EditableLinesView *memoDelvaneSpecialColors = nullptr;
    ProgressIndicator *RectangleProgress = nullptr;
};
