#pragma once
// Calls from the engine's threads into the user interface: the call runs on the
// UI thread while the calling thread waits (a blocking-queued call), or at once
// when the caller is the UI thread itself. The UI thread never waits for an engine
// thread, so the wait cannot close a circle.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

template <typename Function>
void run_on_ui_thread(Function&& function) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        function();
        return;
    }
    QMetaObject::invokeMethod(application, std::forward<Function>(function),
                              Qt::BlockingQueuedConnection);
}
