// SplitTabFields and both record forms on arbitrary lines, and the record loop over them.

#include "base/loopobserver.h"
#include "database/buildspecialcolors.h"
#include "database/listindexerror.h"
#include "database/specialcolorrecord.h"
#include "fuzzcheck.h"
#include "table/colourtable.h"
#include "table/splittabfields.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The fields must be the pieces of the line between tabs, each without the spaces and tabs in
// front of it, in order, none of them empty, and nothing but spaces and tabs left over.
void checkFields(const QString &line, const QStringList &fields)
{
    qsizetype position = 0;
    for (const QString &field : fields) {
        FUZZ_CHECK(!field.isEmpty());
        FUZZ_CHECK(!isSkipped(field.front()));
        FUZZ_CHECK(!field.contains(u'\t'));
        while (position < line.size() && isSkipped(line.at(position)))
            ++position;
        FUZZ_CHECK(QStringView(line).sliced(position).startsWith(field));
        position += field.size();
        FUZZ_CHECK(position == line.size() || line.at(position) == u'\t');
        ++position;
    }
    for (; position < line.size(); ++position)
        FUZZ_CHECK(isSkipped(line.at(position)));
}

QString expectedRecord(const QStringList &fields, RecordForm form)
{
    const QString numbers = fields[1] + u',' + fields[2] + u',' + fields[3];
    return form == RecordForm::Csv
        ? fields[0] + u',' + numbers
        : QStringLiteral("SPOTCOLOR_NAME:") + fields[0] + QStringLiteral("; D50_LAB:") + numbers;
}

// The one error a short row raises, with its exact text; nothing else may come out.
template<typename Call> void expectListIndexError(qsizetype fieldCount, Call call)
{
    try {
        call();
    } catch (const ListIndexError &error) {
        FUZZ_CHECK(error.index() == fieldCount);
        FUZZ_CHECK(error.text() == QStringLiteral("List index out of bounds (%1)").arg(fieldCount));
        return;
    }
    FUZZ_CHECK(!"a short row must raise ListIndexError");
}

class CheckingObserver : public LoopObserver {
public:
    QStringList rows;

    void appendRow(const QString &row, qint64) override { rows.append(row); }
    void showProgress() override { }
    void beginProgress() override { }
    void setProgressWidth(int width) override
    {
        FUZZ_CHECK(width >= m_width && width <= 400);
        m_width = width;
    }
    void endProgress() override { }
    void processPendingEvents() override { }
    void yieldSlice() override { }

private:
    int m_width = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Any UTF-16 code unit may stand in a line, unpaired surrogates included; line breaks
    // never do, as loading cuts the text at them.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    const QStringList lines = text.split(QChar(u'\n'));

    QStringList fields { QStringLiteral("kept") };
    for (const QString &line : lines) {
        const QStringList before = fields;
        SplitTabFields(line, fields);
        if (line.isEmpty()) {
            FUZZ_CHECK(fields == before);
            continue;
        }
        checkFields(line, fields);
        for (const RecordForm form : { RecordForm::Csv, RecordForm::Legacy }) {
            if (fields.size() < 4)
                expectListIndexError(fields.size(), [&] { specialColorRecord(fields, form); });
            else
                FUZZ_CHECK(specialColorRecord(fields, form) == expectedRecord(fields, form));
        }
    }

    for (const RecordForm form : { RecordForm::Csv, RecordForm::Legacy }) {
        QStringList expected;
        std::optional<qsizetype> shortRow; // field count of the first used row that is short
        for (qsizetype i = 1; i < lines.size() && !shortRow; ++i) {
            if (!ColourTable::isUsedRow(lines[i]))
                continue;
            QStringList rowFields;
            SplitTabFields(lines[i], rowFields);
            if (rowFields.size() < 4)
                shortRow = rowFields.size();
            else
                expected.append(expectedRecord(rowFields, form));
        }
        CheckingObserver observer;
        if (shortRow)
            expectListIndexError(*shortRow,
                [&] { BuildSpecialColors(NumberedLines::ofFile(lines), form, observer); });
        else
            BuildSpecialColors(NumberedLines::ofFile(lines), form, observer);
        FUZZ_CHECK(observer.rows == expected);
    }
    return 0;
}
