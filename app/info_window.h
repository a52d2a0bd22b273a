#pragma once
// The status window: a translucent frameless window (300 x 400, 60 % opaque)
// showing the latest report lines in white, dragged by its body. Lines are
// appended from any thread.

#include <QFont>
#include <QPoint>
#include <QWidget>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

// The text view on the window: keeps as many lines as fit its height.
class CInfoView : public QWidget {
    Q_OBJECT
public:
    explicit CInfoView(QWidget* parent);

    // Appends one line, dropping the oldest beyond the capacity. Any thread; the
    // repaint is posted to the UI thread after the lock is released, so a worker's
    // line never waits for the UI thread.
    void AppendLine(std::string_view text);
    // Lines that fit the view's height in its font.
    int Capacity() const { return m_capacity; }
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int MeasureCapacity() const;

    QFont m_font;
    int m_capacity = 1;
    mutable std::mutex m_lock;
    std::deque<std::string> m_lines;
    QString m_text;  // the lines joined, one a line
};

class CInfoWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 400;
    static constexpr double kOpacity = 153.0 / 255.0;

    explicit CInfoWindow(QWidget* owner);
    CInfoView* View() { return m_view; }
    void AppendLine(std::string_view text) { m_view->AppendLine(text); }
    // The Status button: placed beside the mouse the first time, then shown or
    // hidden in turn.
    void Toggle();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CInfoView* m_view;
    bool m_placed = false;
    QPoint m_grab;  // where the body was taken, from the window's corner
};
