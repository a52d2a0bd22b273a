// Creations driven through the main dialog on the real engine: an HTML storyboard
// and an AVI file read back with FFmpeg, Abort (answered No, then Yes) and closing
// the program while a creation runs.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

extern "C" {
#include <libavutil/log.h>
}

#include "app/compressor_chooser.h"
#include "app/html_prop.h"
#include "app/image_widgets.h"
#include "app/pictures.h"
#include "app/tests/gui_fixture.h"
#include "output/tests/writer_fixtures.h"
#include "scenario/scenario.h"

using Id = CMainDialog::ControlId;

namespace {

// A scenario long enough to be stopped: every batch pauses BOARDBREAK ms in
// gentle mode.
std::string long_scenario(int frames = 3000, int pause = 20) {
    return "SCREEN 64 48\nFRAMERATE 30\nBOARDBREAK " + std::to_string(pause) +
           "\n"
           "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
           "STILL \"長\" { INPUT \"箱\" FRAMES " +
           std::to_string(frames) + " }\nMAIN { INPUT \"長\" }\n";
}

}  // namespace

class CreationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { av_log_set_level(AV_LOG_QUIET); }

    void htmlStoryboardFromTheDialog() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("s.txt", small_scenario(90))));
        dialog.show();
        click(dialog, Id::kIdHtml);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("board");

        // The state while the outcome box shows: still busy, the finished picture.
        DialogState stateAtEnd = DialogState::NoScenario;
        int pictureAtEnd = 0;
        boxes.OnCaption(QStringLiteral("作成処理完了"), [&] {
            stateAtEnd = dialog.State();
            pictureAtEnd = dialog.PictureResource();
        });
        DialogAcceptor acceptor([](QDialog* shown) {
            auto* html = qobject_cast<CHTMLProp*>(shown);
            QVERIFY(html);
            html->FrameList()->setCurrentRow(1);  // every 30th frame
            html->StyleList()->setCurrentRow(1);  // three a row
            save_screenshot(html, QStringLiteral("html-settings"));
        });
        click(dialog, Id::kIdCreate);
        QVERIFY(dialog.Creating());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QCOMPARE(acceptor.Handled(), 1);

        QVERIFY(boxes.HasCaption(QStringLiteral("作成処理完了")));
        const ShownBox& done = boxes.Shown().back();
        QCOMPARE(done.icon, QMessageBox::Information);
        QVERIFY(done.text.startsWith(QStringLiteral("作成処理が完了しました。\n処理時間に ")));
        QVERIFY(done.text.endsWith(QStringLiteral(" 秒かかりました。")));
        QCOMPARE(stateAtEnd, DialogState::Busy);
        QCOMPARE(pictureAtEnd, kPictureFinished);
        QCOMPARE(dialog.State(), DialogState::Ready);
        QVERIFY(control<QLabel>(dialog, Id::kIdProgressText)->text().isEmpty());
        QCOMPARE(control<QProgressBar>(dialog, Id::kIdProgressBar)->value(), 0);

        // The name has no extension: it is the folder. Frames 0, 30 and 60.
        const std::filesystem::path board = std::filesystem::path(folder.Path()) / "board";
        QVERIFY(std::filesystem::exists(board / "index.htm"));
        for (const char* still : {"img-00000.bmp", "img-00030.bmp", "img-00060.bmp"})
            QVERIFY2(std::filesystem::exists(board / "images" / still), still);
        QVERIFY(!std::filesystem::exists(board / "images" / "img-00090.bmp"));
    }

    void aviFromTheDialogReadsBack() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("s.txt", small_scenario(40))));
        dialog.show();
        control<QCheckBox>(dialog, Id::kIdProgressImage)->setChecked(true);
        control<QCheckBox>(dialog, Id::kIdMultiThread)->setChecked(true);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("movie");

        bool sawBusy = false;
        QString statusWhileChoosing;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { sawBusy |= dialog.State() == DialogState::Busy; });
        watch.start(1);
        DialogAcceptor acceptor([&](QDialog* shown) {
            auto* chooser = qobject_cast<CompressorChooser*>(shown);
            QVERIFY(chooser);
            statusWhileChoosing = control<QLabel>(dialog, Id::kIdStatusMessage)->text();
            QCOMPARE(dialog.State(), DialogState::Starting);
            QVERIFY(!dialog.Control(Id::kIdOpen)->isEnabled());
            QVERIFY(!dialog.Control(Id::kIdAbort)->isEnabled());
            QVERIFY(!dialog.acceptDrops());
        });
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QCOMPARE(acceptor.Handled(), 1);
        QCOMPARE(statusWhileChoosing, QStringLiteral("コンプレッサを選択して下さい。"));
        QVERIFY(boxes.HasCaption(QStringLiteral("作成処理完了")));
        QVERIFY(sawBusy);
        // The progress image was drawn at 160 x 120.
        auto* preview = control<PreviewFrame>(dialog, Id::kIdPreviewFrame);
        QCOMPARE(preview->Image().size(), QSize(160, 120));
        QCOMPARE(preview->Image().pixelColor(80, 60), QColor(Qt::white));

        // Uncompressed frames, all white, the last picture repeated for its time.
        const auto frames = writer_fixtures::decode_frames(folder / "movie.avi");
        QCOMPARE(frames.size(), size_t{41});
        for (const auto& frame : frames) QCOMPARE(frame, std::vector<uint8_t>(64 * 48 * 3, 255));
        const auto movie = writer_fixtures::read_movie(folder / "movie.avi");
        QCOMPARE(movie.streams.at(0).codec, AV_CODEC_ID_RAWVIDEO);
    }

    void previewCountsEveryPreviewScaleThFrame() {
        TestFolder folder;
        BoxAnswers boxes;
        const std::string scenario =
            folder.WriteScenario("p.txt", "PREVIEWSCALE 4\n" + small_scenario(100));
        CMainDialog dialog(test_options(scenario));
        control<QCheckBox>(dialog, Id::kIdPreview)->setChecked(true);
        auto* bar = control<QProgressBar>(dialog, Id::kIdProgressBar);
        QString textAtEnd;
        boxes.OnCaption(QStringLiteral("作成処理完了"),
                        [&] { textAtEnd = control<QLabel>(dialog, Id::kIdProgressText)->text(); });
        DialogAcceptor acceptor([](QDialog*) {});
        click(dialog, Id::kIdCreate);
        QCOMPARE(bar->maximum(), 25);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QVERIFY2(textAtEnd.startsWith(QStringLiteral("25 / 25 : ( ")), qPrintable(textAtEnd));
        QVERIFY(boxes.Shown().back().text.startsWith(QStringLiteral(
            "作成処理が完了しました。\nプレビューモードのため最終フレームが作成されず、"
            "途中で止まってしまったような映像になっている可能性があります。\n処理時間に ")));
        // Every fourth frame, into OUTPUT.avi in the scenario's folder.
        QCOMPARE(writer_fixtures::decode_frames(folder / "OUTPUT.avi").size(), size_t{25});
    }

    void abortAnsweredNoThenYesStopsTheCreation() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("long.txt", long_scenario())));
        dialog.show();
        control<QCheckBox>(dialog, Id::kIdGentle)->setChecked(true);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("stopped");
        DialogAcceptor acceptor([](QDialog*) {});
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(control<QProgressBar>(dialog, Id::kIdProgressBar)->value() > 0,
                                 30000);
        QCOMPARE(dialog.State(), DialogState::Busy);
        QVERIFY(dialog.Control(Id::kIdAbort)->isEnabled());

        // No: nothing changes.
        boxes.Queue(QMessageBox::No);
        click(dialog, Id::kIdAbort);
        QCOMPARE(boxes.Shown().back().caption, QStringLiteral("作成処理の中止"));
        QCOMPARE(boxes.Shown().back().text,
                 QStringLiteral("作成処理を中止します。よろしいですか？"));
        QCOMPARE(boxes.Shown().back().icon, QMessageBox::Question);
        QVERIFY(dialog.Control(Id::kIdAbort)->isEnabled());
        QVERIFY(dialog.Creating());

        // Yes: Abort is disabled at once, the outcome follows the running batch.
        boxes.Queue(QMessageBox::Yes);
        click(dialog, Id::kIdAbort);
        QVERIFY(!dialog.Control(Id::kIdAbort)->isEnabled());
        QCOMPARE(control<QLabel>(dialog, Id::kIdStatusMessage)->text(),
                 QStringLiteral("処理を中止しています。"));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        const ShownBox& stopped = boxes.Shown().back();
        QCOMPARE(stopped.caption, QStringLiteral("作成処理中止"));
        QCOMPARE(stopped.icon, QMessageBox::Warning);
        QVERIFY(stopped.text.startsWith(QStringLiteral(
            "作成処理を中止しました。\n作成された映像ファイルは破損しているおそれがあります。\n"
            "処理時間に ")));
        QCOMPARE(dialog.State(), DialogState::Ready);

        // The file written so far is closed and plays.
        const auto frames = writer_fixtures::decode_frames(folder / "stopped.avi");
        QVERIFY(!frames.empty());
        QVERIFY(frames.size() < 3000);
    }

    void abortAnsweredAfterTheEndDoesNothing() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("s.txt", long_scenario(200, 5))));
        dialog.show();
        control<QCheckBox>(dialog, Id::kIdGentle)->setChecked(true);
        DialogAcceptor acceptor([](QDialog*) {});
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.State() == DialogState::Busy, 30000);
        // The creation ends while the question is open; then Yes.
        boxes.OnCaption(QStringLiteral("作成処理の中止"), [&] {
            QVERIFY(QTest::qWaitFor([&] { return !dialog.Creating(); }, 30000));
        });
        boxes.Queue(QMessageBox::Yes);
        click(dialog, Id::kIdAbort);
        QVERIFY(boxes.HasCaption(QStringLiteral("作成処理完了")));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QCOMPARE(control<QLabel>(dialog, Id::kIdStatusMessage)->text(),
                 QStringLiteral("「作成」ボタンで作成処理を開始して下さい。"));
        // A new creation runs as usual.
        boxes.Clear();
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QVERIFY(boxes.HasCaption(QStringLiteral("作成処理完了")));
    }

    void closingWhileCreatingStopsThenCloses() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("long.txt", long_scenario())));
        dialog.show();
        control<QCheckBox>(dialog, Id::kIdGentle)->setChecked(true);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("closed");
        DialogAcceptor acceptor([](QDialog*) {});
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.State() == DialogState::Busy, 30000);
        save_screenshot(&dialog, QStringLiteral("main-dialog-busy"));

        // No keeps it running.
        boxes.Queue(QMessageBox::No);
        dialog.close();
        QCOMPARE(boxes.Shown().back().caption, QStringLiteral("終了確認"));
        QCOMPARE(boxes.Shown().back().text, QStringLiteral("レンダリング中ですが、終了しますか？"));
        QCOMPARE(boxes.Shown().back().icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Creating());

        // Yes stops it as Abort does, then the dialog closes.
        boxes.Queue(QMessageBox::Yes);
        dialog.close();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 30000);
        QVERIFY(!dialog.Creating());
        QVERIFY(!boxes.HasCaption(QStringLiteral("作成処理中止")));
        const auto frames = writer_fixtures::decode_frames(folder / "closed.avi");
        QVERIFY(!frames.empty());
    }
};

QTEST_MAIN(CreationTest)
#include "creation_test.moc"
