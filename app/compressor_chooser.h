#pragma once
// The compressor chooser of an AVI creation: uncompressed frames (first, and
// chosen at start) or any FFmpeg video encoder that can be stored in AVI, with
// its quality, key-frame interval and data rate.

#include <QDialog>
#include <vector>

#include "output/avi_out.h"
#include "output/encoder_probe.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

class CompressorChooser : public QDialog {
    Q_OBJECT
public:
    explicit CompressorChooser(QWidget* parent);

    // The choice made (valid after OK).
    CompressorSettings Settings() const;

    QComboBox* CodecBox() const { return m_codec; }
    QSlider* QualitySlider() const { return m_quality; }
    QCheckBox* KeyFrameBox() const { return m_keyFramesOn; }
    QSpinBox* KeyFrameSpin() const { return m_keyFrames; }
    QCheckBox* DataRateBox() const { return m_dataRateOn; }
    QSpinBox* DataRateSpin() const { return m_dataRate; }

private:
    // Quality, key frames and data rate mean nothing for uncompressed frames.
    void UpdateOptions();

    std::vector<VideoEncoderInfo> m_encoders;
    QComboBox* m_codec;
    QSlider* m_quality;
    QLabel* m_qualityValue;
    QCheckBox* m_keyFramesOn;
    QSpinBox* m_keyFrames;
    QCheckBox* m_dataRateOn;
    QSpinBox* m_dataRate;
};
