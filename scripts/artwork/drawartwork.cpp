// Draws every icon and picture of the program with QPainter, so that all of
// the artwork is our own and can be redrawn at will.

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

const QColor Ink(0x1d, 0x2b, 0x3a);
const QColor Navy(0x1f, 0x4e, 0x8c);
const QColor Sky(0x4a, 0x90, 0xd9);
const QColor Amber(0xf2, 0xa9, 0x2c);
const QColor AmberDark(0xc9, 0x7d, 0x10);
const QColor Leaf(0x2e, 0x9e, 0x4f);
const QColor Signal(0xd9, 0x3b, 0x2b);
const QColor Steel(0x8a, 0x96, 0xa3);
const QColor Wood(0x9c, 0x62, 0x2e);

using Drawing = std::function<void(QPainter &)>;

bool saveDrawing(const QString &path, int size, const Drawing &draw)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    draw(painter);
    painter.end();
    return image.save(path);
}

QPen outline(const QColor &color, qreal width = 2.0)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(4, 12);
    back.lineTo(4, 40);
    back.lineTo(42, 40);
    back.lineTo(42, 15);
    back.lineTo(22, 15);
    back.lineTo(18, 10);
    back.lineTo(6, 10);
    back.closeSubpath();
    p.setPen(outline(AmberDark));
    p.setBrush(AmberDark.lighter(115));
    p.drawPath(back);

    QPainterPath flap;
    flap.moveTo(4, 40);
    flap.lineTo(10, 21);
    flap.lineTo(46, 21);
    flap.lineTo(42, 40);
    flap.closeSubpath();
    p.setBrush(Amber);
    p.drawPath(flap);
}

void drawFloppy(QPainter &p, const QColor &body)
{
    QPainterPath disk;
    disk.moveTo(6, 6);
    disk.lineTo(36, 6);
    disk.lineTo(42, 12);
    disk.lineTo(42, 42);
    disk.lineTo(6, 42);
    disk.closeSubpath();
    p.setPen(outline(body.darker(150)));
    p.setBrush(body);
    p.drawPath(disk);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xee, 0xf5));
    p.drawRoundedRect(QRectF(12, 7, 21, 12), 1.5, 1.5);
    p.setBrush(body.darker(140));
    p.drawRect(QRectF(26, 9, 4, 8));

    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(11, 25, 26, 15), 2, 2);
    p.setPen(outline(Steel, 1.5));
    p.drawLine(QPointF(15, 30), QPointF(33, 30));
    p.drawLine(QPointF(15, 35), QPointF(33, 35));
}

void drawSave(QPainter &p)
{
    drawFloppy(p, Navy);
}

void drawSaveAs(QPainter &p)
{
    p.save();
    p.scale(0.85, 0.85);
    drawFloppy(p, Navy);
    p.restore();

    p.save();
    p.translate(33, 33);
    p.rotate(45);
    p.setPen(outline(Ink, 1.5));
    p.setBrush(Amber);
    p.drawRect(QRectF(-4, -16, 8, 22));
    p.setBrush(QColor(0xf5, 0xd9, 0xb0));
    QPainterPath tip;
    tip.moveTo(-4, 6);
    tip.lineTo(4, 6);
    tip.lineTo(0, 13);
    tip.closeSubpath();
    p.drawPath(tip);
    p.setBrush(Signal);
    p.drawRect(QRectF(-4, -19, 8, 4));
    p.restore();
}

void drawHammer(QPainter &p)
{
    p.save();
    p.translate(24, 24);
    p.rotate(-45);
    p.setPen(outline(Wood.darker(140)));
    p.setBrush(Wood);
    p.drawRoundedRect(QRectF(-3, -6, 6, 28), 2, 2);
    p.setPen(outline(Ink));
    p.setBrush(Steel);
    QPainterPath head;
    head.moveTo(-15, -16);
    head.lineTo(10, -16);
    head.lineTo(15, -13);
    head.lineTo(15, -5);
    head.lineTo(10, -2);
    head.lineTo(-15, -2);
    head.lineTo(-12, -9);
    head.closeSubpath();
    p.drawPath(head);
    p.restore();
}

void drawBroom(QPainter &p)
{
    p.setPen(outline(Wood.darker(140), 2));
    p.setBrush(Wood);
    p.save();
    p.translate(30, 20);
    p.rotate(30);
    p.drawRoundedRect(QRectF(-2.5, -19, 5, 24), 2, 2);
    p.restore();

    QPainterPath bristles;
    bristles.moveTo(18, 26);
    bristles.lineTo(30, 33);
    bristles.lineTo(24, 45);
    bristles.lineTo(4, 40);
    bristles.closeSubpath();
    p.setPen(outline(AmberDark));
    p.setBrush(Amber);
    p.drawPath(bristles);
    p.setPen(outline(AmberDark, 1.5));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(19 - 2 * i, 30 + i), QPointF(21 - 5 * i, 42 - i));
    p.setPen(outline(Signal, 3));
    p.drawLine(QPointF(17, 27), QPointF(29, 34));
}

void drawCloseWindow(QPainter &p)
{
    p.setPen(outline(Ink));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4, 6, 40, 34), 3, 3);
    p.setBrush(Navy);
    p.drawRoundedRect(QRectF(4, 6, 40, 9), 3, 3);

    p.setPen(Qt::NoPen);
    p.setBrush(Signal);
    p.drawEllipse(QPointF(24, 28), 10, 10);
    p.setPen(outline(Qt::white, 3));
    p.drawLine(QPointF(20, 24), QPointF(28, 32));
    p.drawLine(QPointF(28, 24), QPointF(20, 32));
}

void drawNext(QPainter &p)
{
    p.setPen(outline(Leaf.darker(140)));
    p.setBrush(Leaf);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    QPainterPath play;
    play.moveTo(19, 13);
    play.lineTo(35, 24);
    play.lineTo(19, 35);
    play.closeSubpath();
    p.setPen(outline(Qt::white, 2));
    p.setBrush(Qt::white);
    p.drawPath(play);
}

void drawStop(QPainter &p)
{
    p.setPen(outline(Signal.darker(140)));
    p.setBrush(Signal);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(15, 15, 18, 18), 2.5, 2.5);
}

void drawMaintenance(QPainter &p)
{
    const QPointF centre(24, 24);
    constexpr int Teeth = 8;
    QPainterPath gear;
    for (int i = 0; i < Teeth * 2; ++i) {
        const qreal angle = qDegreesToRadians(i * 180.0 / Teeth);
        const qreal next = qDegreesToRadians((i + 1) * 180.0 / Teeth);
        const qreal radius = (i % 2 == 0) ? 21 : 16;
        const QPointF a = centre + QPointF(qCos(angle), qSin(angle)) * radius;
        const QPointF b = centre + QPointF(qCos(next), qSin(next)) * radius;
        if (i == 0)
            gear.moveTo(a);
        else
            gear.lineTo(a);
        gear.lineTo(b);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, 7, 7);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(outline(Ink, 1.5));
    p.setBrush(Steel);
    p.drawPath(gear);
    p.setBrush(Navy);
    p.drawEllipse(centre, 4, 4);
}

void drawSearch(QPainter &p)
{
    p.setPen(outline(Ink, 5));
    p.drawLine(QPointF(30, 30), QPointF(42, 42));
    p.setPen(outline(Ink, 4));
    p.setBrush(QColor(0xdc, 0xea, 0xf7));
    p.drawEllipse(QPointF(20, 20), 13, 13);
}

// The rounded sky-to-navy tile the program icons stand on.
void drawTile(QPainter &p)
{
    QLinearGradient fill(0, 0, 48, 48);
    fill.setColorAt(0, Sky);
    fill.setColorAt(1, Navy);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);
}

void drawLogo(QPainter &p)
{
    drawTile(p);

    QPainterPath wave;
    wave.moveTo(8, 30);
    for (int x = 8; x <= 40; ++x)
        wave.lineTo(x, 30 - 7 * qSin((x - 8) / 32.0 * 2 * M_PI));
    p.setPen(outline(Amber, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);

    p.setPen(outline(Qt::white, 4));
    p.drawLine(QPointF(14, 12), QPointF(34, 12));
    p.drawLine(QPointF(24, 12), QPointF(24, 40));
}

// The sensor viewer's own: a plot panel with two traces over a grid.
void drawViewer(QPainter &p)
{
    drawTile(p);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(7, 7, 34, 34), 3, 3);

    p.setPen(QPen(QColor(0xc8, 0xd2, 0xde), 1));
    for (int x = 15; x < 41; x += 8)
        p.drawLine(QPointF(x, 8), QPointF(x, 40));
    for (int y = 15; y < 41; y += 8)
        p.drawLine(QPointF(8, y), QPointF(40, y));

    QPainterPath slow;
    QPainterPath fast;
    for (int x = 9; x <= 39; ++x) {
        const qreal t = (x - 9) / 30.0;
        const qreal ySlow = 30 - 8 * qSin(t * 1.6 * M_PI);
        const qreal yFast = 22 + 5 * qSin(t * 5 * M_PI);
        if (x == 9) {
            slow.moveTo(x, ySlow);
            fast.moveTo(x, yFast);
        } else {
            slow.lineTo(x, ySlow);
            fast.lineTo(x, yFast);
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(Navy, 2.2));
    p.drawPath(slow);
    p.setPen(outline(Amber, 2.2));
    p.drawPath(fast);
}

bool saveAboutPicture(const QString &path)
{
    constexpr int Width = 800;
    constexpr int Height = 500;
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0.0, Navy.darker(130));
    sky.setColorAt(0.62, Sky);
    sky.setColorAt(0.86, Qt::white);
    p.fillRect(image.rect(), sky);

    const QColor traces[] = { Amber, QColor(0x9f, 0xd8, 0xff), QColor(0xff, 0xff, 0xff, 160) };
    for (int t = 0; t < 3; ++t) {
        QPainterPath trace;
        const qreal base = 290 + t * 30;
        for (int x = 0; x <= Width; x += 4) {
            const qreal y = base - 40 * qSin(x / (90.0 + 25 * t) + t)
                            * (0.6 + 0.4 * qSin(x / 310.0));
            if (x == 0)
                trace.moveTo(x, y);
            else
                trace.lineTo(x, y);
        }
        p.setPen(QPen(traces[t], t == 0 ? 5 : 3, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(trace);
    }

    p.save();
    p.translate(60, 60);
    p.scale(2.4, 2.4);
    drawLogo(p);
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"), 64, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(200, 55, 560, 90), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VESTRA"));
    QFont subtitle(QStringLiteral("DejaVu Sans"), 28);
    p.setFont(subtitle);
    p.drawText(QRect(205, 140, 560, 50), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Code Editor"));
    QFont maker(QStringLiteral("DejaVu Sans"), 18, QFont::DemiBold);
    p.setFont(maker);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRect(60, 190, 680, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Tarnwell Quorimat  \u00b7  sensor evaluation boards"));
    p.end();
    return image.save(path, "JPG", 92);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vestra-draw-artwork OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(args.at(1));
    struct Icon { const char *name; int size; Drawing draw; };
    const Icon icons[] = {
        { "icons8-open-48.png", 48, drawFolder },
        { "icons8-save-48.png", 48, drawSave },
        { "icons8-save-as-48.png", 48, drawSaveAs },
        { "icons8-hammer-48.png", 48, drawHammer },
        { "icons8-broom-48.png", 48, drawBroom },
        { "icons8-close-window-48.png", 48, drawCloseWindow },
        { "icons8-next-48.png", 48, drawNext },
        { "icons8-stop-48.png", 48, drawStop },
        { "icons8-maintenance-48.png", 48, drawMaintenance },
        { "icons8-search-24.png", 24, drawSearch },
        { "logo_tarnwell.png", 128, drawLogo },
        { "viewer_icon.png", 128, drawViewer },
        { "run-and-plot-48.png", 48, drawViewer },
    };
    bool ok = true;
    for (const Icon &icon : icons)
        ok = saveDrawing(out.filePath(QString::fromLatin1(icon.name)), icon.size, icon.draw) && ok;
    ok = saveAboutPicture(out.filePath(QStringLiteral("Tarnwell-Brandarc-EN-4C-Top.jpg"))) && ok;
    return ok ? 0 : 1;
}
