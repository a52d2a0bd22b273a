#pragma once
// The scenario information dialog: the block graph from MAIN as a tree, the kind
// and length of the selected block, any frame of it drawn into a preview and
// saved as a BMP file, and the scenario's music played by the desktop's player.

#include <QDialog>
#include <QSize>
#include <string>

#include "image/image_buffer.h"

class CScenario;
class CScene;
class PreviewFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

// The screen fitted into 320 x 240 with its aspect kept (integer division).
QSize scenario_preview_size(int width, int height);

// The frame count of a block with its duration: "%d ( %.2f秒 )" under a minute,
// "%d ( %.2f秒 = %d分%.2f秒 )" from a minute on.
std::string frame_count_text(int32_t frames, int32_t scale, int32_t frameRate);

class CScenarioDialog : public QDialog {
    Q_OBJECT
public:
    // `scenario` stays the caller's.
    CScenarioDialog(CScenario* scenario, QWidget* parent);
    ~CScenarioDialog() override;

    QTreeWidget* Tree() const { return m_tree; }
    QSlider* TrackBar() const { return m_track; }
    QPushButton* DrawButton() const { return m_draw; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* PlayButton() const { return m_play; }
    QLabel* KindLabel() const { return m_kind; }
    QLabel* FramesLabel() const { return m_frames; }
    QLabel* MusicLabel() const { return m_music; }
    QSize PreviewSize() const { return m_previewSize; }
    PreviewFrame* Preview() const { return m_preview; }
    // The frame drawn last (full size), or none.
    const CImageBuffer* RenderedFrame() const { return m_rendered.get(); }

    void OnDraw();
    // Writes the drawn frame into the current directory. 0 or -1.
    int OnSave();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillTree(QTreeWidgetItem* item, CScene& scene);
    void OnSelectionChanged();
    void OnPlay();
    void ShowMusicDialog();
    // Buttons and track bar on or off around a long step.
    void SetControlsEnabled(bool enabled);

    CScenario* m_scenario;
    QSize m_previewSize;
    QTreeWidget* m_tree;
    PreviewFrame* m_preview;
    QSlider* m_track;
    QLabel* m_frameNumber;
    QLabel* m_name;
    QLabel* m_kind;
    QLabel* m_frames;
    QLabel* m_music;
    QPushButton* m_draw;
    QPushButton* m_save;
    QPushButton* m_play;
    QLabel* m_message;

    CScene* m_scene = nullptr;
    std::string m_label;  // the selected block's name as listed (UTF-8)
    int32_t m_drawnFrame = 0;
    ImagePtr m_rendered;
};
