#include "ui/Images.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <QTransform>
#include <array>
#include <cmath>

namespace {

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A fat arrow pointing right around the origin, turned by angle degrees
// (positive turns clockwise on screen, since y grows downwards).
QPixmap ArrowPixmap(qreal angle, QColor base) {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    Smooth(p);
    QPainterPath arrow;
    arrow.moveTo(-5.5, -1.9);
    arrow.lineTo(0.0, -1.9);
    arrow.lineTo(0.0, -4.8);
    arrow.lineTo(6.0, 0.0);
    arrow.lineTo(0.0, 4.8);
    arrow.lineTo(0.0, 1.9);
    arrow.lineTo(-5.5, 1.9);
    arrow.closeSubpath();
    QTransform turn;
    turn.translate(8.0, 8.0);
    turn.rotate(angle);
    const QPainterPath path = turn.map(arrow);
    QLinearGradient fill(0, 2, 0, 14);
    fill.setColorAt(0.0, base.lighter(150));
    fill.setColorAt(1.0, base);
    p.setBrush(fill);
    p.setPen(QPen(base.darker(170), 1.0));
    p.drawPath(path);
    return pixmap;
}

void DrawFolder(QPainter& p) {
    QPainterPath folder;
    folder.moveTo(1.5, 5.5);
    folder.lineTo(7.0, 5.5);
    folder.lineTo(8.5, 7.0);
    folder.lineTo(18.5, 7.0);
    folder.lineTo(18.5, 17.5);
    folder.lineTo(1.5, 17.5);
    folder.closeSubpath();
    QLinearGradient fill(0, 5, 0, 18);
    fill.setColorAt(0.0, QColor(255, 226, 130));
    fill.setColorAt(1.0, QColor(230, 170, 40));
    p.setBrush(fill);
    p.setPen(QPen(QColor(150, 100, 20), 1.0));
    p.drawPath(folder);
}

void DrawNote(QPainter& p, QPointF head, qreal scale, QColor color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.save();
    p.translate(head);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), 2.2 * scale, 1.6 * scale);
    p.restore();
    p.setPen(QPen(color, 1.1 * scale, Qt::SolidLine, Qt::FlatCap));
    const QPointF top(head.x() + 1.9 * scale, head.y() - 8.0 * scale);
    p.drawLine(QPointF(head.x() + 1.9 * scale, head.y() - 0.5 * scale), top);
    QPainterPath flag;
    flag.moveTo(top);
    flag.cubicTo(top + QPointF(0.5 * scale, 2.0 * scale), top + QPointF(3.5 * scale, 2.5 * scale),
                 top + QPointF(2.5 * scale, 5.5 * scale));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flag);
}

QPixmap ScannenPixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    DrawFolder(p);
    DrawNote(p, QPointF(8.5, 14.5), 0.95, QColor(30, 60, 160));
    return pixmap;
}

QPixmap WizardPixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    p.setPen(QPen(QColor(40, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 17), QPointF(12, 8));
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 9), QPointF(12.5, 7.5));
    // A five-pointed star at the wand's tip.
    QPainterPath star;
    const QPointF centre(14.5, 5.5);
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? 5.0 : 2.1;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt = centre + QPointF(r * std::cos(a), r * std::sin(a));
        if (i == 0) {
            star.moveTo(pt);
        } else {
            star.lineTo(pt);
        }
    }
    star.closeSubpath();
    p.setBrush(QColor(255, 215, 40));
    p.setPen(QPen(QColor(190, 130, 0), 0.8));
    p.drawPath(star);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 60));
    p.drawEllipse(QPointF(5.5, 6.0), 1.0, 1.0);
    p.drawEllipse(QPointF(16.5, 13.5), 1.0, 1.0);
    return pixmap;
}

QPixmap SuchenPixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    p.setPen(QPen(QColor(110, 70, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    QRadialGradient glass(QPointF(6.5, 6.5), 7);
    glass.setColorAt(0.0, QColor(235, 245, 255));
    glass.setColorAt(1.0, QColor(150, 190, 235));
    p.setBrush(glass);
    p.setPen(QPen(QColor(70, 70, 80), 1.8));
    p.drawEllipse(QPointF(8.0, 8.0), 5.6, 5.6);
    return pixmap;
}

QPixmap OptionenPixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    QPainterPath gear;
    const QPointF centre(10, 10);
    constexpr int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = i * 2 * M_PI / (teeth * 4);
        const qreal r = (i % 4 == 1 || i % 4 == 2) ? 8.8 : 6.6;
        const QPointF pt = centre + QPointF(r * std::cos(a), r * std::sin(a));
        if (i == 0) {
            gear.moveTo(pt);
        } else {
            gear.lineTo(pt);
        }
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(centre, 2.6, 2.6);
    gear = gear.subtracted(hole);
    QLinearGradient fill(0, 1, 0, 19);
    fill.setColorAt(0.0, QColor(200, 205, 215));
    fill.setColorAt(1.0, QColor(110, 115, 130));
    p.setBrush(fill);
    p.setPen(QPen(QColor(60, 60, 70), 0.9));
    p.drawPath(gear);
    return pixmap;
}

QPixmap WebupdatePixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    QRadialGradient sea(QPointF(6, 6), 12);
    sea.setColorAt(0.0, QColor(140, 200, 255));
    sea.setColorAt(1.0, QColor(30, 90, 190));
    p.setBrush(sea);
    p.setPen(QPen(QColor(20, 60, 130), 1.0));
    const QPointF centre(9.0, 9.0);
    p.drawEllipse(centre, 7.5, 7.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(220, 240, 255), 0.8));
    p.drawEllipse(centre, 3.2, 7.5);
    p.drawLine(QPointF(1.5, 9.0), QPointF(16.5, 9.0));
    p.drawLine(QPointF(9.0, 1.5), QPointF(9.0, 16.5));
    // A green arrow pointing down: the download.
    QPainterPath arrow;
    arrow.moveTo(13.0, 10.0);
    arrow.lineTo(17.0, 10.0);
    arrow.lineTo(17.0, 14.0);
    arrow.lineTo(19.5, 14.0);
    arrow.lineTo(15.0, 19.5);
    arrow.lineTo(10.5, 14.0);
    arrow.lineTo(13.0, 14.0);
    arrow.closeSubpath();
    p.setBrush(QColor(50, 180, 60));
    p.setPen(QPen(QColor(20, 100, 30), 0.9));
    p.drawPath(arrow);
    return pixmap;
}

QPixmap InfoPixmap() {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    Smooth(p);
    QRadialGradient fill(QPointF(7, 6), 11);
    fill.setColorAt(0.0, QColor(120, 170, 255));
    fill.setColorAt(1.0, QColor(20, 70, 180));
    p.setBrush(fill);
    p.setPen(QPen(QColor(10, 40, 120), 1.0));
    p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 5.6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(8.6, 8.4, 2.8, 7.6), 0.8, 0.8);
    return pixmap;
}

void DrawAppIcon(QPainter& p, int size) {
    p.save();
    p.scale(size / 64.0, size / 64.0);
    // A slip of paper with a turned-down corner and a note on it.
    QPainterPath slip;
    slip.moveTo(10, 4);
    slip.lineTo(42, 4);
    slip.lineTo(54, 16);
    slip.lineTo(54, 60);
    slip.lineTo(10, 60);
    slip.closeSubpath();
    QLinearGradient paper(0, 4, 0, 60);
    paper.setColorAt(0.0, QColor(255, 252, 230));
    paper.setColorAt(1.0, QColor(240, 228, 180));
    p.setBrush(paper);
    p.setPen(QPen(QColor(140, 120, 70), 2.0));
    p.drawPath(slip);
    QPainterPath corner;
    corner.moveTo(42, 4);
    corner.lineTo(42, 16);
    corner.lineTo(54, 16);
    corner.closeSubpath();
    p.setBrush(QColor(220, 205, 150));
    p.drawPath(corner);
    p.setPen(QPen(QColor(190, 175, 130), 1.5));
    for (int y = 44; y <= 52; y += 4) p.drawLine(QPointF(16, y), QPointF(48, y));
    DrawNote(p, QPointF(24, 34), 3.0, QColor(200, 40, 40));
    p.restore();
}

struct IconSet {
    std::array<QIcon, 3> rows;
    std::array<QIcon, 6> tools;
    QIcon app;
};

// Built on first use (a QGuiApplication must exist by then) and kept for the
// life of the process.
const IconSet& Icons() {
    static const IconSet* const set = [] {
        auto* s = new IconSet;
        s->rows = {QIcon(ArrowPixmap(45, QColor(215, 30, 30))),
                   QIcon(ArrowPixmap(0, QColor(245, 140, 20))),
                   QIcon(ArrowPixmap(-45, QColor(40, 170, 40)))};
        s->tools = {QIcon(ScannenPixmap()),  QIcon(WizardPixmap()),    QIcon(SuchenPixmap()),
                    QIcon(OptionenPixmap()), QIcon(WebupdatePixmap()), QIcon(InfoPixmap())};
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap = Blank(size);
            QPainter p(&pixmap);
            Smooth(p);
            DrawAppIcon(p, size);
            p.end();
            s->app.addPixmap(pixmap);
        }
        return s;
    }();
    return *set;
}

}  // namespace

const QIcon& RowIcon(int index) {
    static const QIcon none;
    if (index < 0 || index >= 3) return none;
    return Icons().rows[static_cast<size_t>(index)];
}

const QIcon& ToolIcon(ToolImage image) {
    return Icons().tools[static_cast<size_t>(image)];
}

const QIcon& AppIcon() {
    return Icons().app;
}

const QIcon& CloseButtonIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(140, 20, 20), 1));
        painter.setBrush(QColor(210, 50, 40));
        painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        return QIcon(pixmap);
    }();
    return icon;
}

const QIcon& SaveButtonIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        // A floppy disk: body, label and shutter.
        painter.setPen(QPen(QColor(20, 40, 90), 1));
        painter.setBrush(QColor(50, 90, 170));
        painter.drawRect(QRect(1, 1, 13, 13));
        painter.setBrush(Qt::white);
        painter.drawRect(QRect(4, 1, 7, 5));
        painter.setBrush(QColor(190, 190, 190));
        painter.drawRect(QRect(4, 9, 7, 5));
        return QIcon(pixmap);
    }();
    return icon;
}

// A bent arrow back to the left, drawn so it looks alike with any theme.
const QIcon& UndoButtonIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap(20, 20);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath bend;
        bend.moveTo(6, 8);
        bend.cubicTo(12, 8, 17, 9, 17, 13);
        bend.cubicTo(17, 16, 14, 17, 11, 17);
        p.setPen(QPen(QColor(40, 90, 170), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(bend);
        QPainterPath head;
        head.moveTo(2, 8);
        head.lineTo(8, 3);
        head.lineTo(8, 13);
        head.closeSubpath();
        p.fillPath(head, QColor(40, 90, 170));
        p.end();
        return QIcon(pixmap);
    }();
    return icon;
}
