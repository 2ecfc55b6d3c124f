#include "xmlfileparser.h"

#include "table/cxf3/xmltree.h"
#include "table/kalidorerror.h"
#include "table/platformfile.h"
#include "table/textencoding.h"

#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
// The entity-expansion limits are declared for builds with DTD support only, which the
// system's Expat is; the macro must come before the header.
#define XML_DTD
#include <expat.h>
#include <vector>

namespace {

constexpr int chunkSize = 1 << 20;

// Expat's defaults, set here so that the limits stay put whatever the library's build says:
// expansion may amplify the input at most this many times once it has produced this much.
constexpr float maximumAmplification = 100.0f;
constexpr unsigned long long amplificationThreshold = 8ull << 20;

bool isBlank(char32_t c)
{
    if (c < 0x80)
        return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    if (c == 0x85 || c == 0xA0)
        return true;
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Expat hands out well-formed UTF-8, so a lead byte tells the sequence length.
char32_t decodeAt(const unsigned char *p, int &length)
{
    const unsigned char b = *p;
    if (b < 0x80) {
        length = 1;
        return b;
    }
    if (b < 0xE0) {
        length = 2;
        return (char32_t(b & 0x1F) << 6) | (p[1] & 0x3F);
    }
    if (b < 0xF0) {
        length = 3;
        return (char32_t(b & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    }
    length = 4;
    return (char32_t(b & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6)
        | (p[3] & 0x3F);
}

bool isBlankText(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = p + utf8.size();
    int length = 0;
    while (p < end) {
        if (*p < 0x80) {
            if (!isBlank(*p))
                return false;
            ++p;
            continue;
        }
        if (!isBlank(decodeAt(p, length)))
            return false;
        p += length;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView utf8)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = begin + utf8.size();
    int length = 0;
    while (begin < end && isBlank(decodeAt(begin, length)))
        begin += length;
    while (end > begin) {
        const unsigned char *last = end - 1;
        while (last > begin && (*last & 0xC0) == 0x80)
            --last;
        if (!isBlank(decodeAt(last, length)))
            break;
        end = last;
    }
    return QByteArrayView(reinterpret_cast<const char *>(begin), end - begin);
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPointer = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

// Builds the tree from Expat's callbacks in plain mode and resolves namespaces itself:
// Expat's namespace mode rejects a prefix that nothing binds, while such a document is
// still to be read by its element names.
class TreeBuilder {
public:
    TreeBuilder(const QString &path, XML_Parser parser, const QByteArrayList &textElements)
        : m_path(path)
        , m_parser(parser)
        , m_textElements(textElements)
        , m_tree(std::make_unique<XmlTree>())
    {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &TreeBuilder::startElement, &TreeBuilder::endElement);
        XML_SetCharacterDataHandler(parser, &TreeBuilder::characterData);
        XML_SetCdataSectionHandler(parser, &TreeBuilder::startCdata, &TreeBuilder::endCdata);
        XML_SetCommentHandler(parser, &TreeBuilder::comment);
        XML_SetProcessingInstructionHandler(parser, &TreeBuilder::processingInstruction);
        XML_SetSkippedEntityHandler(parser, &TreeBuilder::skippedEntity);
        XML_SetXmlDeclHandler(parser, &TreeBuilder::xmlDeclaration);
        XML_SetStartDoctypeDeclHandler(parser, &TreeBuilder::startDoctype);
        XML_SetEntityDeclHandler(parser, &TreeBuilder::entityDeclaration);
        XML_SetNotStandaloneHandler(parser, &TreeBuilder::notStandalone);
        XML_SetExternalEntityRefHandler(parser, &TreeBuilder::externalEntity);
        XML_SetUnknownEncodingHandler(parser, &TreeBuilder::unknownEncoding, this);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, maximumAmplification);
        XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, amplificationThreshold);
    }

    void parse(const char *data, int size, bool final)
    {
        if (XML_Parse(m_parser, data, size, final) != XML_STATUS_OK)
            fail();
    }

    void parseBuffer(int size, bool final)
    {
        if (XML_ParseBuffer(m_parser, size, final) != XML_STATUS_OK)
            fail();
    }

    std::unique_ptr<XmlTree> takeTree() { return std::move(m_tree); }

private:
    struct OpenElement {
        XmlTree::Index element;
        std::size_t firstChildSlot;
        std::size_t firstBinding;
        bool keepsText;
    };

    struct Binding {
        QByteArray attributeName; // "xmlns" or "xmlns:prefix"
        XmlTree::Index namespaceUri;
    };

    [[noreturn]] void fail()
    {
        if (m_exception)
            std::rethrow_exception(m_exception);
        const QString what = m_failure.isEmpty()
            ? QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser)))
            : m_failure;
        throw KalidorError::at(m_path, what, XML_GetCurrentLineNumber(m_parser),
            XML_GetCurrentColumnNumber(m_parser) + 1);
    }

    // Exceptions must not unwind through Expat's C frames: keep one and stop the parser.
    template<typename Step> static void guarded(void *userData, Step step)
    {
        auto *self = static_cast<TreeBuilder *>(userData);
        try {
            step(*self);
        } catch (...) {
            self->m_exception = std::current_exception();
            XML_StopParser(self->m_parser, XML_FALSE);
        }
    }

    XmlTree::Index currentLine() const
    {
        return static_cast<XmlTree::Index>(XML_GetCurrentLineNumber(m_parser));
    }

    XmlTree::Index resolveNamespace(const char *name) const
    {
        const char *colon = std::strchr(name, ':');
        const std::size_t prefixLength = colon ? std::size_t(colon - name) : 0;
        for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
            const QByteArray &declared = binding->attributeName;
            if (!colon) {
                if (declared.size() == 5)
                    return binding->namespaceUri;
            } else if (std::size_t(declared.size()) == 6 + prefixLength
                && std::memcmp(declared.constData() + 6, name, prefixLength) == 0) {
                return binding->namespaceUri;
            }
        }
        return 0;
    }

    void addChild(XmlTree::Index node) { m_childSlots.push_back(node); }

    // Worked out once for each element name.
    bool keepsText(XmlTree::Index name, const char *elementName)
    {
        if (m_textElements.isEmpty())
            return true;
        if (name >= m_keepsTextByName.size())
            m_keepsTextByName.resize(name + 1, -1);
        std::int8_t &keeps = m_keepsTextByName[name];
        if (keeps < 0) {
            const char *colon = std::strchr(elementName, ':');
            const char *localName = colon ? colon + 1 : elementName;
            keeps = m_textElements.contains(elementName) || m_textElements.contains(localName);
        }
        return keeps;
    }

    bool openElementKeepsText() const { return m_open.back().keepsText; }

    // A node with its text dropped, or with `text` when its parent keeps text.
    void addTextChild(
        XmlNodeKind kind, XmlTree::Index name, QByteArrayView text, XmlTree::Index line)
    {
        addChild(
            m_tree->addText(kind, name, openElementKeepsText() ? text : QByteArrayView(), line));
    }

    // Expat may split one run of character data over several calls, so trimming waits
    // until markup ends the run.
    void flushText()
    {
        if (m_textNonBlank)
            addChild(m_tree->addText(XmlNodeKind::Text, 0, trimmed(m_text), m_textLine));
        m_text.clear();
        m_textNonBlank = false;
    }

    static void XMLCALL startElement(void *userData, const XML_Char *name, const XML_Char **atts)
    {
        guarded(userData, [&](TreeBuilder &self) { self.onStartElement(name, atts); });
    }

    void onStartElement(const char *name, const char **atts)
    {
        flushText();
        if (m_entitiesMayBeSkipped && !m_standalone && atts[0])
            checkAttributeReferences();
        const std::size_t firstBinding = m_bindings.size();
        for (const char **att = atts; *att; att += 2) {
            const char *attName = att[0];
            if (std::strncmp(attName, "xmlns", 5) == 0 && (attName[5] == '\0' || attName[5] == ':'))
                m_bindings.push_back(Binding {
                    QByteArray(attName), m_tree->internNamespaceUri(QByteArrayView(att[1])) });
        }
        const XmlTree::Index elementName = m_tree->internName(QByteArrayView(name));
        const XmlTree::Index element
            = m_tree->addElement(elementName, resolveNamespace(name), currentLine());
        const bool keeps = keepsText(elementName, name);
        for (const char **att = atts; *att; att += 2)
            m_tree->addAttribute(
                element, m_tree->internName(QByteArrayView(att[0])), QByteArrayView(att[1]));
        if (m_open.empty())
            m_tree->setRootElement(element);
        else
            addChild(element);
        m_open.push_back(OpenElement { element, m_childSlots.size(), firstBinding, keeps });
    }

    static void XMLCALL endElement(void *userData, const XML_Char *)
    {
        guarded(userData, [](TreeBuilder &self) { self.onEndElement(); });
    }

    void onEndElement()
    {
        flushText();
        const OpenElement open = m_open.back();
        m_open.pop_back();
        m_tree->setChildren(open.element, m_childSlots, open.firstChildSlot);
        m_childSlots.resize(open.firstChildSlot);
        m_bindings.resize(open.firstBinding);
    }

    static void XMLCALL characterData(void *userData, const XML_Char *data, int length)
    {
        guarded(userData, [&](TreeBuilder &self) { self.onCharacterData(data, length); });
    }

    // Expat hands over whole characters and puts each line break in a call of its own, so
    // the first call that is not blank tells where the trimmed text starts. Text that is
    // dropped is only checked for being blank.
    void onCharacterData(const char *data, int length)
    {
        // Outside the root element Expat allows white space only.
        if (m_open.empty())
            return;
        const bool keeps = openElementKeepsText();
        if (m_inCdata) {
            if (keeps)
                m_cdata.append(data, length);
            return;
        }
        if (!m_textNonBlank) {
            if (isBlankText(QByteArrayView(data, length))) {
                if (keeps)
                    m_text.append(data, length);
                return;
            }
            m_textNonBlank = true;
            m_textLine = currentLine();
        }
        if (keeps)
            m_text.append(data, length);
    }

    static void XMLCALL startCdata(void *userData)
    {
        guarded(userData, [](TreeBuilder &self) {
            self.flushText();
            self.m_inCdata = true;
            self.m_cdataLine = self.currentLine();
        });
    }

    static void XMLCALL endCdata(void *userData)
    {
        guarded(userData, [](TreeBuilder &self) {
            self.addTextChild(XmlNodeKind::CData, 0, self.m_cdata, self.m_cdataLine);
            self.m_cdata.clear();
            self.m_inCdata = false;
        });
    }

    // Comments and processing instructions around the root element are not kept: only
    // the root element is ever asked for.
    static void XMLCALL comment(void *userData, const XML_Char *data)
    {
        guarded(userData, [&](TreeBuilder &self) {
            self.flushText();
            if (!self.m_open.empty())
                self.addTextChild(
                    XmlNodeKind::Comment, 0, QByteArrayView(data), self.currentLine());
        });
    }

    static void XMLCALL processingInstruction(
        void *userData, const XML_Char *target, const XML_Char *data)
    {
        guarded(userData, [&](TreeBuilder &self) {
            self.flushText();
            if (!self.m_open.empty())
                self.addTextChild(XmlNodeKind::ProcessingInstruction,
                    self.m_tree->internName(QByteArrayView(target)), QByteArrayView(data),
                    self.currentLine());
        });
    }

    // Expat passes over a reference to an undeclared entity when the document has an
    // external DTD it does not read; the text would silently lose a piece, so it fails.
    static void XMLCALL skippedEntity(
        void *userData, const XML_Char *entityName, int isParameterEntity)
    {
        if (isParameterEntity)
            return;
        guarded(userData, [&](TreeBuilder &self) {
            self.m_failure = QStringLiteral("the entity \"%1\" is not defined")
                                 .arg(QString::fromUtf8(entityName));
            XML_StopParser(self.m_parser, XML_FALSE);
        });
    }

    // Expat leaves out a reference to an undeclared entity in an attribute value without a
    // word when the document has a DTD part it does not read. Such a reference must fail like
    // one in text, so the start tag is searched as written; only documents with an external
    // DTD or parameter entity references pay for that.
    void checkAttributeReferences()
    {
        int offset = 0;
        int size = 0;
        const char *context = XML_GetInputContext(m_parser, &offset, &size);
        const int length = XML_GetCurrentByteCount(m_parser);
        if (!context || length <= 0 || offset + length > size)
            return;
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
                m_failure = QStringLiteral("the entity \"%1\" is not defined")
                                .arg(QString::fromUtf8(entity));
                XML_StopParser(m_parser, XML_FALSE);
                return;
            }
        }
    }

    static void XMLCALL xmlDeclaration(
        void *userData, const XML_Char *, const XML_Char *, int standalone)
    {
        static_cast<TreeBuilder *>(userData)->m_standalone = standalone == 1;
    }

    static void XMLCALL startDoctype(
        void *userData, const XML_Char *, const XML_Char *systemId, const XML_Char *, int)
    {
        if (systemId)
            static_cast<TreeBuilder *>(userData)->m_entitiesMayBeSkipped = true;
    }

    static int XMLCALL notStandalone(void *userData)
    {
        static_cast<TreeBuilder *>(userData)->m_entitiesMayBeSkipped = true;
        return XML_STATUS_OK;
    }

    static void XMLCALL entityDeclaration(void *userData, const XML_Char *entityName,
        int isParameterEntity, const XML_Char *, int, const XML_Char *, const XML_Char *,
        const XML_Char *, const XML_Char *)
    {
        if (isParameterEntity)
            return;
        guarded(userData, [&](TreeBuilder &self) { self.m_entityNames.insert(entityName); });
    }

    // External entities are never fetched, and a reference to one fails the read instead
    // of leaving a gap in the text.
    static int XMLCALL externalEntity(XML_Parser parser, const XML_Char *, const XML_Char *,
        const XML_Char *systemId, const XML_Char *)
    {
        auto *self = static_cast<TreeBuilder *>(XML_GetUserData(parser));
        self->m_failure = QStringLiteral("the external entity \"%1\" is not read")
                              .arg(QString::fromUtf8(systemId));
        return XML_STATUS_ERROR;
    }

    // Expat knows UTF-8, UTF-16, ISO-8859-1 and US-ASCII itself; any other single-byte code
    // page that QStringDecoder knows is handed to it as a table of 256 characters.
    static int XMLCALL unknownEncoding(void *handlerData, const XML_Char *name, XML_Encoding *info)
    {
        auto *self = static_cast<TreeBuilder *>(handlerData);
        try {
            return self->fillEncodingMap(name, info);
        } catch (...) {
            self->m_exception = std::current_exception();
            return XML_STATUS_ERROR;
        }
    }

    int fillEncodingMap(const char *name, XML_Encoding *info)
    {
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
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }

    const QString &m_path;
    XML_Parser m_parser;
    const QByteArrayList &m_textElements;
    std::vector<std::int8_t> m_keepsTextByName; // by name index: 1 or 0, or -1 until known
    std::unique_ptr<XmlTree> m_tree;
    std::vector<OpenElement> m_open;
    std::vector<XmlTree::Index> m_childSlots;
    std::vector<Binding> m_bindings;
    // Kept apart from the tree, which keeps only the trimmed text; their capacity stays
    // from one run to the next.
    std::string m_text;
    bool m_textNonBlank = false;
    XmlTree::Index m_textLine = 0;
    std::string m_cdata;
    XmlTree::Index m_cdataLine = 0;
    bool m_inCdata = false;
    bool m_standalone = false;
    bool m_entitiesMayBeSkipped = false;
    QSet<QByteArray> m_entityNames;
    QString m_failure;
    std::exception_ptr m_exception;
};

[[noreturn]] void failToRead(const QString &path, const QFile &file)
{
    throw KalidorError::at(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
}

} // namespace

std::unique_ptr<XmlTree> parseXmlFile(const QString &path, const QByteArrayList &textElements)
{
    QFile file;
    openRegularFile(file, path);

    const QByteArray head = file.read(chunkSize);
    if (head.isEmpty() && file.error() != QFileDevice::NoError)
        failToRead(path, file);

    // A byte-order mark overrides whatever the XML declaration says.
    qsizetype markLength = 0;
    const char *encoding = nullptr;
    switch (ByteOrderMark::find(head, markLength)) {
    case TextEncoding::Utf8:
        encoding = "UTF-8";
        break;
    case TextEncoding::Utf16LE:
        encoding = "UTF-16LE";
        break;
    case TextEncoding::Utf16BE:
        encoding = "UTF-16BE";
        break;
    case TextEncoding::DefaultCodePage:
        break;
    }

    const ParserPointer parser(XML_ParserCreate(encoding));
    if (!parser)
        throw std::bad_alloc();
    TreeBuilder builder(path, parser.get(), textElements);
    builder.parse(head.constData() + markLength, static_cast<int>(head.size() - markLength), false);
    qint64 read = 0;
    do {
        void *buffer = XML_GetBuffer(parser.get(), chunkSize);
        if (!buffer)
            throw std::bad_alloc();
        read = file.read(static_cast<char *>(buffer), chunkSize);
        if (read < 0)
            failToRead(path, file);
        builder.parseBuffer(static_cast<int>(read), read == 0);
    } while (read > 0);
    return builder.takeTree();
}
