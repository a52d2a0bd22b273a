// The status window and the version dialog.

#include <QLabel>
#include <QtTest>
#include <thread>
#include <vector>

#include "app/info_window.h"
#include "app/pictures.h"
#include "app/tests/gui_fixture.h"
#include "app/version_dialog.h"
#include "image/image_buffer.h"

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void statusWindowKeepsTheLatestLinesOfAnyThread() {
        CInfoWindow window(nullptr);
        QCOMPARE(window.size(), QSize(300, 400));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        const int capacity = window.View()->Capacity();
        // 392 pixels of 12-pixel text.
        QVERIFY2(capacity >= 20 && capacity <= 33, qPrintable(QString::number(capacity)));

        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t) {
            writers.emplace_back([&window, t] {
                for (int i = 0; i < 50; ++i)
                    window.AppendLine("thread " + std::to_string(t) + " line " + std::to_string(i));
            });
        }
        for (auto& writer : writers) writer.join();
        window.AppendLine("最後の行");
        const QStringList lines = window.View()->Text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), capacity);
        QCOMPARE(lines.back(), QStringLiteral("最後の行"));

        QVERIFY(!window.isVisible());
        window.Toggle();
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(save_screenshot(&window, QStringLiteral("status-window")));
        window.Toggle();
        QVERIFY(!window.isVisible());
    }

    void versionKeySequenceSwitchesTheImageMode() {
        QCOMPARE(get_image_mode(), 32);
        int told = 0;
        bool allowed = true;
        CVersionDialog dialog(
            nullptr, [&] { return allowed; }, [&](int mode) { told = mode; });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報 Vemo"));
        QCOMPARE(dialog.VersionLine(), QStringLiteral("Vemo Version 1.1.0 (rev63)"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(save_screenshot(&dialog, QStringLiteral("version-dialog")));

        QTest::keyClicks(&dialog, QStringLiteral("xtalvoren"));
        QCOMPARE(get_image_mode(), 24);
        QCOMPARE(told, 24);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報 Vemo ： 24Bit モード"));
        QCOMPARE(dialog.IconLabel()->pixmap().toImage(), picture_strip(kIconMode24).toImage());
        QVERIFY(save_screenshot(&dialog, QStringLiteral("version-dialog-24bit")));

        // Not while a creation runs.
        allowed = false;
        QTest::keyClicks(&dialog, QStringLiteral("TALVOREN"));
        QCOMPARE(get_image_mode(), 24);
        allowed = true;
        QTest::keyClicks(&dialog, QStringLiteral("TALVOREN"));
        QCOMPARE(get_image_mode(), 32);
        QCOMPARE(told, 32);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報 Vemo"));
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
