// tamblinor-bench-empty-window: the baseline of the start-up time, a bare Qt window of
// the window's size with nothing in it.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    window.show();
    return app.exec();
}
