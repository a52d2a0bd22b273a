// The settings dialogs a creation asks for: what each starts on and stores.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "app/compressor_chooser.h"
#include "app/html_prop.h"
#include "app/tests/gui_fixture.h"
#include "app/windows_media_prop.h"

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void htmlSettingsStoreEveryChange() {
        HtmlSettings settings{kHtmlIntervalFrames, 3, true};
        CHTMLProp dialog(&settings, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("HTML の設定"));
        // Both lists on their first rows, the box clear.
        QCOMPARE(settings.frameMode, kHtmlMarkedFrames);
        QCOMPARE(settings.style, 1);
        QVERIFY(!settings.openPage);
        QCOMPARE(dialog.StyleList()->item(3)->text(), QStringLiteral("１列表示 (構成情報)"));
        dialog.FrameList()->setCurrentRow(1);
        dialog.StyleList()->setCurrentRow(3);
        dialog.OpenBox()->setChecked(true);
        QCOMPARE(settings.frameMode, kHtmlIntervalFrames);
        QCOMPARE(settings.style, 4);
        QVERIFY(settings.openPage);
        QVERIFY(save_screenshot(&dialog, QStringLiteral("html-settings-dialog")));
    }

    void windowsMediaRatesStartOnTheMarkedRows() {
        WindowsMediaSettings settings{0, 0};
        CWindowsMediaProp dialog(&settings, true, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Windows Meida の設定"));
        QCOMPARE(dialog.VideoList()->currentItem()->text(), QStringLiteral("   2 Mbps (CBR)"));
        QCOMPARE(dialog.AudioList()->currentItem()->text(), QStringLiteral(" 192 Kbps (CBR)"));
        QCOMPARE(settings.videoBitrate, 2097152u);
        QCOMPARE(settings.audioBitrate, 196608u);
        dialog.VideoList()->setCurrentRow(0);
        dialog.AudioList()->setCurrentRow(5);
        QCOMPARE(settings.videoBitrate, 262144u);
        QCOMPARE(settings.audioBitrate, 524288u);
        QVERIFY(save_screenshot(&dialog, QStringLiteral("windows-media-settings")));

        CWindowsMediaProp silent(&settings, false, nullptr);
        QVERIFY(!silent.AudioList()->isEnabled());
    }

    void compressorChooserStartsUncompressed() {
        CompressorChooser dialog(nullptr);
        QCOMPARE(dialog.Settings().codec, std::string(kUncompressedCodec));
        QCOMPARE(dialog.Settings().quality, -1);
        QVERIFY(!dialog.QualitySlider()->isEnabled());
        // Every encoder listed after it can be written.
        int mjpeg = -1;
        for (int i = 1; i < dialog.CodecBox()->count(); ++i) {
            CompressorSettings settings;
            settings.codec = dialog.CodecBox()->itemData(i).toString().toStdString();
            std::string reason;
            QVERIFY2(CAVIOut::CheckCompressor(settings, &reason), reason.c_str());
            if (settings.codec == "mjpeg") mjpeg = i;
        }
        QVERIFY(mjpeg > 0);
        dialog.CodecBox()->setCurrentIndex(mjpeg);
        QVERIFY(dialog.QualitySlider()->isEnabled());
        dialog.QualitySlider()->setValue(40);
        dialog.KeyFrameBox()->setChecked(true);
        dialog.KeyFrameSpin()->setValue(10);
        dialog.DataRateBox()->setChecked(true);
        dialog.DataRateSpin()->setValue(500);
        const CompressorSettings chosen = dialog.Settings();
        QCOMPARE(chosen.codec, std::string("mjpeg"));
        QCOMPARE(chosen.quality, 4000);
        QCOMPARE(chosen.keyFrames, 10);
        QCOMPARE(chosen.dataRate, 500 * 1024);
        QVERIFY(save_screenshot(&dialog, QStringLiteral("compressor-chooser")));
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
