// The CxF3 reader on arbitrary bytes.

#include "fuzzcheck.h"
#include "scratchfolder.h"
#include "table/colourtable.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/kalidorerror.h"
#include "table/loopobserver.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// Checks the order of the calls the reader makes: the indicator is begun before anything else,
// and moves forward only.
class CheckingObserver : public LoopObserver {
public:
    QStringList rows;
    bool ended = false;

    void appendRow(const QString &row, qint64) override
    {
        FUZZ_CHECK(m_begun && !ended);
        rows.append(row);
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

struct Outcome {
    QStringList rows;
    std::optional<QString> error;
    bool operator==(const Outcome &) const = default;
};

Outcome read(XmlDocument &document, const QString &path)
{
    CheckingObserver observer;
    Outcome outcome;
    try {
        ReadCxF3File(document, path, observer);
        FUZZ_CHECK(observer.ended);
        FUZZ_CHECK(!observer.rows.isEmpty() && observer.rows.front() == ColourTable::headerLine());
        FUZZ_CHECK(!document.isActive() && document.fileName().isEmpty());
    } catch (const KalidorError &error) {
        // A host shows this text to the operator, who must learn which file failed.
        FUZZ_CHECK(error.text().contains(path));
        FUZZ_CHECK(!observer.ended);
        outcome.error = error.text();
    }
    outcome.rows = observer.rows;
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = scratchFolder().filePath(QStringLiteral("input.cxf"));
    FUZZ_CHECK(writeScratchFile(path, QByteArrayView(data, qsizetype(size))));

    // The same document read twice must give the same result: nothing of a read, failed or
    // not, may carry over into the next.
    XmlDocument document;
    const Outcome first = read(document, path);
    const Outcome second = read(document, path);
    FUZZ_CHECK(first == second);
    return 0;
}
