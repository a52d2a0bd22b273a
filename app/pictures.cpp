#include "app/pictures.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QString resource_path(int resource) {
    switch (resource) {
        case kIconMode32:
        case kIconMode24:
            return QStringLiteral(":/pictures/icon-%1.svg").arg(resource);
        case kPictureNoScenario:
        case kPictureReady:
        case kPictureFinished:
            return QStringLiteral(":/pictures/state-%1.svg").arg(resource);
        default:
            for (int busy : kBusyPictures) {
                if (busy == resource) return QStringLiteral(":/pictures/busy-%1.svg").arg(resource);
            }
            return {};
    }
}

QPixmap render_svg(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    if (!size.isValid()) size = renderer.defaultSize();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

}  // namespace

QPixmap picture_strip(int resource) {
    static QHash<int, QPixmap> rendered;
    auto found = rendered.constFind(resource);
    if (found != rendered.constEnd()) return *found;
    const QString path = resource_path(resource);
    QPixmap pixmap = path.isEmpty() ? QPixmap() : render_svg(path, QSize());
    rendered.insert(resource, pixmap);
    return pixmap;
}

QIcon program_icon(int imageMode) {
    const QString path = resource_path(imageMode == 24 ? kIconMode24 : kIconMode32);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(render_svg(path, QSize(size, size)));
    return icon;
}

int busy_picture_for(int64_t clockMs) {
    constexpr int64_t count = std::size(kBusyPictures);
    return kBusyPictures[static_cast<size_t>(((clockMs % count) + count) % count)];
}
