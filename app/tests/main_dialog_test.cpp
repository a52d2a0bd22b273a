// The main dialog without a creation: the command line, the display states after
// each transition, the output formats as one radio group with their dependent
// options, drops, loading failures, and the debug log.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/command_line.h"
#include "app/pictures.h"
#include "app/tests/gui_fixture.h"
#include "base/log.h"
#include "scenario/scenario.h"

using Id = CMainDialog::ControlId;

namespace {

bool enabled(const CMainDialog& dialog, int id) {
    return dialog.Control(id)->isEnabled();
}

bool checked(const CMainDialog& dialog, int id) {
    return control<QCheckBox>(dialog, id)->isChecked();
}

QString text_of(const CMainDialog& dialog, int id) {
    return control<QLabel>(dialog, id)->text();
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

private slots:
    void commandLineTakesOnlyExactDebugFlags() {
        CommandLine line = parse_command_line({"-debug", "/home/u/a.txt"});
        QVERIFY(line.debug);
        QCOMPARE(line.scenarioPath, std::string("/home/u/a.txt"));
        line = parse_command_line({"/debug", "first.txt", "second.txt"});
        QVERIFY(line.debug);
        QCOMPARE(line.scenarioPath, std::string("second.txt"));  // the last one wins
        line = parse_command_line({"-DEBUG"});
        QVERIFY(!line.debug);
        QVERIFY(line.hasFile);
        line = parse_command_line({});
        QVERIFY(!line.hasFile);
        QVERIFY(!line.debug);
    }

    void statesFollowTheTableThroughLoadsAndFailures() {
        TestFolder folder;
        BoxAnswers boxes;
        MainDialogOptions options = test_options();
        options.encoderFlags = 0;  // no Windows Media encoder
        options.quickTime = false;
        options.processors = 1;
        CMainDialog dialog(options);

        // No scenario.
        QCOMPARE(dialog.State(), DialogState::NoScenario);
        QCOMPARE(text_of(dialog, Id::kIdStatusMessage),
                 QStringLiteral("「シナリオを開く」ボタンでシナリオファイルを選択して下さい。"));
        QCOMPARE(dialog.PictureResource(), kPictureNoScenario);
        QVERIFY(dialog.acceptDrops());
        for (int id : {Id::kIdOpen, Id::kIdOutputName, Id::kIdExit, Id::kIdPreview, Id::kIdSkip})
            QVERIFY2(enabled(dialog, id), qPrintable(QString::number(id)));
        for (int id : {Id::kIdScenarioInfo, Id::kIdCreate, Id::kIdAbort, Id::kIdWindowsMedia,
                       Id::kIdQuickTime, Id::kIdMultiThread})
            QVERIFY2(!enabled(dialog, id), qPrintable(QString::number(id)));
        QVERIFY(checked(dialog, Id::kIdAvi));
        QCOMPARE(control<QLineEdit>(dialog, Id::kIdOutputName)->text(), QStringLiteral("OUTPUT"));

        // Ready.
        const std::string good = folder.WriteScenario("good.txt", small_scenario());
        QCOMPARE(dialog.LoadScenario(good), 0);
        QCOMPARE(dialog.State(), DialogState::Ready);
        QCOMPARE(text_of(dialog, Id::kIdStatusMessage),
                 QStringLiteral("「作成」ボタンで作成処理を開始して下さい。"));
        QCOMPARE(dialog.PictureResource(), kPictureReady);
        QCOMPARE(text_of(dialog, Id::kIdScenarioName), QString::fromStdString(good));
        for (int id : {Id::kIdOpen, Id::kIdOutputName, Id::kIdExit, Id::kIdScenarioInfo,
                       Id::kIdCreate, Id::kIdPreview, Id::kIdSkip, Id::kIdAvi, Id::kIdHtml})
            QVERIFY2(enabled(dialog, id), qPrintable(QString::number(id)));
        for (int id : {Id::kIdAbort, Id::kIdWindowsMedia, Id::kIdQuickTime, Id::kIdMultiThread})
            QVERIFY2(!enabled(dialog, id), qPrintable(QString::number(id)));
        QVERIFY(boxes.Shown().empty());

        // A scenario that does not read: its error box, then no scenario at all.
        const std::string bad = folder.WriteScenario("bad.txt", "SCREEN 64 48\nNONSENSE\n");
        QCOMPARE(dialog.LoadScenario(bad), -1);
        QCOMPARE(dialog.State(), DialogState::NoScenario);
        QVERIFY(dialog.Scenario() == nullptr);
        QVERIFY(text_of(dialog, Id::kIdScenarioName).isEmpty());
        QCOMPARE(boxes.Shown().size(), size_t{1});
        QCOMPARE(boxes.Shown()[0].caption, QStringLiteral("エラー"));
        QCOMPARE(boxes.Shown()[0].icon, QMessageBox::Critical);
        QVERIFY(boxes.Shown()[0].text.contains(QStringLiteral("bad.txt : 2行目")));

        // One that reads but does not link is not kept either.
        QCOMPARE(dialog.LoadScenario(good), 0);
        const std::string unlinked =
            folder.WriteScenario("unlinked.txt", "SCREEN 64 48\nMAIN { INPUT \"無\" }\n");
        QCOMPARE(dialog.LoadScenario(unlinked), -1);
        QCOMPARE(dialog.State(), DialogState::NoScenario);
        QVERIFY(dialog.Scenario() == nullptr);
        QVERIFY(!enabled(dialog, Id::kIdCreate));
        QVERIFY(!enabled(dialog, Id::kIdScenarioInfo));
    }

    void formatsActAsOneRadioGroupWithTheirOptions() {
        TestFolder folder;
        BoxAnswers boxes;
        CMainDialog dialog(test_options(folder.WriteScenario("tour.txt", small_scenario())));
        QCOMPARE(dialog.State(), DialogState::Ready);
        for (int id : {Id::kIdWindowsMedia, Id::kIdQuickTime, Id::kIdMultiThread})
            QVERIFY2(enabled(dialog, id), qPrintable(QString::number(id)));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(save_screenshot(&dialog, QStringLiteral("main-dialog-ready")));
        const int formats[] = {Id::kIdAvi, Id::kIdWindowsMedia, Id::kIdQuickTime, Id::kIdHtml};
        auto only = [&](int id) {
            for (int f : formats) {
                if (checked(dialog, f) != (f == id)) return false;
            }
            return true;
        };

        // Clicking the checked box keeps it checked.
        click(dialog, Id::kIdAvi);
        QVERIFY(only(Id::kIdAvi));

        control<QCheckBox>(dialog, Id::kIdSkip)->setChecked(true);
        control<QCheckBox>(dialog, Id::kIdPreview)->setChecked(true);
        click(dialog, Id::kIdQuickTime);
        QVERIFY(only(Id::kIdQuickTime));
        QVERIFY(!checked(dialog, Id::kIdSkip));
        QVERIFY(!enabled(dialog, Id::kIdSkip));
        QVERIFY(enabled(dialog, Id::kIdPreview));
        QVERIFY(checked(dialog, Id::kIdPreview));

        click(dialog, Id::kIdHtml);
        QVERIFY(only(Id::kIdHtml));
        QVERIFY(!checked(dialog, Id::kIdPreview));
        QVERIFY(!enabled(dialog, Id::kIdPreview));
        click(dialog, Id::kIdHtml);
        QVERIFY(only(Id::kIdHtml));

        // Create needs an output name.
        control<QLineEdit>(dialog, Id::kIdOutputName)->clear();
        click(dialog, Id::kIdCreate);
        QCOMPARE(boxes.Shown().size(), size_t{1});
        QCOMPARE(boxes.Shown()[0].text, QStringLiteral("出力のファイル名が設定されていません。"));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QVERIFY(!dialog.Creating());

        // HTML keeps Preview disabled through a new load (ready) and a failed one
        // (no scenario).
        QCOMPARE(dialog.LoadScenario(folder / "tour.txt"), 0);
        QVERIFY(!enabled(dialog, Id::kIdPreview));
        QCOMPARE(dialog.LoadScenario(folder / "missing.txt"), -1);
        QVERIFY(!enabled(dialog, Id::kIdPreview));
        QVERIFY(!enabled(dialog, Id::kIdSkip));

        click(dialog, Id::kIdWindowsMedia);
        QVERIFY(only(Id::kIdWindowsMedia));
        QVERIFY(enabled(dialog, Id::kIdPreview));
        click(dialog, Id::kIdAvi);
        QVERIFY(only(Id::kIdAvi));
        QVERIFY(enabled(dialog, Id::kIdSkip));
        QVERIFY(enabled(dialog, Id::kIdMultiThread));
    }

    void dropsTakeExactlyOneFileWithAFolder() {
        TestFolder folder;
        BoxAnswers boxes;
        const std::string first = folder.WriteScenario("first.txt", small_scenario(30));
        const std::string second = folder.WriteScenario("second.txt", small_scenario(60));
        CMainDialog dialog(test_options(first));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QCOMPARE(QDir::currentPath(), QString::fromStdString(folder.Path()));

        // Two files: the error, and the loaded scenario stays.
        dialog.DropFiles({QString::fromStdString(first), QString::fromStdString(second)});
        QCOMPARE(boxes.Shown().size(), size_t{1});
        QCOMPARE(boxes.Shown()[0].text,
                 QStringLiteral("複数のファイルのドロップには対応していません。"));
        QCOMPARE(boxes.Shown()[0].caption, QStringLiteral("エラー"));
        QCOMPARE(dialog.State(), DialogState::Ready);
        QCOMPARE(dialog.Scenario()->TotalFrames(), 30);

        // One file is loaded, "/" separating its folders.
        QDir::setCurrent(QDir::tempPath());
        dialog.DropFiles({QString::fromStdString(second)});
        QCOMPARE(dialog.Scenario()->TotalFrames(), 60);
        QCOMPARE(QDir::currentPath(), QString::fromStdString(folder.Path()));

        // No folder part: the box, nothing loaded.
        boxes.Clear();
        dialog.DropFiles({QStringLiteral("second.txt")});
        QCOMPARE(boxes.Shown().size(), size_t{1});
        QCOMPARE(boxes.Shown()[0].text,
                 QStringLiteral("入力のシナリオファイルのパス名が正しく取得できませんでした。"));
        QCOMPARE(dialog.Scenario()->TotalFrames(), 60);

        // The same on the command line, without a box; a relative path with a folder
        // part is taken from where the program started.
        boxes.Clear();
        QDir::setCurrent(QString::fromStdString(folder.Path()));
        CMainDialog bare(test_options("second.txt"));
        QCOMPARE(bare.State(), DialogState::NoScenario);
        QDir::setCurrent(QDir::tempPath());
        const QString relative = QDir::temp().relativeFilePath(QString::fromStdString(second));
        CMainDialog withFolder(test_options(relative.toStdString()));
        QCOMPARE(withFolder.State(), DialogState::Ready);
        QVERIFY(boxes.Shown().empty());
    }

    void debugLogOnlyWithTheFlag() {
        TestFolder folder;
        QDir::setCurrent(QString::fromStdString(folder.Path()));
        { CMainDialog quiet(test_options()); }
        QVERIFY(!QFile::exists(QStringLiteral("Vemo_debug.log")));
        {
            MainDialogOptions options = test_options();
            options.debug = true;
            CMainDialog logging(options);
        }
        QFile log(QStringLiteral("Vemo_debug.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.startsWith(QByteArray(60, '*') + "\r\n"));
        QVERIFY(text.contains("Vemo Version = \"1.1.0.0\".\r\n"));
        QVERIFY(text.contains("Number of processor = 2.\r\n"));
    }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
