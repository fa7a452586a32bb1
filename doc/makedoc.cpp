// Sets an HTML document as an A4 PDF with Qt's text layout:
//   vestra-makedoc SOURCE.html OUTPUT.pdf TITLE

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

namespace {
constexpr int Resolution = 300;
constexpr qreal MarginMm = 20.0;
constexpr int BodyPointSize = 10;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: vestra-makedoc SOURCE.html OUTPUT.pdf TITLE\n");
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vestra-makedoc: cannot read %s: %s\n", qPrintable(args.at(1)),
                     qPrintable(source.errorString()));
        return 1;
    }

    QPdfWriter writer(args.at(2));
    writer.setTitle(args.at(3));
    writer.setCreator(QStringLiteral("VESTRA Code Editor documentation"));
    writer.setResolution(Resolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                     QPageLayout::Millimeter));

    QTextDocument document;
    QFont body(QStringLiteral("DejaVu Sans"), BodyPointSize);
    document.setDefaultFont(body);
    document.setHtml(QString::fromUtf8(source.readAll()));
    document.print(&writer);
    return 0;
}
