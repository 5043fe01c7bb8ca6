// Logo.cpp -- paints the emblem: an envelope over a disc, in the window's accent colours.
#include "app/Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tessaly {

QPixmap tessalyLogo(int size, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QLinearGradient disc(0, 0, s, s);
    disc.setColorAt(0, QColor(0x3d, 0x7e, 0xc9));
    disc.setColorAt(1, QColor(0x1f, 0x4e, 0x8c));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QRectF(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s));

    const QRectF letter(0.22 * s, 0.33 * s, 0.56 * s, 0.36 * s);
    p.setBrush(QColor(0xf7, 0xf9, 0xfc));
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 0.025 * s));
    p.drawRoundedRect(letter, 0.03 * s, 0.03 * s);
    QPainterPath flap;
    flap.moveTo(letter.topLeft());
    flap.lineTo(letter.center().x(), letter.top() + 0.55 * letter.height());
    flap.lineTo(letter.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);

    p.setPen(QPen(QColor(0xf2, 0xb1, 0x34), 0.05 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(0.12 * s, 0.12 * s, 0.76 * s, 0.76 * s), 200 * 16, 140 * 16);
    return pixmap;
}

} // namespace tessaly
