// Draws the wizard's pictures into a folder: the start dialog's banner, the pages' side
// picture and the application icon in four sizes. Run by hand when a picture changes:
//   QT_QPA_PLATFORM=offscreen qlwiz-make-pictures wizard/resources
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor Navy(18, 52, 98);
const QColor Sky(74, 144, 206);
const QColor Pale(226, 238, 250);
const QColor Amber(246, 178, 52);
const QColor Leaf(88, 190, 110);

// The Quillet: a flat box with its lights, seen slightly from above.
void DrawRouter(QPainter& p, QRectF box) {
    p.save();
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0, QColor(250, 250, 252));
    body.setColorAt(1, QColor(188, 196, 210));
    p.setPen(QPen(Navy, box.height() * 0.06));
    p.setBrush(body);
    p.drawRoundedRect(box, box.height() * 0.25, box.height() * 0.25);
    const double r = box.height() * 0.13;
    const QColor lights[] = {Leaf, Leaf, Amber, Leaf};
    for (int i = 0; i < 4; ++i) {
        QPointF c(box.left() + box.width() * (0.2 + 0.13 * i), box.center().y());
        p.setPen(Qt::NoPen);
        p.setBrush(lights[i]);
        p.drawEllipse(c, r, r);
    }
    p.restore();
}

// A quill: the program's mark.
void DrawQuill(QPainter& p, QPointF tip, double length, QColor color) {
    p.save();
    p.translate(tip);
    p.rotate(-50);
    QPainterPath vane;
    vane.moveTo(0, 0);
    vane.cubicTo(length * 0.25, -length * 0.22, length * 0.75, -length * 0.2, length, -length * 0.02);
    vane.cubicTo(length * 0.7, length * 0.12, length * 0.3, length * 0.1, 0, 0);
    p.setPen(QPen(color.darker(140), length * 0.02));
    p.setBrush(color);
    p.drawPath(vane);
    p.setPen(QPen(color.darker(170), length * 0.025, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 0), QPointF(length * 0.95, -length * 0.03));
    p.restore();
}

void DrawGlobe(QPainter& p, QPointF c, double r) {
    p.save();
    QRadialGradient g(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    g.setColorAt(0, QColor(150, 210, 250));
    g.setColorAt(1, QColor(30, 100, 170));
    p.setPen(QPen(Navy, r * 0.06));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 150), r * 0.05));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.restore();
}

QImage Banner() {
    QImage img(420, 96, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, img.width(), 0);
    bg.setColorAt(0, Navy);
    bg.setColorAt(1, Sky);
    p.fillRect(img.rect(), bg);
    DrawRouter(p, QRectF(24, 48, 96, 30));
    p.setPen(QPen(Pale, 3, Qt::DashLine, Qt::RoundCap));
    p.drawLine(QPointF(122, 63), QPointF(330, 63));
    DrawGlobe(p, QPointF(370, 48), 32);
    DrawQuill(p, QPointF(52, 44), 70, Pale);
    QFont font(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(140, 14, 200, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillet"));
    QFont small(QStringLiteral("DejaVu Sans"), 9);
    p.setFont(small);
    p.drawText(QRectF(142, 68, 200, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ISDN to the Internet"));
    return img;
}

QImage Side() {
    QImage img(140, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, img.height());
    bg.setColorAt(0, Sky);
    bg.setColorAt(1, Navy);
    p.fillRect(img.rect(), bg);
    DrawGlobe(p, QPointF(70, 62), 40);
    p.setPen(QPen(Pale, 3, Qt::DashLine, Qt::RoundCap));
    p.drawLine(QPointF(70, 104), QPointF(70, 182));
    DrawRouter(p, QRectF(22, 184, 96, 30));
    DrawQuill(p, QPointF(34, 282), 90, Pale);
    return img;
}

QImage Icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF r(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, Sky);
    bg.setColorAt(1, Navy);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(r, size * 0.2, size * 0.2);
    DrawQuill(p, QPointF(size * 0.2, size * 0.82), size * 0.85, Qt::white);
    if (size >= 32) {
        p.setPen(Qt::NoPen);
        p.setBrush(Leaf);
        p.drawEllipse(QPointF(size * 0.76, size * 0.76), size * 0.09, size * 0.09);
    }
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = Banner().save(dir.filePath(QStringLiteral("banner.png"))) &&
              Side().save(dir.filePath(QStringLiteral("wizard.png")));
    for (int size : {16, 32, 48, 128})
        ok = Icon(size).save(dir.filePath(QStringLiteral("icon%1.png").arg(size))) && ok;
    return ok ? 0 : 1;
}
