#pragma once

#include "base/kalidorerror.h"

#include <QString>

#include <atomic>

class InputFile;
class XmlContentHandler;

// Thrown by XmlFileReader::parse when it was asked to stop.
struct XmlReadStopped { };

// Thrown by XmlFileReader::parse when the document itself is at fault, not the reading of
// it: not well-formed, in an encoding that is not supported, or referring to an entity that
// is not defined or external.
class XmlDocumentError : public KalidorError {
public:
    explicit XmlDocumentError(const KalidorError &error)
        : KalidorError(error)
    {
    }
};

// Reads an XML file through Expat, a chunk at a time, under one policy for every reader of
// the core. A byte-order mark decides the encoding; without one the text is UTF-8 unless its
// XML declaration names another (single-byte code pages that Qt knows are mapped for Expat).
// External entities are never fetched, a reference to an entity that is not defined fails
// even where Expat would pass over it, and entity expansion is bounded.
class XmlFileReader {
public:
    // A reader given `stopRequested` looks at it before each chunk and, once it is set,
    // throws XmlReadStopped. `file` must outlive the reader.
    explicit XmlFileReader(const InputFile &file, const std::atomic<bool> *stopRequested = nullptr);
    ~XmlFileReader();
    XmlFileReader(const XmlFileReader &) = delete;
    XmlFileReader &operator=(const XmlFileReader &) = delete;

    // Parses the file from its start into `handler`, to its end unless the handler calls
    // finish(). Throws KalidorError, naming the file, the line and the column, when the file
    // cannot be read, and XmlDocumentError when it is not well-formed, names an encoding that
    // is not supported or refers to an entity that is not defined or external; an exception
    // of the handler is passed on as it is.
    void parse(XmlContentHandler &handler);
    // During parse(): the handler has seen all it wants; parse() returns once the event being
    // handled is, and the handler sees no further event.
    void finish();

    // During parse(): the line on which the event being handled starts, from 1.
    qint64 currentLine() const;
    // Whether character data reaches the handler: off at first. Most text of a large file is
    // of no interest to its reader, and text that reaches no handler costs Expat least.
    void setCharacterDataWanted(bool wanted);
    // For a reader that looks only at names and URIs in ASCII: a code page that Expat does not
    // know itself is read as Latin-1, instead of through Qt's table of it or failing. Before
    // parse().
    void readForeignCodePagesAsLatin1() { m_foreignCodePagesAsLatin1 = true; }

    const QString &path() const;

private:
    class Policy;

    const InputFile &m_file;
    const std::atomic<bool> *m_stopRequested;
    Policy *m_policy = nullptr; // while parse() runs
    bool m_characterDataWanted = false;
    bool m_foreignCodePagesAsLatin1 = false;
};
