#include "unitKalidorTabbed.h"

#include "base/visiblecontrols.h"
#include "conversion/conversion.h"
#include "database/labvalues.h"
#include "editablelinesview.h"
#include "failuredetails.h"
#include "generalerrorhandler.h"
#include "keepalive.h"
#include "messages.h"
#include "progressindicator.h"
#include "qtwindowdialogs.h"
#include "readonlylinesview.h"
#include "shell/browse.h"
#include "shell/helpdocument.h"
#include "tabcontrol.h"
#include "viewloopobserver.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QMimeData>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSizeGrip>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <chrono>
#include <exception>

namespace {

const QColor blue(0x00, 0x00, 0xFF);
const QColor indigo(0x4B, 0x00, 0x82);
const QColor midnightBlue(0x19, 0x19, 0x70);
const QColor dimGrey(0x69, 0x69, 0x69);
const QColor forestGreen(0x22, 0x8B, 0x22);
const QColor warningOrange(0xB3, 0x59, 0x00);

constexpr int toolBarHeight = 48;
constexpr int helpButtonRightMargin = 49;
constexpr int appendBoxNarrowWidth = 72;
constexpr int appendBoxWideWidth = 300;
// The views start below the row of buttons on each page.
constexpr int viewTop = 56;

const QString titleText
    = QStringLiteral("KALIDOR to Delvane Color Database Builder") + QString(16, u' ');

template<class Control, class... Arguments>
Control *makeControl(QWidget *parent, const QString &name, Arguments &&...arguments)
{
    auto *control = new Control(std::forward<Arguments>(arguments)..., parent);
    control->setObjectName(name);
    return control;
}

void makeBold(QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// A page whose view fills it below the row of controls and follows its edges.
void placeView(QWidget *page, QAbstractScrollArea *view)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, viewTop, 0, 0);
    layout->addWidget(view);
    // A file dropped on a view is dropped on the window.
    view->setAcceptDrops(false);
}

// The table's line 0 is its header, never a colour.
std::optional<LabValues> tableRowColour(int line, const QString &text)
{
    return line > 0 ? labOfRow(text) : std::nullopt;
}

std::optional<LabValues> recordColour(int, const QString &text)
{
    return labOfRecord(text);
}

// Widens a button whose bold caption does not fit the platform font, up to just short of the
// control to its right, so the caption is never clipped.
void fitCaption(QPushButton *button, int nextControlX)
{
    constexpr int gap = 4;
    const int wanted = qMin(button->sizeHint().width(), nextControlX - gap - button->x());
    button->resize(qMax(button->width(), wanted), button->height());
}

// The one local file, not a folder, that a drag carries; empty for anything else.
QString draggedFile(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

// A label that is sized to its one line of text, control characters shown.
void setLabelText(QLabel *label, const QString &text)
{
    label->setText(withVisibleControls(text));
    label->adjustSize();
}

} // namespace

TTabbedForm::TTabbedForm(std::unique_ptr<WindowDialogs> dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<QtWindowDialogs>(this))
    , m_saveFileName(QStringLiteral("specialColors"))
{
    setObjectName(QStringLiteral("TabbedForm"));
    setWindowTitle(QString());
    setAcceptDrops(true);
    resize(609, 616);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createToolBar();
    TabControl1 = makeControl<TabControl>(this, QStringLiteral("TabControl1"));
    layout->addWidget(HeaderToolBar);
    layout->addWidget(TabControl1, 1);
    createFirstPage();
    createSecondPage();
    TabItem3 = makeControl<QWidget>(TabControl1, QStringLiteral("TabItem3"));
    TabItem4 = makeControl<QWidget>(TabControl1, QStringLiteral("TabItem4"));
    TabControl1->addTab(TabItem3, QStringLiteral("TabItem3"));
    TabControl1->addTab(TabItem4, QStringLiteral("TabItem4"));
    TabControl1->setTabVisible(2, false);
    TabControl1->setTabVisible(3, false);
    makeBold(TabControl1->tabBar());
    TabControl1->tabBar()->setTabTextColor(0, midnightBlue);
    TabControl1->tabBar()->setTabTextColor(1, dimGrey);

    RectangleProgress = makeControl<ProgressIndicator>(this, QStringLiteral("RectangleProgress"));
    RectangleProgress->move(176, 112);
    RectangleProgress->hide();

    setTabOrders();
    connectHandlers();
    FormCreate();
}

TTabbedForm::~TTabbedForm() = default;

void TTabbedForm::createToolBar()
{
    HeaderToolBar = makeControl<QWidget>(this, QStringLiteral("HeaderToolBar"));
    HeaderToolBar->setFixedHeight(toolBarHeight);

    ToolBarLabel = makeControl<QLabel>(HeaderToolBar, QStringLiteral("ToolBarLabel"));
    ToolBarLabel->setText(titleText);
    ToolBarLabel->setAlignment(Qt::AlignCenter);
    ToolBarLabel->setTextFormat(Qt::PlainText);
    // Let the window shrink below the title's width: the title is clipped, never elided.
    ToolBarLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ToolBarLabel->setToolTip(
        QStringLiteral("Converts a KALIDOR Color Table to a CSV file for use by Delvane"));
    makeBold(ToolBarLabel);
    setTextColour(ToolBarLabel, blue);
    auto *toolBarLayout = new QVBoxLayout(HeaderToolBar);
    toolBarLayout->setContentsMargins(0, 0, 0, 0);
    toolBarLayout->addWidget(ToolBarLabel);

    btnHelp = makeControl<QPushButton>(HeaderToolBar, QStringLiteral("btnHelp"));
    btnHelp->setText(QStringLiteral("Help"));
    btnHelp->setGeometry(480, 14, 80, 22);
    makeBold(btnHelp);
    setTextColour(btnHelp, indigo);
    btnHelp->raise();
}

void TTabbedForm::createFirstPage()
{
    TabItem1 = makeControl<QWidget>(TabControl1, QStringLiteral("TabItem1"));
    TabControl1->addTab(TabItem1, QStringLiteral("Read Kalidor File"));

    btnOpenKalidorFile = makeControl<QPushButton>(TabItem1, QStringLiteral("btnOpenKalidorFile"));
    btnOpenKalidorFile->setText(QStringLiteral("Open Kalidor File"));
    btnOpenKalidorFile->setGeometry(16, 16, 121, 22);
    makeBold(btnOpenKalidorFile);
    fitCaption(btnOpenKalidorFile, 176);

    labelRealKalidorFileName
        = makeControl<QLabel>(TabItem1, QStringLiteral("labelRealKalidorFileName"));
    labelRealKalidorFileName->setText(QStringLiteral("labelRealKalidorFileName"));
    labelRealKalidorFileName->setGeometry(40, 472, 465, 17);
    labelRealKalidorFileName->hide();

    labelKalidorFileName = makeControl<QLabel>(TabItem1, QStringLiteral("labelKalidorFileName"));
    labelKalidorFileName->setTextFormat(Qt::PlainText);
    labelKalidorFileName->move(176, 19);
    setLabelText(labelKalidorFileName, QStringLiteral("Kalidor File Name"));

    memoKalidor
        = makeControl<ReadOnlyLinesView>(TabItem1, QStringLiteral("memoKalidor"), tableRowColour);
    memoKalidor->setCornerWidget(new QSizeGrip(memoKalidor));
    placeView(TabItem1, memoKalidor);
}

void TTabbedForm::createSecondPage()
{
    TabItem2 = makeControl<QWidget>(TabControl1, QStringLiteral("TabItem2"));
    TabControl1->addTab(TabItem2, QStringLiteral("Build Delvane File"));

    buttonConvertDelvane
        = makeControl<QPushButton>(TabItem2, QStringLiteral("buttonConvertDelvane"));
    buttonConvertDelvane->setText(QStringLiteral("Convert to Delvane File"));
    buttonConvertDelvane->setGeometry(16, 16, 153, 22);
    buttonConvertDelvane->setEnabled(false);
    makeBold(buttonConvertDelvane);
    fitCaption(buttonConvertDelvane, 189);

    CheckBoxCSV = makeControl<QCheckBox>(TabItem2, QStringLiteral("CheckBoxCSV"));
    CheckBoxCSV->setText(QStringLiteral("Create Delvane CSV"));
    CheckBoxCSV->setGeometry(189, 16, 159, 19);
    CheckBoxCSV->setChecked(true);
    CheckBoxCSV->setToolTip(QStringLiteral("Uncheck for Delvane Version 7.1 and below"));
    makeBold(CheckBoxCSV);
    setTextColour(CheckBoxCSV, blue);

    CheckBoxAppend = makeControl<QCheckBox>(TabItem2, QStringLiteral("CheckBoxAppend"));
    CheckBoxAppend->setText(QStringLiteral("Append"));
    CheckBoxAppend->setGeometry(362, 16, appendBoxNarrowWidth, 19);
    makeBold(CheckBoxAppend);
    setTextColour(CheckBoxAppend, blue);

    labelDelvaneColorFile = makeControl<QLabel>(TabItem2, QStringLiteral("labelDelvaneColorFile"));
    labelDelvaneColorFile->setTextFormat(Qt::PlainText);
    labelDelvaneColorFile->move(188, 35);
    setLabelText(labelDelvaneColorFile, QStringLiteral("KALIDOR_Color_Database.csv"));

    labelDelvaneWarnings = makeControl<QLabel>(TabItem2, QStringLiteral("labelDelvaneWarnings"));
    labelDelvaneWarnings->setTextFormat(Qt::PlainText);
    labelDelvaneWarnings->move(16, 39);
    setTextColour(labelDelvaneWarnings, warningOrange);
    labelDelvaneWarnings->setToolTip(
        QStringLiteral("Records that the RIP may not read as the table means them are marked "
                       "beside them below; point at a mark for the reason."));
    labelDelvaneWarnings->hide();

    memoDelvaneSpecialColors = makeControl<EditableLinesView>(
        TabItem2, QStringLiteral("memoDelvaneSpecialColors"), recordColour);
    placeView(TabItem2, memoDelvaneSpecialColors);
}

void TTabbedForm::setTabOrders()
{
    setTabOrder(btnHelp, TabControl1);
    setTabOrder(btnOpenKalidorFile, memoKalidor);
    setTabOrder(buttonConvertDelvane, memoDelvaneSpecialColors);
    setTabOrder(memoDelvaneSpecialColors, CheckBoxCSV);
    setTabOrder(CheckBoxCSV, CheckBoxAppend);
}

void TTabbedForm::connectHandlers()
{
    connect(btnHelp, &QPushButton::clicked, this, [this] { guarded(&TTabbedForm::btnHelpClick); });
    connect(btnOpenKalidorFile, &QPushButton::clicked, this,
        [this] { guarded(&TTabbedForm::btnOpenKalidorFileClick); });
    connect(buttonConvertDelvane, &QPushButton::clicked, this,
        [this] { guarded(&TTabbedForm::buttonConvertDelvaneClick); });
    connect(TabControl1->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (index == TabControl1->indexOf(TabItem2) && TabControl1->isTabEnabled(index))
            guarded(&TTabbedForm::TabItem2Click);
    });
    CheckBoxCSV->installEventFilter(this);
    CheckBoxAppend->installEventFilter(this);
}

void TTabbedForm::guarded(void (TTabbedForm::*handler)())
{
    guarded([this, handler] { (this->*handler)(); });
}

void TTabbedForm::guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (...) {
        m_dialogs->showMessage(
            MessageKind::Error, GeneralErrorHandler::displayText(std::current_exception()));
    }
}

bool TTabbedForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == CheckBoxCSV || watched == CheckBoxAppend) {
        if (event->type() == QEvent::Enter)
            guarded(&TTabbedForm::CheckBoxAppendMouseEnter);
        else if (event->type() == QEvent::Leave)
            guarded(&TTabbedForm::CheckBoxAppendMouseLeave);
    }
    return QWidget::eventFilter(watched, event);
}

void TTabbedForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    btnHelp->move(width() - helpButtonRightMargin - btnHelp->width(), btnHelp->y());
}

void TTabbedForm::FormCreate()
{
    TabControl1->setCurrentWidget(TabItem1);
    memoKalidor->viewport()->update();
}

void TTabbedForm::TabItem2Click()
{
    RectangleProgress->hide();
}

void TTabbedForm::CheckBoxAppendMouseEnter()
{
    KeepAlive::zeroSleep();
    labelDelvaneColorFile->hide();
    CheckBoxAppend->setText(QStringLiteral("Check to add data to an existing file"));
    CheckBoxAppend->resize(appendBoxWideWidth, CheckBoxAppend->height());
}

void TTabbedForm::CheckBoxAppendMouseLeave()
{
    CheckBoxAppend->setText(QStringLiteral("Append"));
    CheckBoxAppend->resize(appendBoxNarrowWidth, CheckBoxAppend->height());
    labelDelvaneColorFile->show();
}

void TTabbedForm::btnHelpClick()
{
    TMisc::Open(helpDocumentUrl().toString());
}

void TTabbedForm::btnOpenKalidorFileClick()
{
    // Reading a CxF3 file lets events run; a second opening would pull the table from under it.
    if (m_opening)
        return;
    const QScopedValueRollback opening(m_opening, true);

    beginOpening();
    const std::optional<QString> chosen = m_dialogs->chooseKalidorFile();
    if (!chosen) {
        KeepAlive::zeroSleep();
        return;
    }
    openChosenFile(*chosen);
}

void TTabbedForm::openKalidorFile(const QString &path)
{
    // Not inside the drop: the drag's source waits for the drop to end, and the read may be long.
    QTimer::singleShot(
        0, this, [this, path] { guarded([this, &path] { openHandedOverFile(path); }); });
}

void TTabbedForm::openHandedOverFile(const QString &path)
{
    if (m_opening)
        return;
    const QScopedValueRollback opening(m_opening, true);

    beginOpening();
    // The dialog gives a full path, and the window shows it.
    openChosenFile(QFileInfo(path).absoluteFilePath());
}

void TTabbedForm::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

// Asked again as the drag moves, since an opening may have begun meanwhile.
void TTabbedForm::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_opening && !draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTabbedForm::dropEvent(QDropEvent *event)
{
    const QString path = draggedFile(event->mimeData());
    if (m_opening || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openKalidorFile(path);
}

void TTabbedForm::beginOpening()
{
    KeepAlive::zeroSleep();
    clearTable();
    setTableAvailable(false);
    KeepAlive::processPendingEvents();
}

void TTabbedForm::openChosenFile(const QString &path)
{
    try {
        // A path that names no file is not recognised, like a file that matches neither test.
        std::shared_ptr<Conversion> opened;
        {
            ViewLoopObserver observer(*memoKalidor, RectangleProgress, labelKalidorFileName);
            // The records are made in the form that a conversion would take now.
            opened = std::make_shared<Conversion>(path, XMLDocument_CxF, observer,
                Conversion::Options { .form = checkedRecordForm() });
        }
        // The rows the view was given one by one give way to the same rows as the window
        // holds them, shared.
        memoKalidor->setLines(opened->table().lines.lines);
        m_conversion = opened;
        if (opened->table().kind == TableKind::NotRecognised) {
            showTableUnavailable();
        } else {
            setLabelText(labelRealKalidorFileName, path);
            setLabelText(labelKalidorFileName, QFileInfo(path).fileName());
            setTableAvailable(true);
            buttonConvertDelvane->setEnabled(true);
        }
        KeepAlive::zeroSleep();
        labelKalidorFileName->show();
        RectangleProgress->hide();
    } catch (...) {
        // A failed read leaves what it had gathered behind; the next read starts afresh anyway.
        XMLDocument_CxF.deactivate();
        clearTable();
        TabControl1->setTabEnabled(TabControl1->indexOf(TabItem2), false);
        m_dialogs->showMessage(MessageKind::Information, Messages::inputFileError(),
            failureDetails(std::current_exception(), path));
        setLabelText(labelKalidorFileName, QString());
        labelKalidorFileName->show();
        RectangleProgress->hide();
    }
}

void TTabbedForm::showTableUnavailable()
{
    setLabelText(labelKalidorFileName, QString());
    clearTable();
    setTableAvailable(false);
}

void TTabbedForm::clearTable()
{
    m_conversion.reset();
    memoKalidor->clear();
}

void TTabbedForm::setTableAvailable(bool available)
{
    const int index = TabControl1->indexOf(TabItem2);
    TabControl1->setTabEnabled(index, available);
    TabControl1->tabBar()->setTabTextColor(index, available ? forestGreen : dimGrey);
}

void TTabbedForm::buttonConvertDelvaneClick()
{
    // The conversion lets events run; a second one would empty the records under it.
    if (m_converting)
        return;
    const QScopedValueRollback converting(m_converting, true);

    if (!m_conversion) {
        m_dialogs->showMessage(MessageKind::Error, Messages::kalidorFileNotSelected());
        return;
    }
    memoDelvaneSpecialColors->clear();
    labelDelvaneWarnings->hide();
    KeepAlive::processPendingEvents();
    KeepAlive::zeroSleep();
    if (CheckBoxCSV->isChecked())
        m_saveFileName = QStringLiteral("KALIDOR_Color_Database.csv");
    BuildSpecialColors();
}

void TTabbedForm::BuildSpecialColors()
{
    RectangleProgress->show();
    RectangleProgress->setBarWidth(0);
    labelDelvaneColorFile->hide();
    CheckBoxCSV->hide();
    CheckBoxAppend->hide();
    KeepAlive::processPendingEvents();
    KeepAlive::zeroSleep();

    // The conversion is kept for the run: a table opened meanwhile leaves it alone.
    const std::shared_ptr<Conversion> conversion = m_conversion;
    NumberedLines records;
    try {
        ViewLoopObserver observer(
            *memoDelvaneSpecialColors, RectangleProgress, labelDelvaneColorFile);
        records = conversion->makeRecords(
            checkedRecordForm(), m_saveFileName, CheckBoxAppend->isChecked(), observer);
    } catch (...) {
        // A row that cannot be converted ends the run; the records before it stay in sight.
        // Put the controls back before the error is reported, so that the operator can go on.
        memoDelvaneSpecialColors->showNewRows();
        RectangleProgress->hide();
        labelDelvaneColorFile->show();
        showConvertControls();
        throw;
    }
    // The rows the view was given one by one give way to the same rows as the loop built
    // them, shared; the view holds the records from here on.
    memoDelvaneSpecialColors->setLines(records.lines);
    RectangleProgress->hide();
    KeepAlive::processPendingEvents();
    KeepAlive::zeroSleep();

    saveSpecialColors(*conversion);
}

void TTabbedForm::saveSpecialColors(Conversion &conversion)
{
    const std::optional<QString> chosen = m_dialogs->chooseDelvaneColorFile(m_saveFileName);
    if (!chosen) {
        KeepAlive::zeroSleep();
        labelDelvaneColorFile->show();
        KeepAlive::processPendingEvents();
        showConvertControls();
        return;
    }
    m_saveFileName = *chosen;
    const bool append = CheckBoxAppend->isChecked();

    try {
        // The marks are shown before a failed save is reported, so they stand also then.
        QList<RecordWarning> warnings;
        std::exception_ptr saveFailure;
        QString note;
        try {
            // The operator may have edited the records while they were built: the file holds
            // what the view shows. A converter run saving to the same file may end meanwhile;
            // the window does not wait long for it.
            note = conversion.save(*chosen, memoDelvaneSpecialColors->lines(), append, warnings,
                std::chrono::seconds(2));
        } catch (...) {
            saveFailure = std::current_exception();
        }
        showWarnings(warnings);
        if (saveFailure)
            std::rethrow_exception(saveFailure);
        setLabelText(labelDelvaneColorFile, *chosen);
        // What the save found beside the file (left by a save that was stopped) and did.
        if (!note.isEmpty()) {
            QStringList lines = note.split(u'\n');
            for (QString &line : lines)
                line = withVisibleControls(line);
            m_dialogs->showMessage(MessageKind::Information, lines.join(u'\r'));
        }
    } catch (...) {
        m_dialogs->showMessage(MessageKind::Error, Messages::outputFileError(),
            failureDetails(std::current_exception(), *chosen));
    }
    labelDelvaneColorFile->show();
    KeepAlive::processPendingEvents();
    showConvertControls();
}

RecordForm TTabbedForm::checkedRecordForm() const
{
    return CheckBoxCSV->isChecked() ? RecordForm::Csv : RecordForm::Legacy;
}

void TTabbedForm::showWarnings(const QList<RecordWarning> &warnings)
{
    QMap<int, QString> reasonsByRecord;
    for (const RecordWarning &warning : warnings) {
        QString &reasons = reasonsByRecord[int(warning.record)];
        if (!reasons.isEmpty())
            reasons += u'\n';
        reasons += withVisibleControls(warning.what);
    }
    memoDelvaneSpecialColors->setMarks(reasonsByRecord);
    if (warnings.isEmpty()) {
        labelDelvaneWarnings->hide();
        return;
    }
    setLabelText(labelDelvaneWarnings,
        warnings.size() == 1 ? QStringLiteral("\u26A0 1 warning")
                             : QStringLiteral("\u26A0 %1 warnings").arg(warnings.size()));
    labelDelvaneWarnings->show();
}

void TTabbedForm::showConvertControls()
{
    CheckBoxCSV->show();
    CheckBoxAppend->show();
}
