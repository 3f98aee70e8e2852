// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace torvane {

namespace {

constexpr std::array<QRgb, 6> kDiscColours = {
    0xff5f6f7a,  // idle: slate
    0xff2e9d3a,  // new server: green
    0xff2f6fd0,  // new player: blue
    0xffe08a00,  // new map: amber
    0xff8a3fc0,  // room on a full server: violet
    0xffc62828,  // players on: red
};
constexpr QRgb kRim = 0xff161616;
constexpr std::array<int, 6> kIconSizes = {16, 22, 24, 32, 48, 64};

// Draws on a canvas of 100 by 100 units.
void Crosshair(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 50), 19, 19);
    p.drawLine(QPointF(50, 10), QPointF(50, 26));
    p.drawLine(QPointF(50, 74), QPointF(50, 90));
    p.drawLine(QPointF(10, 50), QPointF(26, 50));
    p.drawLine(QPointF(74, 50), QPointF(90, 50));
}

void Plus(QPainter& p) {
    p.drawLine(QPointF(50, 24), QPointF(50, 76));
    p.drawLine(QPointF(24, 50), QPointF(76, 50));
}

void Person(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(50, 36), 13, 13);
    QPainterPath body;
    body.moveTo(24, 82);
    body.cubicTo(24, 56, 76, 56, 76, 82);
    body.closeSubpath();
    p.drawPath(body);
}

void Flag(QPainter& p) {
    p.drawLine(QPointF(36, 22), QPointF(36, 80));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QPointF flag[] = {{36, 22}, {76, 36}, {36, 52}};
    p.drawPolygon(flag, 3);
}

// Three places of a server, the last one free.
void Places(QPainter& p, qreal unit) {
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(24, 28, 13, 44));
    p.drawRect(QRectF(43.5, 28, 13, 44));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, std::max(6.0, 1.0 / unit)));
    p.drawRect(QRectF(66, 31, 10, 38));
}

}  // namespace

QPixmap PaintTrayImage(int image, int size) {
    image = std::clamp(image, 0, 5);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 100.0;
    p.scale(unit, unit);
    // The rim is at least one pixel wide whatever the size.
    const qreal rim = std::max(6.0, 1.8 / unit);
    p.setPen(QPen(QColor(kRim), rim));
    p.setBrush(QColor(kDiscColours[static_cast<std::size_t>(image)]));
    p.drawEllipse(QPointF(50, 50), 50 - rim / 2, 50 - rim / 2);

    QPen sign(Qt::white, std::max(11.0, 1.6 / unit), Qt::SolidLine, Qt::RoundCap);
    p.setPen(sign);
    switch (image) {
        case 1:
            Plus(p);
            break;
        case 2:
            Person(p);
            break;
        case 3:
            Flag(p);
            break;
        case 4:
            Places(p, unit);
            break;
        default:
            Crosshair(p);
            break;
    }
    return pixmap;
}

QIcon TrayImage(int image) {
    QIcon icon;
    for (const int size : kIconSizes) icon.addPixmap(PaintTrayImage(image, size));
    return icon;
}

QIcon HostMark(int mark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(kRim), 1.2));
    if (mark == 0) {
        p.setBrush(QColor(0xff2eb34a));
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
    } else {
        p.setBrush(QColor(0xffc8c8c8));
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
        p.setPen(QPen(QColor(kRim), 1.6));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
    }
    return QIcon(pixmap);
}

QIcon BuddyMark() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(kRim), 1.0));
    p.setBrush(QColor(kDiscColours[2]));
    p.drawEllipse(QPointF(8, 5), 3.2, 3.2);
    QPainterPath body;
    body.moveTo(2.5, 15);
    body.cubicTo(2.5, 8.5, 13.5, 8.5, 13.5, 15);
    body.closeSubpath();
    p.drawPath(body);
    return QIcon(pixmap);
}

QIcon WaitingMark() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(kRim), 1.0));
    p.setBrush(QColor(kDiscColours[4]));
    const QPointF glass[] = {{3.5, 1.5}, {12.5, 1.5}, {8.6, 8}, {12.5, 14.5}, {3.5, 14.5}, {7.4, 8}};
    p.drawPolygon(glass, 6);
    // The sand that is left, below.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QPointF sand[] = {{8, 10}, {11, 13.5}, {5, 13.5}};
    p.drawPolygon(sand, 3);
    return QIcon(pixmap);
}

}  // namespace torvane
