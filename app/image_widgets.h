#pragma once
// Showing the engine's images in the dialogs: conversion of a CImageBuffer to a
// QImage, the sunken frame a preview is drawn in, and the state picture.

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "image/image_buffer.h"

// A top-down copy of a 24-bit (blue-green-red) or 32-bit image, shown opaque; a
// null image for none or another depth.
QImage to_qimage(const CImageBuffer* image);

// A sunken frame with an image inside, at (1, 1) plus the frame's margin.
class PreviewFrame : public QFrame {
    Q_OBJECT
public:
    explicit PreviewFrame(QWidget* parent);
    // Shows `image` scaled to `size` (none: an empty frame).
    void SetImage(const QImage& image, QSize size);
    const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

// One cell of a picture strip; the cell steps along as the counter advances.
class StatePicture : public QWidget {
    Q_OBJECT
public:
    explicit StatePicture(QWidget* parent);
    void SetPicture(int resource);
    int Picture() const { return m_resource; }
    void SetCounter(int counter);
    int Counter() const { return m_counter; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_resource = 0;
    int m_counter = 0;
    QPixmap m_strip;
};
