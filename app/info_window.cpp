#include "app/info_window.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kViewMargin = 4;
constexpr int kViewWidth = CInfoWindow::kWidth - 2 * kViewMargin;
constexpr int kViewHeight = CInfoWindow::kHeight - 2 * kViewMargin;

}  // namespace

CInfoView::CInfoView(QWidget* parent) : QWidget(parent) {
    setGeometry(kViewMargin, kViewMargin, kViewWidth, kViewHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents);  // the window below is dragged
    m_font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                        QStringLiteral("monospace")});
    m_font.setPixelSize(12);
    m_font.setStyleHint(QFont::TypeWriter);
    m_capacity = MeasureCapacity();
}

int CInfoView::MeasureCapacity() const {
    // Grow a sample a line at a time until it no longer fits the height.
    const QFontMetrics metrics(m_font);
    QString sample = QStringLiteral("test");
    int lines = 0;
    for (;;) {
        const QRect used =
            metrics.boundingRect(QRect(0, 0, kViewWidth, 1 << 20), Qt::AlignLeft, sample);
        if (used.height() > kViewHeight) break;
        ++lines;
        sample += QStringLiteral("\ntest");
    }
    return std::max(lines, 1);
}

void CInfoView::AppendLine(std::string_view text) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_lines.emplace_back(text);
        while (static_cast<int>(m_lines.size()) > m_capacity) m_lines.pop_front();
        m_text.clear();
        for (const std::string& line : m_lines) {
            m_text += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
            m_text += QLatin1Char('\n');
        }
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QString CInfoView::Text() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_text;
}

void CInfoView::paintEvent(QPaintEvent*) {
    const QString text = Text();
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text);
}

CInfoWindow::CInfoWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_view(new CInfoView(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("動作状況"));
}

void CInfoWindow::Toggle() {
    if (!m_placed) {
        m_placed = true;
        move(QCursor::pos() + QPoint(30, -100));
    }
    setVisible(!isVisible());
    update();
}

void CInfoWindow::paintEvent(QPaintEvent*) {
    // The body is 60 % opaque; the lines on it are drawn fully opaque by the view.
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, static_cast<int>(kOpacity * 255 + 0.5)));
}

void CInfoWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_grab = event->position().toPoint();
}

void CInfoWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - m_grab);
}
