// SPDX-License-Identifier: MIT
// Draws the program's icon and the tool-bar pictures into PNG files (run it to redraw them).
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x20, 0x3a, 0x60);
const QColor kPaper(0xfb, 0xf7, 0xe8);
const QColor kBlue(0x2a, 0x6f, 0xc9);
const QColor kFolder(0xf2, 0xb8, 0x3a);
const QColor kFolderDark(0xc8, 0x8a, 0x1c);
const QColor kRed(0xd0, 0x30, 0x30);
const QColor kGreen(0x2e, 0x9a, 0x4a);

using Painting = std::function<void(QPainter&)>;

/// Paints in a 32 x 32 unit space, whatever the pixel size.
bool Render(const QString& path, int size, const Painting& paint)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    paint(painter);
    painter.end();
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void Sheet(QPainter& p, QRectF r, bool lines)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(kPaper);
    p.drawRoundedRect(r, 1.5, 1.5);
    if (lines) {
        p.setPen(QPen(QColor(0x9a, 0xa8, 0xc0), 0.8));
        for (qreal y = r.top() + 4; y < r.bottom() - 1.5; y += 3)
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void Grid(QPainter& p, QRectF r)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 3), kBlue);
    p.setPen(QPen(kInk, 0.6));
    for (qreal y = r.top() + 3.5 + 2.5; y < r.bottom(); y += 2.5)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    for (qreal x = r.left() + r.width() / 3; x < r.right() - 0.5; x += r.width() / 3)
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
}

void Folder(QPainter& p, bool open)
{
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(14, 10.5);
    back.lineTo(28, 10.5);
    back.lineTo(28, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.setPen(QPen(kFolderDark.darker(130), 1.0));
    p.setBrush(kFolderDark);
    p.drawPath(back);
    if (open) {
        Grid(p, QRectF(7, 5, 18, 14));
        QPainterPath front;
        front.moveTo(2, 14);
        front.lineTo(26, 14);
        front.lineTo(30, 14);
        front.lineTo(27, 27);
        front.lineTo(3, 27);
        front.closeSubpath();
        QLinearGradient shade(0, 14, 0, 27);
        shade.setColorAt(0, kFolder.lighter(115));
        shade.setColorAt(1, kFolder);
        p.setBrush(shade);
        p.drawPath(front);
    } else {
        p.setBrush(kFolder);
        p.drawRoundedRect(QRectF(3, 12, 25, 15), 1, 1);
    }
}

void RoundBadge(QPainter& p, const QColor& colour, const QString& letter)
{
    QRadialGradient fill(QPointF(12, 10), 18);
    fill.setColorAt(0, colour.lighter(140));
    fill.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(140), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setBold(true);
    font.setPixelSize(19);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, letter);
}

void Cross(QPainter& p, QRectF r, qreal width)
{
    p.setPen(QPen(kRed, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Quill(QPainter& p)
{
    // A feather from the lower left to the upper right, nib at the lower left.
    QPainterPath vane;
    vane.moveTo(9, 23);
    vane.cubicTo(12, 13, 20, 5, 29, 2);
    vane.cubicTo(27, 10, 20, 18, 9, 23);
    QLinearGradient fill(9, 23, 29, 2);
    fill.setColorAt(0, QColor(0xe8, 0xe8, 0xf0));
    fill.setColorAt(1, Qt::white);
    p.setPen(QPen(kInk, 0.9));
    p.setBrush(fill);
    p.drawPath(vane);
    p.setPen(QPen(kInk, 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 27), QPointF(27, 4));
}

void ProgramIcon(QPainter& p)
{
    Sheet(p, QRectF(3, 5, 20, 25), true);
    // Radio waves from the upper right corner.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal r = 3 + i * 3.2;
        p.drawArc(QRectF(24 - r, 8 - r, 2 * r, 2 * r), 200 * 16, 110 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QRectF(22.5, 6.5, 3, 3));
    Quill(p);
}

void ConvertIcon(QPainter& p)
{
    Grid(p, QRectF(1.5, 4.5, 13, 13));
    Sheet(p, QRectF(17.5, 13.5, 13, 17), false);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(6);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(17.5, 15, 13, 7), Qt::AlignCenter, QStringLiteral("ADI"));
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xc0), 0.8));
    for (qreal y = 23.5; y < 29; y += 2.5)
        p.drawLine(QPointF(19.5, y), QPointF(28.5, y));
    // The arrow from the table to the file.
    QPainterPath arrow;
    arrow.moveTo(7, 19);
    arrow.quadTo(7, 26, 13, 26);
    arrow.lineTo(13, 23);
    arrow.lineTo(17.5, 27.5);
    arrow.lineTo(13, 32);
    arrow.lineTo(13, 29);
    arrow.quadTo(4, 29, 4, 19);
    arrow.closeSubpath();
    p.setPen(QPen(kGreen.darker(140), 0.8));
    p.setBrush(kGreen);
    p.drawPath(arrow);
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok &= Render(QStringLiteral("%1/quillon2adif-%2.png").arg(dir).arg(size), size, ProgramIcon);
    ok &= Render(dir + QStringLiteral("/open.png"), 32, [](QPainter& p) { Folder(p, true); });
    ok &= Render(dir + QStringLiteral("/close.png"), 32, [](QPainter& p) {
        Folder(p, false);
        Cross(p, QRectF(17, 3, 12, 12), 3.0);
    });
    ok &= Render(dir + QStringLiteral("/convert.png"), 32, ConvertIcon);
    ok &= Render(dir + QStringLiteral("/help.png"), 32, [](QPainter& p) { RoundBadge(p, kBlue, QStringLiteral("?")); });
    ok &= Render(dir + QStringLiteral("/about.png"), 32,
                 [](QPainter& p) { RoundBadge(p, kGreen, QStringLiteral("i")); });
    ok &= Render(dir + QStringLiteral("/close-small.png"), 16, [](QPainter& p) { Cross(p, QRectF(7, 7, 18, 18), 5.0); });
    return ok ? 0 : 1;
}
