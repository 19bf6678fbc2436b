// brenvoss-icon: draws the app's icon, 1024 × 1024, into a PNG file. The
// committed src/resources/AppIcon.png is its output; run it again after
// changing the picture. A paper tile with an ink tray and a burgundy arrow
// going into it, in the window's palette.
#include "FileArgument.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr const char* usageText = "usage: brenvoss-icon FILE.png\n"
                                  "  draws the app's 1024 x 1024 icon into FILE.png\n";

QImage drawIcon()
{
    const QColor paper = QColor::fromRgbF(0.961f, 0.941f, 0.902f);
    const QColor ink = QColor::fromRgbF(0.09f, 0.196f, 0.227f);
    const QColor burgundy = QColor::fromRgbF(0.557f, 0.255f, 0.251f);

    QImage image(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The tile of a macOS icon: 824 points of the 1024, corners of 185.
    QColor edge = ink;
    edge.setAlphaF(0.14f);
    painter.setPen(QPen(edge, 6));
    painter.setBrush(paper);
    painter.drawRoundedRect(QRectF(103, 103, 818, 818), 182, 182);

    const auto stroke = [&](const QColor& colour, const QList<QPointF>& points) {
        painter.setPen(QPen(colour, 72, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(points.data(), int(points.size()));
    };
    stroke(ink, {{300, 560}, {300, 716}, {724, 716}, {724, 560}});
    stroke(burgundy, {{512, 262}, {512, 566}});
    stroke(burgundy, {{392, 450}, {512, 570}, {632, 450}});
    painter.end();
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int status = fileArgumentStatus(argc, argv, usageText); status >= 0)
        return status;
    // Raster painting without text: no application object is needed.
    if (!drawIcon().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "brenvoss-icon: cannot write '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
