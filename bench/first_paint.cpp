// libtamblinor-bench-first-paint.so, preloaded (LD_PRELOAD) into a Qt program: ends the
// program as soon as its first window has been painted and put on the screen, so that
// the program's whole run time, as hyperfine measures it, is its time to first paint.
// The window's paint and flush to the screen happen in one pass of the event loop; the
// exit is queued behind it. _exit skips the teardown, which the user never waits for.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen_ = true;
            QTimer::singleShot(0, [] { _exit(0); });
        }
        return false;
    }

private:
    bool seen_ = false;
};

void install() {
    QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
