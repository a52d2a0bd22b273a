#include "app/image_widgets.h"

#include <QPainter>
#include <cstring>

#include "app/pictures.h"

QImage to_qimage(const CImageBuffer* image) {
    if (!image || !image->pixels || image->width < 1 || image->height < 1) return {};
    QImage::Format format;
    if (image->bpp == 24) {
        format = QImage::Format_BGR888;
    } else if (image->bpp == 32) {
        format = QImage::Format_RGB32;  // blue, green, red, alpha in memory: alpha ignored
    } else {
        return {};
    }
    QImage copy(image->width, image->height, format);
    if (copy.isNull()) return {};
    const qsizetype rowBytes = static_cast<qsizetype>(image->width) * (image->bpp / 8);
    for (int32_t y = 0; y < image->height; ++y) {
        std::memcpy(copy.scanLine(y), image_row(image, y), static_cast<size_t>(rowBytes));
    }
    return copy;
}

PreviewFrame::PreviewFrame(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setLineWidth(1);
}

void PreviewFrame::SetImage(const QImage& image, QSize size) {
    m_image = image.isNull() ? QImage()
                             : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    update();
}

void PreviewFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_image.isNull()) return;
    QPainter painter(this);
    const QPoint corner((width() - m_image.width()) / 2, (height() - m_image.height()) / 2);
    painter.drawImage(corner, m_image);
}

StatePicture::StatePicture(QWidget* parent) : QWidget(parent) {}

void StatePicture::SetPicture(int resource) {
    m_resource = resource;
    m_strip = picture_strip(resource);
    update();
}

void StatePicture::SetCounter(int counter) {
    m_counter = counter;
    update();
}

void StatePicture::paintEvent(QPaintEvent*) {
    if (m_strip.isNull()) return;
    // A one-cell picture always shows its only cell; a strip steps through its cells.
    const int cells = std::max(1, m_strip.width() / kPictureCell);
    const int x = (m_counter % cells) * kPictureCell;
    QPainter painter(this);
    painter.drawPixmap((width() - kPictureCell) / 2, (height() - kPictureCell) / 2, m_strip, x, 0,
                       kPictureCell, kPictureCell);
}
