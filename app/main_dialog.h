#pragma once
// The main dialog: the program's only top-level window. It takes the scenario
// (command line, file dialog or drop), holds the choices for the next creation,
// shows the program's state, and drives a creation through the render control
// thread (main_dialog_creation.cpp), whose window messages it receives as queued
// or blocking-queued calls on the UI thread.

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "app/dialog_target.h"
#include "app/gui_chooser.h"
#include "render/render_param.h"

class CInfoWindow;
class CRender;
class CScenario;
class GuiReportSink;
class PreviewFrame;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class StatePicture;

// What the dialog shows and allows. Starting is the moment between Create and the
// control thread's word that it is ready: everything disabled.
enum class DialogState { NoScenario, Ready, Busy, Starting };

// What start-up hands the dialog.
struct MainDialogOptions {
    std::string scenarioPath;   // from the command line; empty without
    bool debug = false;         // write the debug log
    uint32_t encoderFlags = 0;  // probe_encoders()
    bool quickTime = false;     // quicktime_available()
    int processors = 1;
};

// The options of this machine for a command line.
MainDialogOptions machine_options(const std::string& scenarioPath, bool debug);

class CMainDialog : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of the dialog, by role.
    enum ControlId : int {
        kIdExit = 1,
        kIdOpen = 1001,
        kIdProgressBar = 1003,
        kIdPreview = 1004,
        kIdProgressImage = 1005,
        kIdScenarioName = 1006,
        kIdStatusMessage = 1007,
        kIdProgressText = 1009,
        kIdAbort = 1010,
        kIdPreviewFrame = 1012,
        kIdOutputName = 1015,
        kIdGentle = 1016,
        kIdCreate = 1017,
        kIdVersion = 1018,
        kIdScenarioInfo = 1021,
        kIdSkip = 1032,
        kIdMultiThread = 1033,
        kIdWindowsMedia = 1034,
        kIdQuickTime = 1035,
        kIdPicture = 1036,
        kIdAvi = 1038,
        kIdStatusWindow = 1039,
        kIdHtml = 1040,
    };

    explicit CMainDialog(const MainDialogOptions& options, QWidget* parent = nullptr);
    ~CMainDialog() override;

    QWidget* Control(int id) const;
    DialogState State() const { return m_state; }
    bool Creating() const { return m_creating; }
    CScenario* Scenario() const { return m_scenario.get(); }
    CInfoWindow* InfoWindow() const { return m_infoWindow; }
    int PictureResource() const;

    // Reads and links the scenario at `path`; the ready state on success, the
    // no-scenario state (and no scenario) after a failure. 0 or -1.
    int LoadScenario(const std::string& path);
    // Files dropped on the dialog: exactly one is taken.
    void DropFiles(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Exit, Escape and the close button: asks first while a creation runs.
    void reject() override;

private:
    void BuildControls();
    void Initialize(const std::string& commandLinePath);
    void EnterState(DialogState state);
    // The output-format boxes act as one radio group.
    void SelectFormat(QCheckBox* format);
    void SetIcons(int imageMode);
    // Makes the folder part of `path` the current directory; the absolute path of
    // the file, or empty when there is no usable folder part.
    static std::string EnterFolderOf(const std::string& path);

    void OnOpen();
    void OnCreate();
    void OnAbort();
    void OnScenarioInfo();
    void OnVersion();

    // ---- the creation (main_dialog_creation.cpp) ----
    int SetUpRenderingData();
    intptr_t HandleRenderMessage(const ThreadMessage& message);
    void OnRenderReady();
    void OnRenderProgress(int32_t frame);
    void OnRenderFinished(int outcome);
    void OnOpenOutput();
    // Asks the control thread to stop, as Abort does once answered Yes.
    void StopCreation();
    // Waits for the ended control thread and frees it.
    void ReapRender();
    int DrawPreview(const CImageBuffer* image);
    int32_t PreviewStep() const;

    MainDialogOptions m_options;
    std::map<int, QWidget*> m_controls;
    QLabel* m_statusMessage = nullptr;
    QLabel* m_scenarioName = nullptr;
    QLineEdit* m_outputName = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_version = nullptr;
    QPushButton* m_info = nullptr;
    QPushButton* m_create = nullptr;
    QPushButton* m_statusButton = nullptr;
    QPushButton* m_abort = nullptr;
    QPushButton* m_exit = nullptr;
    QCheckBox* m_preview = nullptr;
    QCheckBox* m_progressImage = nullptr;
    QCheckBox* m_gentle = nullptr;
    QCheckBox* m_skip = nullptr;
    QCheckBox* m_multiThread = nullptr;
    QCheckBox* m_avi = nullptr;
    QCheckBox* m_windowsMedia = nullptr;
    QCheckBox* m_quickTime = nullptr;
    QCheckBox* m_html = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    PreviewFrame* m_previewFrame = nullptr;
    StatePicture* m_picture = nullptr;
    CInfoWindow* m_infoWindow = nullptr;
    std::unique_ptr<GuiReportSink> m_sink;

    DialogState m_state = DialogState::NoScenario;
    std::unique_ptr<CScenario> m_scenario;
    int32_t m_totalFrames = 0;

    // The creation.
    RenderParam m_param;
    std::unique_ptr<CRender> m_render;
    DialogTarget m_target;
    GuiChooser m_chooser;
    int64_t m_startClock = 0;
    int64_t m_endClock = 0;
    bool m_creating = false;
    bool m_stopping = false;        // the stop was posted
    bool m_closeRequested = false;  // close once the creation has ended
};
