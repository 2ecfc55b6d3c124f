#include "xmlrootelement.h"

#include "base/kalidorerror.h"
#include "base/platformfile.h"
#include "base/textencoding.h"

#include <QFile>
#include <QStringList>

#include <expat.h>
#include <memory>

namespace {

constexpr qint64 chunkSize = 1 << 16;
// Expat's namespace mode hands over names as "uri<sep>local<sep>prefix"; no XML character.
constexpr char separator = '\x01';

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPointer = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

struct Search {
    XML_Parser parser;
    std::optional<XmlRootElement> root;
};

void XMLCALL startElement(void *userData, const XML_Char *name, const XML_Char **)
{
    auto *search = static_cast<Search *>(userData);
    const QStringList parts = QString::fromUtf8(name).split(QChar(separator));
    XmlRootElement root;
    if (parts.size() == 1) {
        root.localName = parts.at(0);
    } else {
        root.namespaceUri = parts.at(0);
        root.localName = parts.at(1);
        root.prefix = parts.value(2);
    }
    root.line = static_cast<qint64>(XML_GetCurrentLineNumber(search->parser));
    search->root = std::move(root);
    XML_StopParser(search->parser, XML_FALSE);
}

int XMLCALL readAsLatin1(void *, const XML_Char *, XML_Encoding *info)
{
    for (int byte = 0; byte < 256; ++byte)
        info->map[byte] = byte;
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace

std::optional<XmlRootElement> readXmlRootElement(const QString &path)
{
    QFile file;
    openRegularFile(file, path);
    const auto failToRead = [&] {
        return KalidorError::at(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    };

    QByteArray chunk = file.read(chunkSize);
    if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
        throw failToRead();
    // As the reader does: a byte-order mark overrides the XML declaration.
    qsizetype markLength = 0;
    const ParserPointer parser(XML_ParserCreateNS(
        ByteOrderMark::ianaName(ByteOrderMark::find(chunk, markLength)), separator));
    if (!parser)
        throw std::bad_alloc();
    Search search { parser.get(), std::nullopt };
    XML_SetUserData(parser.get(), &search);
    XML_SetReturnNSTriplet(parser.get(), XML_TRUE);
    XML_SetStartElementHandler(parser.get(), &startElement);
    XML_SetUnknownEncodingHandler(parser.get(), &readAsLatin1, nullptr);

    chunk.remove(0, markLength);
    while (true) {
        const bool final = chunk.isEmpty();
        // Stopping at the root start tag ends the parse as an error too.
        if (XML_Parse(parser.get(), chunk.constData(), static_cast<int>(chunk.size()), final)
                == XML_STATUS_ERROR
            || search.root || final)
            return search.root;
        chunk = file.read(chunkSize);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            throw failToRead();
    }
}
