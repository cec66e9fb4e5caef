#include "runicons.h"

#include "bundle/bundledfile.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace runicons {

namespace {

QIcon loaded(const QString& relativePath)
{
    const QString path = findImage(relativePath);
    if (path.isEmpty())
        return {};
    QIcon icon(path);
    // A file that exists but is no image is treated as missing.
    if (icon.availableSizes().isEmpty() && icon.pixmap(16, 16).isNull())
        return {};
    return icon;
}

QPixmap drawnTrayPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xbf));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    // A white square: the common sign for "stop", which is what a click on the icon does.
    painter.setBrush(Qt::white);
    const qreal side = size * 0.36;
    painter.drawRect(QRectF((size - side) / 2, (size - side) / 2, side, side));
    return pixmap;
}

QPixmap drawnDangerPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(size / 2.0, 1);
    triangle.lineTo(size - 1, size - 1);
    triangle.lineTo(1, size - 1);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(0xb0, 0x20, 0x20), qMax(1.0, size / 16.0)));
    painter.setBrush(QColor(0xff, 0xd0, 0x20));
    painter.drawPath(triangle);
    painter.setPen(QPen(Qt::black, qMax(1.5, size / 10.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(size / 2.0, size * 0.38), QPointF(size / 2.0, size * 0.68));
    painter.drawPoint(QPointF(size / 2.0, size * 0.83));
    return pixmap;
}

QIcon drawn(QPixmap (*draw)(int))
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(draw(size));
    return icon;
}

} // namespace

QString findImage(const QString& relativePath)
{
    const QFileInfo inWorkingDir(QDir::current().filePath(relativePath));
    if (inWorkingDir.isFile())
        return inWorkingDir.absoluteFilePath();
    return bundle::findBundledFile(relativePath);
}

QIcon trayIcon()
{
    QIcon icon = loaded(TrayIconPath);
    return icon.isNull() ? drawn(drawnTrayPixmap) : icon;
}

QIcon dangerIcon()
{
    QIcon icon = loaded(DangerIconPath);
    return icon.isNull() ? drawn(drawnDangerPixmap) : icon;
}

} // namespace runicons
