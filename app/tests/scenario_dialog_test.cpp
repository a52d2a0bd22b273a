// The scenario information dialog: the preview size rule, the frame count text,
// the tree from MAIN, Draw (pictures with transparency over black) and Save.

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>

#include "app/image_widgets.h"
#include "app/scenario_dialog.h"
#include "app/tests/gui_fixture.h"
#include "scenario/block_frame.h"
#include "scenario/scenario.h"

namespace {

// A box with transparent edges, shown through two stills; one named with a "/".
const char kGraph[] =
    "SCREEN 128 48\nFRAMERATE 30\n"
    "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 8 8 POINT 55 39 FILL } }\n"
    "STILL \"OPENING\" { INPUT \"箱\" FRAMES 30 }\n"
    "STILL \"a/b\" { INPUT \"箱\" FRAMES 20 }\n"
    "MAIN { INPUT \"OPENING\" INPUT \"a/b\" INPUT \"OPENING\" }\n";

QStringList child_names(QTreeWidgetItem* item) {
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i) names << item->child(i)->text(0);
    return names;
}

}  // namespace

class ScenarioDialogTest : public QObject {
    Q_OBJECT

private slots:
    void previewSizeAndFrameCountText() {
        // The preview keeps the aspect within 320 x 240.
        QCOMPARE(scenario_preview_size(1920, 1080), QSize(320, 180));
        QCOMPARE(scenario_preview_size(480, 640), QSize(180, 240));
        QCOMPARE(scenario_preview_size(640, 480), QSize(320, 240));
        QCOMPARE(scenario_preview_size(64, 48), QSize(320, 240));
        // Frame counts show their duration.
        QCOMPARE(frame_count_text(90, 1, 30), std::string("90 ( 3.00秒 )"));
        QCOMPARE(frame_count_text(1799, 1, 30), std::string("1799 ( 59.97秒 )"));
        QCOMPARE(frame_count_text(1800, 1, 30), std::string("1800 ( 60.00秒 = 1分0.00秒 )"));
        QCOMPARE(frame_count_text(5000, 1001, 30000),
                 std::string("5000 ( 166.83秒 = 2分46.83秒 )"));
    }

    void treeDrawAndSave() {
        TestFolder folder;
        BoxAnswers boxes;
        CScenario doc;
        QCOMPARE(doc.Load(folder.WriteScenario("g.txt", kGraph)), 0);
        QCOMPARE(doc.Link(), 0);
        QDir::setCurrent(QString::fromStdString(folder.Path()));
        CScenarioDialog dialog(&doc, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("シナリオ情報"));
        QCOMPARE(dialog.Preview()->size(), QSize(326, 126));
        QCOMPARE(dialog.Tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* main = dialog.Tree()->topLevelItem(0);
        QCOMPARE(main->text(0), QStringLiteral("MAIN"));
        QCOMPARE(child_names(main), (QStringList{"OPENING", "a/b", "OPENING"}));
        QCOMPARE(child_names(main->child(2)), QStringList{QStringLiteral("箱")});
        QCOMPARE(dialog.MusicLabel()->text(), QStringLiteral("未設定"));
        QVERIFY(!dialog.PlayButton()->isEnabled());
        QVERIFY(!dialog.DrawButton()->isEnabled());
        QVERIFY(!dialog.SaveButton()->isEnabled());

        // MAIN is found although its own name is a blank.
        dialog.Tree()->setCurrentItem(main);
        QCOMPARE(dialog.KindLabel()->text(), QStringLiteral("MAIN"));
        QCOMPARE(dialog.FramesLabel()->text(), QStringLiteral("80 ( 2.67秒 )"));
        QCOMPARE(dialog.TrackBar()->maximum(), 79);
        QVERIFY(dialog.DrawButton()->isEnabled());

        // A picture counts as one frame and shows 0; it carries transparency, so it
        // is drawn over opaque black.
        dialog.Tree()->setCurrentItem(main->child(0)->child(0));
        QCOMPARE(dialog.KindLabel()->text(), QStringLiteral("DRAW"));
        QCOMPARE(dialog.FramesLabel()->text(), QStringLiteral("0"));
        QCOMPARE(dialog.TrackBar()->maximum(), 0);
        dialog.OnDraw();
        QVERIFY(dialog.RenderedFrame());
        const QImage shown = to_qimage(dialog.RenderedFrame());
        QCOMPARE(shown.size(), QSize(64, 48));
        QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(30, 20), QColor(Qt::white));
        QVERIFY(dialog.SaveButton()->isEnabled());
        QCOMPARE(dialog.Preview()->Image().size(), QSize(320, 120));

        // Frame 12 of OPENING.
        dialog.Tree()->setCurrentItem(main->child(0));
        QVERIFY(!dialog.SaveButton()->isEnabled());  // the frame drawn before is gone
        QCOMPARE(dialog.KindLabel()->text(), QStringLiteral("STILL"));
        QCOMPARE(dialog.FramesLabel()->text(), QStringLiteral("30 ( 1.00秒 )"));
        dialog.TrackBar()->setValue(12);
        QTest::mouseClick(dialog.DrawButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
        QFile saved(QString::fromStdString(folder / "OPENING-00012.bmp"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY(bytes.startsWith("BM"));
        QImage reread;
        QVERIFY(reread.loadFromData(bytes, "BMP"));
        QCOMPARE(reread.size(), QSize(128, 48));
        QCOMPARE(reread.pixelColor(48, 20), QColor(Qt::white));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        save_screenshot(&dialog, QStringLiteral("scenario-information"));

        // A name with a folder separator stays in the folder.
        dialog.Tree()->setCurrentItem(main->child(1));
        dialog.OnDraw();
        QCOMPARE(dialog.OnSave(), 0);
        QVERIFY(QFile::exists(QString::fromStdString(folder / "a_b-00000.bmp")));
        QCOMPARE(block_frame_file_name("..", 3), std::string("_..-00003.bmp"));
        QCOMPARE(block_frame_file_name("x\\y", 7), std::string("x_y-00007.bmp"));
        QVERIFY(boxes.Shown().empty());
    }
};

QTEST_MAIN(ScenarioDialogTest)
#include "scenario_dialog_test.moc"
