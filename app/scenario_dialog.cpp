#include "app/scenario_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/image_widgets.h"
#include "app/pictures.h"
#include "base/atomic_file.h"
#include "base/cp932.h"
#include "base/format.h"
#include "base/report.h"
#include "image/picture_file.h"
#include "scenario/block_frame.h"
#include "scenario/scenario.h"

namespace {

constexpr int kSceneRole = Qt::UserRole;

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QSize scenario_preview_size(int width, int height) {
    if (width < 1 || height < 1) return {320, 240};
    const int64_t tall = int64_t{height} * 320;
    const int64_t wide = int64_t{width} * 240;
    if (tall == wide) return {320, 240};
    if (tall < wide) return {320, static_cast<int>(tall / width)};
    return {static_cast<int>(wide / height), 240};
}

std::string frame_count_text(int32_t frames, int32_t scale, int32_t frameRate) {
    const double seconds = frameRate > 0 ? static_cast<double>(frames) * scale / frameRate : 0.0;
    if (seconds < 60.0) return format_string("%d ( %.2f秒 )", frames, seconds);
    const int minutes = static_cast<int>(seconds) / 60;
    return format_string("%d ( %.2f秒 = %d分%.2f秒 )", frames, seconds, minutes,
                         seconds - minutes * 60.0);
}

CScenarioDialog::CScenarioDialog(CScenario* scenario, QWidget* parent)
    : QDialog(parent), m_scenario(scenario) {
    setWindowTitle(QStringLiteral("シナリオ情報"));
    setWindowIcon(program_icon(get_image_mode()));
    m_previewSize =
        scenario_preview_size(m_scenario->GetScreenWidth(), m_scenario->GetScreenHeight());

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setGeometry(10, 10, 190, 400);
    m_preview = new PreviewFrame(this);
    m_preview->setGeometry(210, 10, m_previewSize.width() + 6, m_previewSize.height() + 6);

    const int left = 210;
    int y = 262;
    m_track = new QSlider(Qt::Horizontal, this);
    m_track->setRange(0, 0);
    m_track->setGeometry(left, y, 256, 24);
    m_frameNumber = new QLabel(QStringLiteral("0"), this);
    m_frameNumber->setGeometry(left + 262, y, 64, 24);
    m_frameNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    y += 32;
    auto row = [&](const char* caption) {
        auto* title = new QLabel(QString::fromUtf8(caption), this);
        title->setGeometry(left, y, 80, 20);
        auto* value = new QLabel(this);
        value->setGeometry(left + 84, y, 252, 20);
        y += 22;
        return value;
    };
    m_name = row("ブロック名");
    m_kind = row("種類");
    m_frames = row("フレーム数");
    m_music = row("音楽");

    y += 6;
    auto button = [&](const char* text, int x, int width) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setAutoDefault(false);
        b->setGeometry(x, y, width, 26);
        return b;
    };
    m_draw = button("画像描画", left, 84);
    m_save = button("画像出力", left + 90, 84);
    m_play = button("音楽再生", left + 180, 84);
    auto* back = button("戻る", left + 276, 60);
    m_message = new QLabel(QStringLiteral(" "), this);
    m_message->setGeometry(left, y + 32, 326, 20);
    setFixedSize(546, std::max(420, y + 60));

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CScenarioDialog::OnSelectionChanged);
    connect(m_track, &QSlider::valueChanged, this,
            [this](int value) { m_frameNumber->setText(QString::number(value)); });
    connect(m_draw, &QPushButton::clicked, this, &CScenarioDialog::OnDraw);
    connect(m_save, &QPushButton::clicked, this, &CScenarioDialog::OnSave);
    connect(m_play, &QPushButton::clicked, this, &CScenarioDialog::OnPlay);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);

    // The graph from MAIN, a block listed under each block that uses it.
    if (CScene* main = m_scenario->MainScene()) {
        auto* root = new QTreeWidgetItem(m_tree, QStringList(QStringLiteral("MAIN")));
        root->setData(0, kSceneRole, QVariant::fromValue(static_cast<void*>(main)));
        FillTree(root, *main);
        root->setExpanded(true);
    }
    const std::string& audio = m_scenario->AudioPath();
    m_music->setText(audio.empty() ? QStringLiteral("未設定") : QFileInfo(utf8(audio)).fileName());
    m_music->setToolTip(utf8(audio));
    m_music->installEventFilter(this);
    m_play->setEnabled(!audio.empty());
    m_draw->setEnabled(false);
    m_save->setEnabled(false);
}

CScenarioDialog::~CScenarioDialog() = default;

void CScenarioDialog::FillTree(QTreeWidgetItem* item, CScene& scene) {
    for (const auto& input : scene.Inputs()) {
        CScene* target = input->Target();
        if (!target) continue;
        auto* child = new QTreeWidgetItem(item, QStringList(utf8(cp932_to_utf8(target->Name()))));
        child->setData(0, kSceneRole, QVariant::fromValue(static_cast<void*>(target)));
        FillTree(child, *target);
    }
}

void CScenarioDialog::OnSelectionChanged() {
    m_rendered.reset();
    m_preview->SetImage(QImage(), m_previewSize);
    m_save->setEnabled(false);
    QTreeWidgetItem* item = m_tree->currentItem();
    m_scene = item ? static_cast<CScene*>(item->data(0, kSceneRole).value<void*>()) : nullptr;
    if (!m_scene) {
        m_draw->setEnabled(false);
        return;
    }
    m_label = item->text(0).toStdString();
    m_name->setText(item->text(0));
    m_kind->setText(QString::fromUtf8(m_scene->TypeName()));
    // Pictures have no length of their own: "0", drawn as one frame.
    const bool picture = is_picture_block(*m_scene);
    const int32_t count = picture ? 0 : m_scene->GetFrameCount();
    m_frames->setText(
        picture ? QStringLiteral("0")
                : utf8(frame_count_text(count, m_scenario->Scale(), m_scenario->FrameRate())));
    m_track->setRange(0, std::max(drawable_frames(*m_scene) - 1, 0));
    m_track->setValue(0);
    m_frameNumber->setText(QStringLiteral("0"));
    m_draw->setEnabled(true);
}

void CScenarioDialog::SetControlsEnabled(bool enabled) {
    m_draw->setEnabled(enabled && m_scene);
    m_save->setEnabled(enabled && m_rendered);
    m_play->setEnabled(enabled && !m_scenario->AudioPath().empty());
    m_track->setEnabled(enabled);
}

void CScenarioDialog::OnDraw() {
    if (!m_scene) return;
    SetControlsEnabled(false);
    m_message->setText(QStringLiteral("画像を描画しています。"));
    m_message->repaint();
    m_rendered.reset();
    m_drawnFrame = m_track->value();
    m_rendered = draw_block_frame(*m_scenario, *m_scene, m_drawnFrame);
    m_preview->SetImage(to_qimage(m_rendered.get()), m_previewSize);
    SetControlsEnabled(true);
    m_message->setText(QStringLiteral(" "));
}

int CScenarioDialog::OnSave() {
    if (!m_scene || !m_rendered) return -1;
    SetControlsEnabled(false);
    m_message->setText(QStringLiteral("画像を出力しています。"));
    m_message->repaint();
    const std::string name = block_frame_file_name(m_label, m_drawnFrame);
    ReadFileSet read = m_scenario->FilesRead();
    read.Add(m_scenario->ScenarioPath());
    std::string reason;
    const int result = write_file_atomically(name, bmp_file_bytes(m_rendered.get()), read, &reason);
    if (result != 0) {
        ErrorBox("画像ファイル %s の出力に失敗しました。\n%s", name.c_str(), reason.c_str());
    }
    SetControlsEnabled(true);
    m_message->setText(QStringLiteral(" "));
    return result == 0 ? 0 : -1;
}

void CScenarioDialog::OnPlay() {
    const std::string& audio = m_scenario->AudioPath();
    if (!audio.empty()) QDesktopServices::openUrl(QUrl::fromLocalFile(utf8(audio)));
}

void CScenarioDialog::ShowMusicDialog() {
    QDialog music(this);
    music.setWindowTitle(QStringLiteral("音楽"));
    auto* layout = new QVBoxLayout(&music);
    layout->addWidget(
        new QLabel(m_music->toolTip().isEmpty() ? m_music->text() : m_music->toolTip(), &music));
    auto* buttons = new QDialogButtonBox(&music);
    buttons->addButton(QStringLiteral("戻る"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, &music, &QDialog::accept);
    layout->addWidget(buttons);
    music.exec();
}

bool CScenarioDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_music && event->type() == QEvent::MouseButtonDblClick) {
        ShowMusicDialog();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
