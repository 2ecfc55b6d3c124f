#include "xmlfilereader.h"

#include "base/inputfile.h"
#include "base/inputfiledevice.h"
#include "base/kalidorerror.h"
#include "base/textencoding.h"
#include "table/cxf3/xmlcontenthandler.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QScopeGuard>
#include <QSet>
#include <QStringDecoder>

#include <cstring>
#include <new>
#include <type_traits>
// The entity-expansion limits are declared for builds with DTD support only, which the
// system's Expat is; the macro must come before the header.
#define XML_DTD
#include <expat.h>

namespace {

constexpr int chunkSize = 1 << 20;

// Expat's defaults, set here so that the limits stay put whatever the library's build says:
// expansion may amplify the input at most this many times once it has produced this much.
constexpr float maximumAmplification = 100.0f;
constexpr unsigned long long amplificationThreshold = 8ull << 20;

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPointer = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

[[noreturn]] void failToRead(const QString &path, const QIODevice &device)
{
    throw KalidorError::at(path, QStringLiteral("cannot be read: %1").arg(device.errorString()));
}

} // namespace

// Expat's callbacks for one parse: the content goes to the handler, the entity and encoding
// rules are kept here.
class XmlFileReader::Policy {
public:
    Policy(const QString &path, XML_Parser parser, XmlContentHandler &handler,
        bool foreignCodePagesAsLatin1)
        : m_path(path)
        , m_parser(parser)
        , m_handler(handler)
        , m_foreignCodePagesAsLatin1(foreignCodePagesAsLatin1)
    {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Policy::startElement, &Policy::endElement);
        XML_SetCdataSectionHandler(parser, &Policy::startCdata, &Policy::endCdata);
        XML_SetCommentHandler(parser, &Policy::comment);
        XML_SetProcessingInstructionHandler(parser, &Policy::processingInstruction);
        XML_SetSkippedEntityHandler(parser, &Policy::skippedEntity);
        XML_SetXmlDeclHandler(parser, &Policy::xmlDeclaration);
        XML_SetStartDoctypeDeclHandler(parser, &Policy::startDoctype);
        XML_SetEntityDeclHandler(parser, &Policy::entityDeclaration);
        XML_SetNotStandaloneHandler(parser, &Policy::notStandalone);
        XML_SetExternalEntityRefHandler(parser, &Policy::externalEntity);
        XML_SetUnknownEncodingHandler(parser, &Policy::unknownEncoding, this);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, maximumAmplification);
        XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, amplificationThreshold);
    }

    void setCharacterDataWanted(bool wanted)
    {
        XML_SetCharacterDataHandler(m_parser, wanted ? &Policy::characterData : nullptr);
    }

    qint64 currentLine() const { return qint64(XML_GetCurrentLineNumber(m_parser)); }

    // Both false once the handler has finished.
    bool parse(const char *data, int size, bool final)
    {
        return goesOn(XML_Parse(m_parser, data, size, final));
    }

    bool parseBuffer(int size, bool final)
    {
        return goesOn(XML_ParseBuffer(m_parser, size, final));
    }

    void finish()
    {
        m_finished = true;
        stop();
    }

private:
    bool goesOn(XML_Status status)
    {
        if (status != XML_STATUS_OK && !m_finished)
            fail();
        return !m_finished;
    }

    [[noreturn]] void fail()
    {
        if (m_exception)
            std::rethrow_exception(m_exception);
        // Not a fault of the file: reported as running out of memory anywhere else is.
        if (XML_GetErrorCode(m_parser) == XML_ERROR_NO_MEMORY)
            throw std::bad_alloc();
        const QString what = m_failure.isEmpty()
            ? QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser)))
            : m_failure;
        throw XmlDocumentError(KalidorError::at(m_path, what, XML_GetCurrentLineNumber(m_parser),
            XML_GetCurrentColumnNumber(m_parser) + 1));
    }

    // Stops the parse with `what` as its failure.
    void refuse(const QString &what)
    {
        m_failure = what;
        stop();
    }

    // Expat may still make a call or two after it is stopped (the end of an empty element
    // whose start stopped it); the handler sees none of them.
    void stop()
    {
        m_stopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

    // Exceptions must not unwind through Expat's C frames: keep one and stop the parser.
    template<typename Step> static void guarded(void *userData, Step step)
    {
        auto *self = static_cast<Policy *>(userData);
        if (self->m_stopped)
            return;
        try {
            step(*self);
        } catch (...) {
            self->m_exception = std::current_exception();
            self->stop();
        }
    }

    static void XMLCALL startElement(void *userData, const XML_Char *name, const XML_Char **atts)
    {
        guarded(userData, [&](Policy &self) {
            if (self.m_entitiesMayBeSkipped && !self.m_standalone && atts[0]
                && !self.attributeReferencesDefined())
                return;
            self.m_handler.startElement(name, atts);
        });
    }

    static void XMLCALL endElement(void *userData, const XML_Char *)
    {
        guarded(userData, [](Policy &self) { self.m_handler.endElement(); });
    }

    static void XMLCALL characterData(void *userData, const XML_Char *data, int length)
    {
        guarded(userData, [&](Policy &self) { self.m_handler.characterData(data, length); });
    }

    static void XMLCALL startCdata(void *userData)
    {
        guarded(userData, [](Policy &self) { self.m_handler.startCdata(); });
    }

    static void XMLCALL endCdata(void *userData)
    {
        guarded(userData, [](Policy &self) { self.m_handler.endCdata(); });
    }

    static void XMLCALL comment(void *userData, const XML_Char *data)
    {
        guarded(userData, [&](Policy &self) { self.m_handler.comment(data); });
    }

    static void XMLCALL processingInstruction(
        void *userData, const XML_Char *target, const XML_Char *data)
    {
        guarded(
            userData, [&](Policy &self) { self.m_handler.processingInstruction(target, data); });
    }

    // Expat passes over a reference to an undeclared entity when the document has an
    // external DTD it does not read; the text would silently lose a piece, so it fails.
    static void XMLCALL skippedEntity(
        void *userData, const XML_Char *entityName, int isParameterEntity)
    {
        if (isParameterEntity)
            return;
        guarded(userData, [&](Policy &self) {
            self.refuse(QStringLiteral("the entity \"%1\" is not defined")
                            .arg(QString::fromUtf8(entityName)));
        });
    }

    // Expat leaves out a reference to an undeclared entity in an attribute value without a
    // word when the document has a DTD part it does not read. Such a reference must fail like
    // one in text, so the start tag is searched as written; only documents with an external
    // DTD or parameter entity references pay for that. False, with the parse stopped, when a
    // reference is not defined.
    bool attributeReferencesDefined()
    {
        int offset = 0;
        int size = 0;
        const char *context = XML_GetInputContext(m_parser, &offset, &size);
        const int length = XML_GetCurrentByteCount(m_parser);
        if (!context || length <= 0 || offset + length > size)
            return true;
        const QByteArrayView raw(context + offset, length);
        QByteArray tag;
        if (raw.size() >= 2 && raw[0] == '\0')
            tag = QStringDecoder(QStringConverter::Utf16BE)(raw).operator QString().toUtf8();
        else if (raw.size() >= 2 && raw[1] == '\0')
            tag = QStringDecoder(QStringConverter::Utf16LE)(raw).operator QString().toUtf8();
        else
            tag = raw.toByteArray();
        for (qsizetype amp = tag.indexOf('&'); amp >= 0; amp = tag.indexOf('&', amp + 1)) {
            const qsizetype semicolon = tag.indexOf(';', amp);
            if (semicolon < 0 || tag[amp + 1] == '#')
                continue;
            const QByteArray entity = tag.mid(amp + 1, semicolon - amp - 1);
            static const QByteArrayList predefined { "lt", "gt", "amp", "quot", "apos" };
            if (!predefined.contains(entity) && !m_entityNames.contains(entity)) {
                refuse(QStringLiteral("the entity \"%1\" is not defined")
                           .arg(QString::fromUtf8(entity)));
                return false;
            }
        }
        return true;
    }

    static void XMLCALL xmlDeclaration(
        void *userData, const XML_Char *, const XML_Char *, int standalone)
    {
        static_cast<Policy *>(userData)->m_standalone = standalone == 1;
    }

    static void XMLCALL startDoctype(
        void *userData, const XML_Char *, const XML_Char *systemId, const XML_Char *, int)
    {
        if (systemId)
            static_cast<Policy *>(userData)->m_entitiesMayBeSkipped = true;
    }

    static int XMLCALL notStandalone(void *userData)
    {
        static_cast<Policy *>(userData)->m_entitiesMayBeSkipped = true;
        return XML_STATUS_OK;
    }

    static void XMLCALL entityDeclaration(void *userData, const XML_Char *entityName,
        int isParameterEntity, const XML_Char *, int, const XML_Char *, const XML_Char *,
        const XML_Char *, const XML_Char *)
    {
        if (isParameterEntity)
            return;
        guarded(userData, [&](Policy &self) { self.m_entityNames.insert(entityName); });
    }

    // External entities are never fetched, and a reference to one fails the read instead
    // of leaving a gap in the text.
    static int XMLCALL externalEntity(XML_Parser parser, const XML_Char *, const XML_Char *,
        const XML_Char *systemId, const XML_Char *)
    {
        auto *self = static_cast<Policy *>(XML_GetUserData(parser));
        self->m_failure = QStringLiteral("the external entity \"%1\" is not read")
                              .arg(QString::fromUtf8(systemId));
        return XML_STATUS_ERROR;
    }

    // Expat knows UTF-8, UTF-16, ISO-8859-1 and US-ASCII itself; any other single-byte code
    // page that QStringDecoder knows is handed to it as a table of 256 characters, or any
    // other at all as Latin-1's when the reader asks for that.
    static int XMLCALL unknownEncoding(void *handlerData, const XML_Char *name, XML_Encoding *info)
    {
        auto *self = static_cast<Policy *>(handlerData);
        try {
            return self->fillEncodingMap(name, info);
        } catch (...) {
            self->m_exception = std::current_exception();
            return XML_STATUS_ERROR;
        }
    }

    int fillEncodingMap(const char *name, XML_Encoding *info)
    {
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        if (m_foreignCodePagesAsLatin1) {
            for (int byte = 0; byte < 256; ++byte)
                info->map[byte] = byte;
            return XML_STATUS_OK;
        }
        const QString encodingName = QString::fromUtf8(name);
        if (!QStringDecoder(name).isValid()) {
            m_failure = QStringLiteral("the encoding \"%1\" is not known").arg(encodingName);
            return XML_STATUS_ERROR;
        }
        for (int byte = 0; byte < 256; ++byte) {
            QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
            const char input = static_cast<char>(byte);
            const QString decoded = decoder(QByteArrayView(&input, 1));
            if (decoded.isEmpty()) {
                m_failure = QStringLiteral("the encoding \"%1\" is not a single-byte "
                                           "code page and is not supported")
                                .arg(encodingName);
                return XML_STATUS_ERROR;
            }
            const char16_t c = decoded.front().unicode();
            const bool usable = decoded.size() == 1 && !decoder.hasError() && !QChar::isSurrogate(c)
                && c != QChar::ReplacementCharacter;
            info->map[byte] = usable ? c : -1;
        }
        return XML_STATUS_OK;
    }

    const QString &m_path;
    XML_Parser m_parser;
    XmlContentHandler &m_handler;
    const bool m_foreignCodePagesAsLatin1;
    bool m_stopped = false;
    bool m_finished = false;
    bool m_standalone = false;
    bool m_entitiesMayBeSkipped = false;
    QSet<QByteArray> m_entityNames;
    QString m_failure;
    std::exception_ptr m_exception;
};

XmlFileReader::XmlFileReader(const InputFile &file, const std::atomic<bool> *stopRequested)
    : m_file(file)
    , m_stopRequested(stopRequested)
{
}

XmlFileReader::~XmlFileReader() = default;

const QString &XmlFileReader::path() const
{
    return m_file.path();
}

void XmlFileReader::parse(XmlContentHandler &handler)
{
    InputFileDevice device(m_file);
    QByteArray head(chunkSize, Qt::Uninitialized);
    const qint64 headSize = device.read(head.data(), head.size());
    if (headSize < 0)
        failToRead(path(), device);
    head.truncate(headSize);

    // A byte-order mark overrides whatever the XML declaration says.
    qsizetype markLength = 0;
    const char *encoding = ByteOrderMark::ianaName(ByteOrderMark::find(head, markLength));
    const ParserPointer parser(XML_ParserCreate(encoding));
    if (!parser)
        throw std::bad_alloc();
    Policy policy(path(), parser.get(), handler, m_foreignCodePagesAsLatin1);
    // The handler's calls to currentLine() and setCharacterDataWanted() come from inside.
    m_policy = &policy;
    const auto forget = qScopeGuard([this] { m_policy = nullptr; });
    policy.setCharacterDataWanted(m_characterDataWanted);

    if (!policy.parse(
            head.constData() + markLength, static_cast<int>(head.size() - markLength), false))
        return;
    qint64 read = 0;
    do {
        if (m_stopRequested && m_stopRequested->load(std::memory_order_relaxed))
            throw XmlReadStopped();
        void *buffer = XML_GetBuffer(parser.get(), chunkSize);
        if (!buffer)
            throw std::bad_alloc();
        read = device.read(static_cast<char *>(buffer), chunkSize);
        if (read < 0)
            failToRead(path(), device);
        if (!policy.parseBuffer(static_cast<int>(read), read == 0))
            return;
    } while (read > 0);
}

void XmlFileReader::finish()
{
    if (m_policy)
        m_policy->finish();
}

qint64 XmlFileReader::currentLine() const
{
    return m_policy ? m_policy->currentLine() : 0;
}

void XmlFileReader::setCharacterDataWanted(bool wanted)
{
    if (wanted == m_characterDataWanted)
        return;
    m_characterDataWanted = wanted;
    if (m_policy)
        m_policy->setCharacterDataWanted(wanted);
}
