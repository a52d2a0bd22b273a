// Creations driven through the main dialog on the real engine: a preview, an AVI
// file read back with FFmpeg and an HTML storyboard, Abort and closing the program
// while a creation runs.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
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

using Id = CMainDialog::ControlId;

namespace {

// A scenario long enough to be stopped: every batch pauses BOARDBREAK ms in
// gentle mode.
std::string long_scenario(int frames = 3000, int pause = 20) {
    return "BOARDBREAK " + std::to_string(pause) + "\n" + small_scenario(frames);
}

}  // namespace

class CreationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { av_log_set_level(AV_LOG_QUIET); }

    void previewMovieAndStoryboardFromOneDialog() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(
            test_options(folder.WriteScenario("s.txt", "PREVIEWSCALE 4\n" + small_scenario(60))));
        dialog.show();
        auto* bar = control<QProgressBar>(dialog, Id::kIdProgressBar);
        // While the outcome box shows: still busy, the finished picture, the last count.
        DialogState stateAtEnd = DialogState::NoScenario;
        int pictureAtEnd = 0;
        QString textAtEnd;
        boxes.OnCaption(QStringLiteral("作成処理完了"), [&] {
            stateAtEnd = dialog.State();
            pictureAtEnd = dialog.PictureResource();
            textAtEnd = control<QLabel>(dialog, Id::kIdProgressText)->text();
        });
        QString statusWhileChoosing;
        DialogAcceptor acceptor([&](QDialog* shown) {
            statusWhileChoosing = control<QLabel>(dialog, Id::kIdStatusMessage)->text();
            QCOMPARE(dialog.State(), DialogState::Starting);
            QVERIFY(!dialog.Control(Id::kIdOpen)->isEnabled());
            QVERIFY(!dialog.Control(Id::kIdAbort)->isEnabled());
            QVERIFY(!dialog.acceptDrops());
            if (auto* html = qobject_cast<CHTMLProp*>(shown)) {
                html->FrameList()->setCurrentRow(1);  // every 30th frame
                html->StyleList()->setCurrentRow(1);  // three a row
                save_screenshot(html, QStringLiteral("html-settings"));
            } else {
                QVERIFY(qobject_cast<CompressorChooser*>(shown));
            }
        });

        // Preview: every fourth frame, into OUTPUT.avi in the scenario's folder.
        control<QCheckBox>(dialog, Id::kIdPreview)->setChecked(true);
        click(dialog, Id::kIdCreate);
        QVERIFY(dialog.Creating());
        QCOMPARE(bar->maximum(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QCOMPARE(statusWhileChoosing, QStringLiteral("コンプレッサを選択して下さい。"));
        QVERIFY2(textAtEnd.startsWith(QStringLiteral("15 / 15 : ( ")), qPrintable(textAtEnd));
        QCOMPARE(stateAtEnd, DialogState::Busy);
        QCOMPARE(pictureAtEnd, kPictureFinished);
        QCOMPARE(boxes.Shown().back().icon, QMessageBox::Information);
        QVERIFY(boxes.Shown().back().text.contains(QStringLiteral("プレビューモードのため")));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QVERIFY(control<QLabel>(dialog, Id::kIdProgressText)->text().isEmpty());
        QCOMPARE(bar->value(), 0);
        QCOMPARE(writer_fixtures::decode_frames(folder / "OUTPUT.avi").size(), size_t{15});

        // The whole movie on two threads, its progress image drawn at 160 x 120:
        // uncompressed frames, all white, the last picture repeated for its time.
        control<QCheckBox>(dialog, Id::kIdPreview)->setChecked(false);
        control<QCheckBox>(dialog, Id::kIdProgressImage)->setChecked(true);
        control<QCheckBox>(dialog, Id::kIdMultiThread)->setChecked(true);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("movie");
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QVERIFY(boxes.Shown().back().text.startsWith(
            QStringLiteral("作成処理が完了しました。\n処理時間に ")));
        auto* preview = control<PreviewFrame>(dialog, Id::kIdPreviewFrame);
        QCOMPARE(preview->Image().size(), QSize(160, 120));
        QCOMPARE(preview->Image().pixelColor(80, 60), QColor(Qt::white));
        const auto frames = writer_fixtures::decode_frames(folder / "movie.avi");
        QCOMPARE(frames.size(), size_t{61});
        for (const auto& frame : frames) QCOMPARE(frame, std::vector<uint8_t>(64 * 48 * 3, 255));
        const auto movie = writer_fixtures::read_movie(folder / "movie.avi");
        QCOMPARE(movie.streams.at(0).codec, AV_CODEC_ID_RAWVIDEO);

        // A storyboard: the name has no extension, it is the folder. Frames 0 and 30.
        click(dialog, Id::kIdHtml);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("board");
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        QCOMPARE(acceptor.Handled(), 3);
        const std::filesystem::path board = std::filesystem::path(folder.Path()) / "board";
        QVERIFY(std::filesystem::exists(board / "index.htm"));
        for (const char* still : {"img-00000.bmp", "img-00030.bmp"})
            QVERIFY2(std::filesystem::exists(board / "images" / still), still);
        QVERIFY(!std::filesystem::exists(board / "images" / "img-00060.bmp"));
    }

    void abortAndCloseAskThenStopTheCreation() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("long.txt", long_scenario())));
        dialog.show();
        control<QCheckBox>(dialog, Id::kIdGentle)->setChecked(true);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("stopped");
        DialogAcceptor acceptor;
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(control<QProgressBar>(dialog, Id::kIdProgressBar)->value() > 0,
                                 30000);
        QCOMPARE(dialog.State(), DialogState::Busy);
        QVERIFY(dialog.Control(Id::kIdAbort)->isEnabled());
        save_screenshot(&dialog, QStringLiteral("main-dialog-busy"));

        // No to either question: nothing changes.
        boxes.Queue(QMessageBox::No);
        click(dialog, Id::kIdAbort);
        QCOMPARE(boxes.Shown().back().caption, QStringLiteral("作成処理の中止"));
        QCOMPARE(boxes.Shown().back().text,
                 QStringLiteral("作成処理を中止します。よろしいですか？"));
        QCOMPARE(boxes.Shown().back().icon, QMessageBox::Question);
        boxes.Queue(QMessageBox::No);
        dialog.close();
        QCOMPARE(boxes.Shown().back().caption, QStringLiteral("終了確認"));
        QCOMPARE(boxes.Shown().back().text, QStringLiteral("レンダリング中ですが、終了しますか？"));
        QCOMPARE(boxes.Shown().back().icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Control(Id::kIdAbort)->isEnabled());
        QVERIFY(dialog.Creating());

        // Yes to Abort: disabled at once, the outcome follows the running batch.
        boxes.Queue(QMessageBox::Yes);
        click(dialog, Id::kIdAbort);
        QVERIFY(!dialog.Control(Id::kIdAbort)->isEnabled());
        QCOMPARE(control<QLabel>(dialog, Id::kIdStatusMessage)->text(),
                 QStringLiteral("処理を中止しています。"));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Creating(), 30000);
        const ShownBox& stopped = boxes.Shown().back();
        QCOMPARE(stopped.caption, QStringLiteral("作成処理中止"));
        QCOMPARE(stopped.icon, QMessageBox::Warning);
        QVERIFY(stopped.text.startsWith(QStringLiteral("作成処理を中止しました。\n")));
        QCOMPARE(dialog.State(), DialogState::Ready);
        // The file written so far is closed and plays.
        const auto frames = writer_fixtures::decode_frames(folder / "stopped.avi");
        QVERIFY(!frames.empty());
        QVERIFY(frames.size() < 3000);

        // Yes after the creation ended while the question was open does nothing.
        boxes.Clear();
        QCOMPARE(dialog.LoadScenario(folder.WriteScenario("short.txt", long_scenario(200, 5))), 0);
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.State() == DialogState::Busy, 30000);
        boxes.OnCaption(QStringLiteral("作成処理の中止"), [&] {
            QVERIFY(QTest::qWaitFor([&] { return !dialog.Creating(); }, 30000));
        });
        boxes.Queue(QMessageBox::Yes);
        click(dialog, Id::kIdAbort);
        QVERIFY(boxes.HasCaption(QStringLiteral("作成処理完了")));
        QVERIFY(!boxes.HasCaption(QStringLiteral("作成処理中止")));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QCOMPARE(control<QLabel>(dialog, Id::kIdStatusMessage)->text(),
                 QStringLiteral("「作成」ボタンで作成処理を開始して下さい。"));

        // Yes to closing a new creation stops it as Abort does, without its box,
        // then the dialog closes.
        QCOMPARE(dialog.LoadScenario(folder / "long.txt"), 0);
        control<QLineEdit>(dialog, Id::kIdOutputName)->setText("closed");
        click(dialog, Id::kIdCreate);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.State() == DialogState::Busy, 30000);
        boxes.Queue(QMessageBox::Yes);
        dialog.close();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 30000);
        QVERIFY(!dialog.Creating());
        QVERIFY(!boxes.HasCaption(QStringLiteral("作成処理中止")));
        QVERIFY(!writer_fixtures::decode_frames(folder / "closed.avi").empty());
    }
};

QTEST_MAIN(CreationTest)
#include "creation_test.moc"
