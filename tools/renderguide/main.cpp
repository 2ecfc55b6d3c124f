// Renders the user guide from Markdown into a PDF at build time, with Qt's own Markdown reader
// and PDF writer, so that no document tool is needed on the build machine.
#include "guidepdf.h"
#include "guidestyle.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {
// The guide's first level-one heading names it in the PDF's metadata and in every page footer.
QString titleOf(const QString &markdown)
{
    const QStringList lines = markdown.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("# ")))
            return line.mid(2).trimmed();
    }
    return QStringLiteral("User guide");
}
} // namespace

int main(int argc, char *argv[])
{
    // No window is shown; the offscreen platform lets this run on a build machine without a
    // display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: renderguide <guide.md> <guide.pdf>\n");
        return 2;
    }

    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "renderguide: cannot read %s: %s\n", qPrintable(args.at(1)),
            qPrintable(source.errorString()));
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QTextDocument document;
    // Images are named relative to the guide.
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(args.at(1)).absolutePath() + u'/'));
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    applyGuideStyle(document, QFont(QStringLiteral("DejaVu Sans"), 10));

    if (!writeGuidePdf(document, titleOf(markdown), args.at(2))) {
        std::fprintf(stderr, "renderguide: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
