#pragma once

#include <QString>

#include <atomic>

class XmlContentHandler;

// Thrown by XmlFileReader::parse when it was asked to stop.
struct XmlReadStopped {};

// Reads an XML file through Expat, a chunk at a time, under one policy for every reader of
// the core. A byte-order mark decides the encoding; without one the text is UTF-8 unless its
// XML declaration names another (single-byte code pages that Qt knows are mapped for Expat).
// External entities are never fetched, a reference to an entity that is not defined fails
// even where Expat would pass over it, and entity expansion is bounded.
class XmlFileReader {
public:
    // A reader given `stopRequested` looks at it before each chunk and, once it is set,
    // throws XmlReadStopped.
    explicit XmlFileReader(
        const QString &path, const std::atomic<bool> *stopRequested = nullptr);
    ~XmlFileReader();
    XmlFileReader(const XmlFileReader &) = delete;
    XmlFileReader &operator=(const XmlFileReader &) = delete;

    // Parses the whole file into `handler`. Throws KalidorError, naming the file, the line
    // and the column, when the file cannot be read, is not well-formed, names an encoding
    // that is not supported or refers to an entity that is not defined or external; an
    // exception of the handler is passed on as it is.
    void parse(XmlContentHandler &handler);

    // During parse(): the line on which the event being handled starts, from 1.
    qint64 currentLine() const;
    // Whether character data reaches the handler: off at first. Most text of a large file is
    // of no interest to its reader, and text that reaches no handler costs Expat least.
    void setCharacterDataWanted(bool wanted);

    const QString &path() const { return m_path; }

private:
    class Policy;

    QString m_path;
    const std::atomic<bool> *m_stopRequested;
    Policy *m_policy = nullptr; // while parse() runs
    bool m_characterDataWanted = false;
};
