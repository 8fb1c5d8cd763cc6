// Draws the program's tool-bar pictures (16 px and 32 px for "@2x" screens), cursors,
// application icon, splash and About pictures into res/. Run it after changing a picture:
//   QT_QPA_PLATFORM=offscreen build/res/orvanta-make-icons res
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

const QColor kInk(30, 30, 30);
const QColor kBlue(30, 90, 200);
const QColor kRed(210, 40, 30);
const QColor kGreen(30, 150, 60);
const QColor kYellow(240, 200, 20);
const QColor kCyan(0, 170, 200);
const QColor kGrey(130, 130, 130);

using Draw = std::function<void(QPainter&)>;

QPen pen(const QColor& c, double w = 1.2) {
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double head = 3.5) {
    p.setPen(pen(c, 1.6));
    p.drawLine(from, to);
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
    QPolygonF tip;
    tip << to << to - QPointF(head * std::cos(a - 0.5), head * std::sin(a - 0.5))
        << to - QPointF(head * std::cos(a + 0.5), head * std::sin(a + 0.5));
    p.setBrush(c);
    p.setPen(pen(c, 0.8));
    p.drawPolygon(tip);
    p.setBrush(Qt::NoBrush);
}

void text(QPainter& p, const QRectF& r, const QString& t, const QColor& c, double size,
          bool bold = true) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(int(size * 4));  // drawn at 4x and scaled down for crisp hinting
    f.setBold(bold);
    p.save();
    p.scale(0.25, 0.25);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRectF(r.x() * 4, r.y() * 4, r.width() * 4, r.height() * 4), Qt::AlignCenter, t);
    p.restore();
}

void axes(QPainter& p, const QString& a, const QString& b) {
    p.setPen(pen(kInk, 1.2));
    p.drawLine(QPointF(3, 13), QPointF(14, 13));
    p.drawLine(QPointF(3, 13), QPointF(3, 2));
    text(p, QRectF(8, 2, 8, 8), a + b, kBlue, 5.5);
}

void mesh(QPainter& p, const QRectF& r, int n, const QColor& c, double w = 1.0) {
    p.setPen(pen(c, w));
    for (int i = 0; i <= n; ++i) {
        const double x = r.left() + r.width() * i / n, y = r.top() + r.height() * i / n;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void bands(QPainter& p, const QRectF& r) {
    const QColor colours[] = {QColor(0, 0, 255), QColor(0, 200, 255), QColor(0, 200, 0),
                              QColor(255, 230, 0), QColor(255, 0, 0)};
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRectF(r.left() + r.width() * i / 5, r.top(), r.width() / 5 + 0.05, r.height()),
                   colours[i]);
}

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF() << a << b << c);
    p.setBrush(Qt::NoBrush);
}

void magnifier(QPainter& p, const QString& sign) {
    p.setPen(pen(kInk, 1.4));
    p.setBrush(QColor(220, 240, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kInk, 2.2));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(pen(kBlue, 1.4));
    p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
    if (sign == QLatin1String("+")) p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
}

std::map<std::string, Draw> icons() {
    std::map<std::string, Draw> m;
    m["open"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(255, 225, 130));
        p.drawPolygon(QPolygonF() << QPointF(3.5, 7.5) << QPointF(15, 7.5) << QPointF(13.5, 13.5)
                                  << QPointF(1.5, 13.5));
    };
    m["save"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(kBlue);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 9, 8, 5.5));
    };
    m["saveimage"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(150, 200, 255));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        triangle(p, QPointF(2, 13), QPointF(7, 6), QPointF(11, 13), kGreen);
        p.setBrush(kYellow);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(11, 6), 1.8, 1.8);
    };
    m["print"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    };
    m["exit"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(2.5, 1.5, 7, 13));
        arrow(p, QPointF(7, 8), QPointF(15, 8), kRed);
    };
    m["about"] = [](QPainter& p) {
        p.setPen(pen(kBlue, 1.2));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        text(p, QRectF(1, 1, 14, 14), QStringLiteral("?"), kBlue, 11);
    };
    m["xyz"] = [](QPainter& p) {
        arrow(p, QPointF(7, 9), QPointF(7, 1.5), kGreen);
        arrow(p, QPointF(7, 9), QPointF(14.5, 12), kRed);
        arrow(p, QPointF(7, 9), QPointF(1.5, 14), kBlue);
    };
    m["xoy"] = [](QPainter& p) { axes(p, "X", "Y"); };
    m["yoz"] = [](QPainter& p) { axes(p, "Y", "Z"); };
    m["zox"] = [](QPainter& p) { axes(p, "Z", "X"); };
    m["viewport"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.drawArc(QRectF(2, 2, 12, 12), 30 * 16, 300 * 16);
        arrow(p, QPointF(13, 5), QPointF(13.5, 2.5), kInk, 3);
        text(p, QRectF(3, 4, 10, 8), QStringLiteral("\u00b0"), kRed, 10);
    };
    m["left"] = [](QPainter& p) { arrow(p, QPointF(14, 8), QPointF(2, 8), kBlue, 5); };
    m["right"] = [](QPainter& p) { arrow(p, QPointF(2, 8), QPointF(14, 8), kBlue, 5); };
    m["up"] = [](QPainter& p) { arrow(p, QPointF(8, 14), QPointF(8, 2), kBlue, 5); };
    m["down"] = [](QPainter& p) { arrow(p, QPointF(8, 2), QPointF(8, 14), kBlue, 5); };
    m["pan"] = [](QPainter& p) {
        arrow(p, QPointF(8, 8), QPointF(8, 1.5), kInk, 3.5);
        arrow(p, QPointF(8, 8), QPointF(8, 14.5), kInk, 3.5);
        arrow(p, QPointF(8, 8), QPointF(1.5, 8), kInk, 3.5);
        arrow(p, QPointF(8, 8), QPointF(14.5, 8), kInk, 3.5);
    };
    m["rotate"] = [](QPainter& p) {
        p.setPen(pen(kGreen, 1.6));
        p.drawArc(QRectF(2, 2, 12, 12), 60 * 16, 270 * 16);
        arrow(p, QPointF(11, 3), QPointF(13.2, 5), kGreen, 4);
    };
    m["reset"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        p.setPen(pen(kRed, 1.4));
        p.drawLine(QPointF(8, 4), QPointF(8, 12));
        p.drawLine(QPointF(4, 8), QPointF(12, 8));
    };
    m["zoomup"] = [](QPainter& p) { magnifier(p, "+"); };
    m["zoomdown"] = [](QPainter& p) { magnifier(p, "-"); };
    m["zoombox"] = [](QPainter& p) {
        QPen dashed = pen(kCyan.darker(130), 1.2);
        dashed.setDashPattern({2, 1.5});
        p.setPen(dashed);
        p.drawRect(QRectF(1.5, 1.5, 10, 8));
        p.setPen(pen(kInk, 1.2));
        p.drawEllipse(QPointF(10, 10), 3, 3);
        p.setPen(pen(kInk, 2));
        p.drawLine(QPointF(12.2, 12.2), QPointF(15, 15));
    };
    m["play"] = [](QPainter& p) {
        triangle(p, QPointF(4, 2), QPointF(14, 8), QPointF(4, 14), kGreen);
    };
    m["pause"] = [](QPainter& p) {
        p.fillRect(QRectF(3.5, 2.5, 3.5, 11), kBlue);
        p.fillRect(QRectF(9, 2.5, 3.5, 11), kBlue);
    };
    m["first"] = [](QPainter& p) {
        p.fillRect(QRectF(2, 3, 2, 10), kBlue);
        triangle(p, QPointF(14, 3), QPointF(4.5, 8), QPointF(14, 13), kBlue);
    };
    m["previous"] = [](QPainter& p) {
        triangle(p, QPointF(12, 3), QPointF(3, 8), QPointF(12, 13), kBlue);
    };
    m["next"] = [](QPainter& p) {
        triangle(p, QPointF(4, 3), QPointF(13, 8), QPointF(4, 13), kBlue);
    };
    m["last"] = [](QPainter& p) {
        triangle(p, QPointF(2, 3), QPointF(11.5, 8), QPointF(2, 13), kBlue);
        p.fillRect(QRectF(12, 3, 2, 10), kBlue);
    };
    m["stepnumber"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        text(p, QRectF(1, 3, 14, 10), QStringLiteral("#"), kBlue, 9);
    };
    m["color"] = [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(5.5, 6), 3.8, 3.8);
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(10.5, 6), 3.8, 3.8);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(8, 10.5), 3.8, 3.8);
    };
    m["numbering"] = [](QPainter& p) { text(p, QRectF(0, 1, 16, 14), "12", kInk, 9.5); };
    m["magnification"] = [](QPainter& p) {
        p.setPen(pen(kGrey, 1.0));
        p.drawLine(QPointF(2, 12), QPointF(14, 12));
        p.setPen(pen(kRed, 1.6));
        QPainterPath path(QPointF(2, 12));
        path.cubicTo(QPointF(7, 12), QPointF(10, 9), QPointF(14, 3));
        p.drawPath(path);
    };
    m["division"] = [](QPainter& p) {
        bands(p, QRectF(1, 4, 14, 8));
        p.setPen(pen(kInk, 0.8));
        p.drawRect(QRectF(1, 4, 14, 8));
    };
    m["light"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(kYellow);
        p.drawEllipse(QPointF(8, 6.5), 4.5, 4.5);
        p.setBrush(kGrey);
        p.drawRect(QRectF(6, 11, 4, 3.5));
    };
    m["symmetry"] = [](QPainter& p) {
        triangle(p, QPointF(7, 3), QPointF(7, 13), QPointF(2, 13), kBlue);
        triangle(p, QPointF(9, 3), QPointF(9, 13), QPointF(14, 13), QColor(120, 160, 230));
        QPen dashed = pen(kRed, 1.0);
        dashed.setDashPattern({1.5, 1.5});
        p.setPen(dashed);
        p.drawLine(QPointF(8, 1), QPointF(8, 15));
    };
    m["info"] = [](QPainter& p) {
        p.setPen(pen(kBlue, 1.2));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        text(p, QRectF(1, 1, 14, 14), QStringLiteral("i"), kBlue, 11);
    };
    m["curvedata"] = [](QPainter& p) {
        mesh(p, QRectF(1.5, 2.5, 13, 11), 3, kGrey, 0.8);
        p.fillRect(QRectF(1.5, 2.5, 13, 3.6), QColor(150, 190, 240, 160));
    };
    m["curvedef"] = [](QPainter& p) {
        arrow(p, QPointF(2, 14), QPointF(2, 2), kInk, 3);
        arrow(p, QPointF(2, 14), QPointF(14.5, 14), kInk, 3);
        text(p, QRectF(4, 2, 11, 10), "xy", kBlue, 7);
    };
    m["plotcurve"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.drawLine(QPointF(2, 14), QPointF(2, 2));
        p.drawLine(QPointF(2, 14), QPointF(14.5, 14));
        p.setPen(pen(kRed, 1.5));
        QPainterPath path(QPointF(3, 12));
        path.cubicTo(QPointF(6, 0), QPointF(9, 16), QPointF(14, 4));
        p.drawPath(path);
    };
    m["curveoption"] = [](QPainter& p) {
        p.setPen(pen(kRed, 1.5));
        QPainterPath path(QPointF(1.5, 11));
        path.cubicTo(QPointF(5, 2), QPointF(8, 14), QPointF(12, 5));
        p.drawPath(path);
        p.setPen(pen(kInk, 1.0));
        p.setBrush(kGrey);
        p.drawEllipse(QPointF(11.5, 11.5), 3, 3);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11.5, 11.5), 1, 1);
    };
    m["node"] = [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                p.drawEllipse(QPointF(3 + 5 * i, 3 + 5 * j), 1.4, 1.4);
    };
    m["mesh"] = [](QPainter& p) { mesh(p, QRectF(1.5, 1.5, 13, 13), 3, kInk); };
    m["material"] = [](QPainter& p) {
        p.fillRect(QRectF(1.5, 1.5, 6.5, 13), QColor(240, 120, 60));
        p.fillRect(QRectF(8, 1.5, 6.5, 13), QColor(90, 170, 240));
        mesh(p, QRectF(1.5, 1.5, 13, 13), 2, kInk, 0.9);
    };
    m["contour"] = [](QPainter& p) { bands(p, QRectF(1, 1.5, 14, 13)); };
    m["contouredge"] = [](QPainter& p) {
        bands(p, QRectF(1, 1.5, 14, 13));
        p.setPen(pen(kInk, 0.9));
        for (int i = 1; i < 5; ++i)
            p.drawLine(QPointF(1 + 14.0 * i / 5, 1.5), QPointF(1 + 14.0 * i / 5, 14.5));
        p.drawRect(QRectF(1, 1.5, 14, 13));
    };
    m["isoline"] = [](QPainter& p) {
        const QColor c[] = {QColor(0, 0, 255), QColor(0, 170, 0), QColor(230, 0, 0)};
        for (int i = 0; i < 3; ++i) {
            p.setPen(pen(c[i], 1.3));
            p.drawEllipse(QPointF(8, 8), 2.0 + 2.5 * i, 1.5 + 2.2 * i);
        }
    };
    m["isosurface"] = [](QPainter& p) {
        QRadialGradient g(QPointF(6, 6), 8);
        g.setColorAt(0, QColor(255, 240, 120));
        g.setColorAt(1, QColor(230, 90, 20));
        p.setPen(pen(kInk, 0.8));
        p.setBrush(g);
        p.drawEllipse(QPointF(8, 8), 6.5, 5);
    };
    m["vector"] = [](QPainter& p) {
        arrow(p, QPointF(2, 13), QPointF(7, 6), kRed, 3);
        arrow(p, QPointF(7, 14), QPointF(13, 3), kRed, 3);
        arrow(p, QPointF(10, 14.5), QPointF(14.5, 11), kRed, 3);
    };
    m["grid"] = [](QPainter& p) {
        bands(p, QRectF(1.5, 1.5, 13, 13));
        mesh(p, QRectF(1.5, 1.5, 13, 13), 3, kInk, 0.9);
    };
    m["undeformed"] = [](QPainter& p) {
        QPen dashed = pen(kGrey, 1.0);
        dashed.setDashPattern({1.5, 1.5});
        p.setPen(dashed);
        p.drawRect(QRectF(1.5, 5.5, 13, 5));
        p.setPen(pen(kBlue, 1.4));
        QPainterPath top(QPointF(1.5, 5.5));
        top.quadTo(QPointF(8, 11), QPointF(14.5, 8.5));
        QPainterPath bottom(QPointF(1.5, 10.5));
        bottom.quadTo(QPointF(8, 16), QPointF(14.5, 13.5));
        p.drawPath(top);
        p.drawPath(bottom);
        p.drawLine(QPointF(14.5, 8.5), QPointF(14.5, 13.5));
    };
    m["cutplane"] = [](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(2.5, 5.5, 9, 9));
        p.setBrush(QColor(255, 80, 80, 170));
        p.drawPolygon(QPolygonF() << QPointF(6, 1) << QPointF(15, 4) << QPointF(10, 15)
                                  << QPointF(1, 12));
    };
    m["select"] = [](QPainter& p) {
        mesh(p, QRectF(1.5, 1.5, 13, 13), 2, kGrey, 0.9);
        p.fillRect(QRectF(8, 1.5, 6.5, 6.5), QColor(255, 140, 0));
        p.setPen(pen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF() << QPointF(5, 5) << QPointF(5, 15) << QPointF(7.5, 12.5)
                                  << QPointF(9.5, 15.5) << QPointF(11, 14.5) << QPointF(9, 11.5)
                                  << QPointF(12, 11));
    };
    // A green ring on a node of the mesh, and the value read beside it.
    m["probe"] = [](QPainter& p) {
        mesh(p, QRectF(1.5, 5.5, 9, 9), 2, kGrey, 0.8);
        p.setPen(pen(Qt::black, 2.6));
        p.drawEllipse(QPointF(6, 10), 3.2, 3.2);
        p.setPen(pen(kGreen, 1.4));
        p.drawEllipse(QPointF(6, 10), 3.2, 3.2);
        p.setPen(pen(kInk, 0.8));
        p.setBrush(QColor(255, 245, 190));
        p.drawRect(QRectF(8.5, 1.5, 6.5, 5));
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(kBlue, 0.9));
        p.drawLine(QPointF(10, 3.2), QPointF(13.5, 3.2));
        p.drawLine(QPointF(10, 5), QPointF(12.5, 5));
        p.setPen(pen(kInk, 0.8));
        p.drawLine(QPointF(8.5, 6.5), QPointF(7.6, 8.2));
    };
    // Bands with the largest value marked above and the smallest below.
    m["markers"] = [](QPainter& p) {
        bands(p, QRectF(1, 5.5, 14, 5));
        const auto mark = [&](QPointF at, double s) {
            p.setPen(pen(Qt::black, 0.9));
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF() << at + QPointF(0, -2.8 * s) << at + QPointF(-2.7, 1.6 * s)
                                      << at + QPointF(2.7, 1.6 * s));
            p.setBrush(Qt::NoBrush);
        };
        mark(QPointF(12, 3.4), 1);
        mark(QPointF(4, 12.6), -1);
    };
    return m;
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage render(const Draw& draw, int size, int logical) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(double(size) / logical, double(size) / logical);
    draw(p);
    p.end();
    return image;
}

// Cursors: 32 x 32 with a white halo so that they show on any background; hot spot at
// the centre (15, 15).
QImage cursor(const Draw& draw) {
    QImage shape = render(draw, 32, 32);
    QImage out(32, 32, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            QImage halo = shape;
            QPainter h(&halo);
            h.setCompositionMode(QPainter::CompositionMode_SourceIn);
            h.fillRect(halo.rect(), Qt::white);
            h.end();
            p.drawImage(dx, dy, halo);
        }
    p.drawImage(0, 0, shape);
    return out;
}

void cross(QPainter& p) {
    p.setPen(pen(Qt::black, 1.0));
    p.drawLine(QPointF(15.5, 9), QPointF(15.5, 22));
    p.drawLine(QPointF(9, 15.5), QPointF(22, 15.5));
}

QImage logo(int size, bool withText) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient back(0, 0, 64, 64);
    back.setColorAt(0, QColor(20, 40, 110));
    back.setColorAt(1, QColor(10, 20, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // A banded cantilever bending under its load.
    const QColor colours[] = {QColor(0, 0, 255), QColor(0, 200, 255), QColor(0, 200, 0),
                              QColor(255, 230, 0), QColor(255, 0, 0)};
    for (int i = 0; i < 5; ++i) {
        QPainterPath band;
        const double x0 = 10 + 9.0 * i, x1 = x0 + 9.0;
        const auto bend = [](double x) { return 0.006 * (x - 10) * (x - 10); };
        band.moveTo(x0, 26 + bend(x0));
        band.lineTo(x1, 26 + bend(x1));
        band.lineTo(x1, 38 + bend(x1));
        band.lineTo(x0, 38 + bend(x0));
        band.closeSubpath();
        p.setBrush(colours[i]);
        p.drawPath(band);
    }
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(6, 18, 4, 28));
    if (withText) {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 46, 60, 14), Qt::AlignCenter, QStringLiteral("Orvanta"));
    }
    return image;
}

QImage banner(int width, int height, const QString& line2) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, height);
    back.setColorAt(0, QColor(20, 40, 110));
    back.setColorAt(1, QColor(5, 10, 40));
    p.fillRect(image.rect(), back);
    p.drawImage(QRect(24, (height - 128) / 2, 128, 128), logo(128, false));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(170, height / 2 - 60, width - 180, 50), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Orvanta 3.00"));
    f.setPixelSize(16);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(200, 210, 240));
    p.drawText(QRect(172, height / 2 - 5, width - 180, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Post-processor for finite-element results"));
    p.drawText(QRect(172, height / 2 + 22, width - 180, 24), Qt::AlignLeft | Qt::AlignVCenter,
               line2);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RES_DIR\n", argv[0]);
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"icons", "cursors", "images"})
        res.mkpath(QLatin1String(sub));
    bool ok = true;
    for (const auto& [name, draw] : icons()) {
        const QString base = res.filePath(QStringLiteral("icons/%1").arg(name.c_str()));
        ok = save(render(draw, 16, 16), base + QStringLiteral(".png")) && ok;
        ok = save(render(draw, 32, 16), base + QStringLiteral("@2x.png")) && ok;
    }
    const auto scaled = [](const Draw& d) {
        return [d](QPainter& p) {
            p.translate(16, 16);
            p.scale(1.0, 1.0);
            d(p);
        };
    };
    auto all = icons();
    std::map<std::string, Draw> cursors = {
        {"rotate",
         [&](QPainter& p) {
             cross(p);
             scaled(all["rotate"])(p);
         }},
        {"pan",
         [&](QPainter& p) {
             cross(p);
             scaled(all["pan"])(p);
         }},
        {"zoombox",
         [&](QPainter& p) {
             cross(p);
             scaled(all["zoombox"])(p);
         }},
        {"pick",
         [&](QPainter& p) {
             cross(p);
             p.setPen(pen(kRed, 1.5));
             p.drawEllipse(QPointF(15.5, 15.5), 4, 4);
             text(p, QRectF(18, 18, 14, 14), "+", kRed, 12);
         }},
        {"unpick",
         [&](QPainter& p) {
             cross(p);
             p.setPen(pen(kBlue, 1.5));
             p.drawEllipse(QPointF(15.5, 15.5), 4, 4);
             text(p, QRectF(18, 18, 14, 14), "-", kBlue, 12);
         }},
        {"probe",
         [&](QPainter& p) {
             cross(p);
             p.setPen(pen(kGreen, 1.5));
             p.drawEllipse(QPointF(15.5, 15.5), 4, 4);
             text(p, QRectF(18, 18, 14, 14), "=", kGreen, 12);
         }},
    };
    for (const auto& [name, draw] : cursors)
        ok = save(cursor(draw), res.filePath(QStringLiteral("cursors/%1.png").arg(name.c_str()))) &&
             ok;
    ok = save(logo(64, true), res.filePath(QStringLiteral("images/orvanta.png"))) && ok;
    ok = save(logo(256, true), res.filePath(QStringLiteral("images/orvanta-256.png"))) && ok;
    ok = save(banner(520, 240, QStringLiteral("Starting ...")),
              res.filePath(QStringLiteral("images/splash.png"))) &&
         ok;
    ok = save(banner(520, 200, QStringLiteral("Version 3.00")),
              res.filePath(QStringLiteral("images/about.png"))) &&
         ok;
    return ok ? 0 : 1;
}
