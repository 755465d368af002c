// Started by bench_start: the program's own start on a program directory, up to the first paint
// of its main window. It prints "painted" when that paint is done and exits.

#include "firstpaint.h"
#include "mainwindow.h"
#include "programdir.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>

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
