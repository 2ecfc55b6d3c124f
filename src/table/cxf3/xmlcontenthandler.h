#pragma once

// What an XmlFileReader hands on of a document, in document order. Names and text are
// UTF-8 with references replaced; an exception thrown here ends the parse and reaches
// XmlFileReader::parse's caller. A handler takes what it needs; the rest passes by.
class XmlContentHandler {
public:
    virtual ~XmlContentHandler() = default;

    // `attributes` as Expat gives them: name, value, name, value, ..., null.
    virtual void startElement(const char *name, const char **attributes) = 0;
    virtual void endElement() { }
    // Only while XmlFileReader::setCharacterDataWanted is on. One run of text may come in
    // several pieces; each line break comes in a piece of its own.
    virtual void characterData(const char *, int) { }
    virtual void startCdata() { }
    virtual void endCdata() { }
    virtual void comment(const char *) { }
    virtual void processingInstruction(const char *, const char *) { }
};
