// Started by bench_start: the program's own start on a program directory, up to the first paint
// of its main window. It prints "painted" when that paint is done and exits.

#include "mainwindow.h"
#include "programdir.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>

namespace {

// The first paint event of the window has been handled once the event loop comes back.
class FirstPaint : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                std::printf("painted\n");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    // As main.cpp does, with the program directory handed in.
    const ProgramDir dir(QString::fromLocal8Bit(argv[1]));
    MainWindow window(dir);
    window.Form_Load();
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
