#include "mainwindow.h"
#include "programdir.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    // The program directory is the executable's own folder; it holds cfg/ and data/.
    const ProgramDir dir(QCoreApplication::applicationDirPath());
    QDir().mkpath(dir.dataDir());

    MainWindow window(dir);
    window.Form_Load();
    window.show();
    return app.exec();
}
