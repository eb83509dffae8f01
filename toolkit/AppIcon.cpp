#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A drive housing with a "Z" on it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1F, 0x5F, 0xA8));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.18, s * 0.18);
    QPainterPath z;
    z.moveTo(s * 0.28, s * 0.26);
    z.lineTo(s * 0.72, s * 0.26);
    z.lineTo(s * 0.72, s * 0.36);
    z.lineTo(s * 0.42, s * 0.64);
    z.lineTo(s * 0.72, s * 0.64);
    z.lineTo(s * 0.72, s * 0.74);
    z.lineTo(s * 0.28, s * 0.74);
    z.lineTo(s * 0.28, s * 0.64);
    z.lineTo(s * 0.58, s * 0.36);
    z.lineTo(s * 0.28, s * 0.36);
    z.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(z);
    return pixmap;
}
}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(Draw(size));
    return icon;
}
