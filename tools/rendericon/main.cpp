// Renders the application's SVG icon into a square PNG of one size, so the hicolor theme
// gets bitmaps made from the one drawing instead of committed binaries.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    // No window is shown; the offscreen platform lets this run on a build machine without a
    // display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(3).toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0) {
        std::fprintf(stderr, "usage: rendericon <icon.svg> <icon.png> <size>\n");
        return 2;
    }

    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "rendericon: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();

    if (!image.save(args.at(2), "PNG")) {
        std::fprintf(stderr, "rendericon: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
