#pragma once

#include <QHash>
#include <QString>

#include <vector>

// The notes of rows whose values come with measuring conditions other than D50 with 2°. Those
// conditions are known only once the whole file is read, so the rows are first kept as runs of
// rows that share their conditions (a file mostly has one run, or few) and noted afterwards.
class ConditionNotes {
public:
    // The row or record `item`, counted upwards, has values that come with `conditionsId`.
    void add(qsizetype item, const QString &conditionsId);
    // Calls `note(item, text)` for each item whose conditions `otherConditions` (see
    // ColourObjects) holds, in the order of the items.
    template<class Note>
    void forEachNote(const QHash<QString, QString> &otherConditions, Note &&note) const
    {
        if (otherConditions.isEmpty())
            return;
        for (const Run &run : m_runs) {
            const auto other = otherConditions.constFind(run.conditionsId);
            if (other == otherConditions.cend())
                continue;
            const QString text = noteText(run.conditionsId, *other);
            for (qsizetype item = run.first; item < run.end; ++item)
                note(item, text);
        }
    }

private:
    struct Run {
        QString conditionsId;
        qsizetype first;
        qsizetype end;
    };

    static QString noteText(const QString &conditionsId, const QString &other);

    std::vector<Run> m_runs;
};
