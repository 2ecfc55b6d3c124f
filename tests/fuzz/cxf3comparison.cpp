#include "cxf3comparison.h"

#include "base/kalidorerror.h"
#include "base/loopobserver.h"
#include "conversionoutcomes.h"
#include "cxf3treemodel.h"
#include "fuzzcheck.h"
#include "scratchfolder.h"
#include "table/colourtable.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"

#include <QStringList>

namespace {

// Checks the order of the calls the reader makes: the indicator is begun before anything else,
// and moves forward only.
class CheckingObserver : public LoopObserver {
public:
    QStringList rows;
    // The rows with their file lines and the widths the indicator was set to, in order.
    QStringList events;
    bool ended = false;

    void appendRow(const QString &row, qint64 fileLine) override
    {
        FUZZ_CHECK(m_begun && !ended);
        rows.append(row);
        events.append(Cxf3ReadOutcome::numbered(row, fileLine));
    }
    void showProgress() override { }
    void beginProgress() override
    {
        FUZZ_CHECK(!m_begun);
        m_begun = true;
    }
    void setProgressWidth(int width) override
    {
        FUZZ_CHECK(m_begun && !ended);
        FUZZ_CHECK(width >= m_width && width <= 400);
        m_width = width;
        events.append(QString::number(width));
    }
    void endProgress() override
    {
        FUZZ_CHECK(m_begun && !ended);
        ended = true;
    }
    void processPendingEvents() override { FUZZ_CHECK(m_begun && !ended); }
    void yieldSlice() override { FUZZ_CHECK(m_begun && !ended); }

private:
    bool m_begun = false;
    int m_width = 0;
};

Cxf3ReadOutcome read(XmlDocument &document, const QString &path)
{
    CheckingObserver observer;
    Cxf3ReadOutcome outcome;
    try {
        ReadCxF3File(document, path, observer, &outcome.notes);
        FUZZ_CHECK(observer.ended);
        FUZZ_CHECK(!observer.rows.isEmpty() && observer.rows.front() == ColourTable::headerLine());
        FUZZ_CHECK(!document.isActive() && document.fileName().isEmpty());
    } catch (const KalidorError &error) {
        // A host shows this text to the operator, who must learn which file failed.
        FUZZ_CHECK(error.text().contains(path));
        FUZZ_CHECK(!observer.ended);
        outcome.error = error.text();
    }
    outcome.events = observer.events;
    return outcome;
}

} // namespace

void compareCxf3Readings(QByteArrayView input)
{
    const QString path = scratchFolder().filePath(QStringLiteral("input.cxf"));
    FUZZ_CHECK(writeScratchFile(path, input));

    // The same document read twice must give the same result: nothing of a read, failed or
    // not, may carry over into the next.
    XmlDocument document;
    const Cxf3ReadOutcome first = read(document, path);
    const Cxf3ReadOutcome second = read(document, path);
    FUZZ_CHECK(first == second);
    FUZZ_CHECK(first == readCxf3ByTree(path));
    // Every colour row counts, and a file is read as CxF3 whatever the layout of its root tag,
    // so that as many inputs as can make records do.
    const QString converted = ConversionOutcomes::asConverted(path, RecordForm::Csv,
        TextEncoding::DefaultCodePage, RowSelection::AllColours, Cxf3Recognition::AnyRootElement);
    FUZZ_CHECK(converted
        == ConversionOutcomes::ofWholeTable(path, RecordForm::Csv, TextEncoding::DefaultCodePage,
            RowSelection::AllColours, Cxf3Recognition::AnyRootElement));
    // D50 values read what objects give beyond their Lab, and the measuring conditions. Where
    // the bytes name neither (in an encoding that spells names in ASCII, without entities that
    // could make them), a file that converts converts the same.
    const QString inD50
        = ConversionOutcomes::asConverted(path, RecordForm::Csv, TextEncoding::DefaultCodePage,
            RowSelection::AllColours, Cxf3Recognition::AnyRootElement, Cxf3Values::D50);
    const bool onlyLab = !input.contains('\0') && !input.contains("<!")
        && !input.contains("ReflectanceSpectrum") && !input.contains("ColorCIEXYZ")
        && !input.contains("ColorSpecificationCollection");
    if (onlyLab && !converted.startsWith(u"failed"))
        FUZZ_CHECK(inD50 == converted);
    // The window makes a CxF3 file's records while it opens the file, for its used rows.
    FUZZ_CHECK(ConversionOutcomes::asMadeWhileOpening(
                   path, RecordForm::Legacy, TextEncoding::DefaultCodePage)
        == ConversionOutcomes::ofWholeTable(
            path, RecordForm::Legacy, TextEncoding::DefaultCodePage, RowSelection::UsedRows));
}
