#pragma once

#include "base/kalidorerror.h"
#include "base/platformfile.h"
#include "database/recordoutcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringEncoder>

#include <array>
#include <functional>
#include <optional>

// What became of each record of a run, written to a file without a name as the records are
// made instead of being held: a report of a million records would otherwise hold them all in
// memory. Names, values and sources are kept as UTF-8, a lone surrogate as U+FFFD.
class OutcomeSpool final : public RecordOutcomes {
public:
    // A record as the spool gives it back; its views last until the next record.
    struct Record {
        qint64 fileLine = 0;
        RecordAction action = RecordAction::Added;
        QByteArrayView name;
        std::array<QByteArrayView, 3> values;
        // Empty unless D50 values were asked for.
        QByteArrayView source;
    };

    // Throws KalidorError with the platform's reason when no file can be made in `folder`.
    explicit OutcomeSpool(const QString &folder);

    // A write that fails is kept for throwIfFailed: the record loop has no place for it.
    void add(const RecordOutcome &outcome) override;
    void restart() override;

    // Throws the KalidorError of the first write that failed, if one did.
    void throwIfFailed() const;
    qsizetype records() const { return m_records; }
    // Gives each record in order. Throws KalidorError when the spool cannot be read back.
    void forEach(const std::function<void(const Record &)> &take);
    // A text of a record as a string again, a U+FEFF at its start too.
    static QString text(QByteArrayView utf8);

private:
    void flush();

    OpenFile m_file;
    QStringEncoder m_utf8;
    QByteArray m_buffer;
    qint64 m_written = 0;
    qsizetype m_records = 0;
    std::optional<KalidorError> m_failure;
};
