#include "app/compressor_chooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "app/message_box.h"

CompressorChooser::CompressorChooser(QWidget* parent)
    : QDialog(parent), m_encoders(avi_video_encoders()) {
    setWindowTitle(QStringLiteral("ビデオの圧縮"));

    m_codec = new QComboBox(this);
    m_codec->addItem(QStringLiteral("全フレーム (無圧縮)"), QString::fromUtf8(kUncompressedCodec));
    for (const VideoEncoderInfo& encoder : m_encoders) {
        m_codec->addItem(QString::fromStdString(encoder.description + " (" + encoder.name + ")"),
                         QString::fromStdString(encoder.name));
    }
    m_codec->setCurrentIndex(0);

    m_quality = new QSlider(Qt::Horizontal, this);
    m_quality->setRange(0, 100);
    m_quality->setValue(75);
    m_qualityValue = new QLabel(this);
    m_keyFramesOn = new QCheckBox(QStringLiteral("キーフレーム"), this);
    m_keyFrames = new QSpinBox(this);
    m_keyFrames->setRange(1, 10000);
    m_keyFrames->setValue(15);
    m_dataRateOn = new QCheckBox(QStringLiteral("データレート"), this);
    m_dataRate = new QSpinBox(this);
    m_dataRate->setRange(1, 1000000);
    m_dataRate->setValue(300);

    connect(m_codec, &QComboBox::currentIndexChanged, this, &CompressorChooser::UpdateOptions);
    connect(m_quality, &QSlider::valueChanged, this,
            [this](int value) { m_qualityValue->setText(QString::number(value)); });
    connect(m_keyFramesOn, &QCheckBox::toggled, this, &CompressorChooser::UpdateOptions);
    connect(m_dataRateOn, &QCheckBox::toggled, this, &CompressorChooser::UpdateOptions);
    m_qualityValue->setText(QString::number(m_quality->value()));

    QDialogButtonBox* buttons = make_ok_cancel_buttons(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("圧縮プログラム:"), this), 0, 0);
    grid->addWidget(m_codec, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("圧縮の品質:"), this), 1, 0);
    grid->addWidget(m_quality, 1, 1, 1, 2);
    grid->addWidget(m_qualityValue, 1, 3);
    grid->addWidget(m_keyFramesOn, 2, 0);
    grid->addWidget(m_keyFrames, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("フレームごと"), this), 2, 2);
    grid->addWidget(m_dataRateOn, 3, 0);
    grid->addWidget(m_dataRate, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("KB/秒"), this), 3, 2);
    grid->addWidget(buttons, 4, 0, 1, 4);
    UpdateOptions();
}

void CompressorChooser::UpdateOptions() {
    const bool compressed = m_codec->currentIndex() > 0;
    m_quality->setEnabled(compressed);
    m_keyFramesOn->setEnabled(compressed);
    m_keyFrames->setEnabled(compressed && m_keyFramesOn->isChecked());
    m_dataRateOn->setEnabled(compressed);
    m_dataRate->setEnabled(compressed && m_dataRateOn->isChecked());
}

CompressorSettings CompressorChooser::Settings() const {
    CompressorSettings settings;
    settings.codec = m_codec->currentData().toString().toStdString();
    if (m_codec->currentIndex() == 0) return settings;  // uncompressed: nothing to tune
    settings.quality = m_quality->value() * 100;
    settings.keyFrames = m_keyFramesOn->isChecked() ? m_keyFrames->value() : 0;
    settings.dataRate = m_dataRateOn->isChecked() ? m_dataRate->value() * 1024 : 0;
    return settings;
}
