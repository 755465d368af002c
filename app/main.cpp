#include "mainwindow.h"
#include "programdir.h"
#include "singleinstance.h"
#include "startlocations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

namespace {

// The id the desktop entry, the icon and the metainfo are named after, so that desktops match
// the window to its entry.
const QString AppId = QStringLiteral("org.example.quillon");

void say(const QString &text)
{
    std::fprintf(stderr, "quillon: %s\n", qPrintable(text));
}

QIcon windowIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Uploads the readings of a blood-glucose meter on a serial port and shows their trend."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption programDirOption(
        QStringLiteral("program-dir"),
        QStringLiteral("Keep the settings and the readings in DIR, a portable program directory "
                       "(DIR/cfg and DIR/data), filled with the defaults when they are missing."),
        QStringLiteral("DIR"));
    parser.addOption(programDirOption);

    // Help and the version need no display: answer them before any window system is touched.
    const QStringList textOnly = {QStringLiteral("-h"), QStringLiteral("--help"),
                                  QStringLiteral("-?"), QStringLiteral("--help-all"),
                                  QStringLiteral("-v"), QStringLiteral("--version")};
    for (int i = 1; i < argc; ++i) {
        if (textOnly.contains(QString::fromLocal8Bit(argv[i]))) {
            QCoreApplication core(argc, argv);
            parser.process(core);
        }
    }

    // QApplication takes its own options (-platform, -style ...) out of the arguments first.
    QApplication app(argc, argv);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument \"%1\"; see --help")
                .arg(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(programDirOption) && parser.value(programDirOption).isEmpty()) {
        say(QStringLiteral("--program-dir needs a folder"));
        return 2;
    }
    QGuiApplication::setDesktopFileName(AppId);
    QApplication::setWindowIcon(windowIcon());

    const auto locations =
        startlocations::resolve(QCoreApplication::applicationDirPath(), parser.value(programDirOption));
    for (const QString &problem : startlocations::prepare(locations))
        say(problem);
    if (parser.isSet(programDirOption) && !QFileInfo(locations.dir.dataDir()).isDir())
        return 1;

    SingleInstance instance(locations.dir.dataDir());
    switch (instance.claim()) {
    case SingleInstance::Claim::AlreadyRunning: {
        const QString where = QDir::toNativeSeparators(locations.dir.dataDir());
        if (instance.askRunningCopyToShow()) {
            say(QStringLiteral("already running for %1; its window was brought forward.").arg(where));
            return 0;
        }
        const QString text = QStringLiteral("Quillon is already running for %1 (process %2).")
                                 .arg(where)
                                 .arg(instance.holderPid());
        say(text);
        // Started from the menu, nobody reads stderr: the person must see why no window opened.
        QMessageBox::information(nullptr, QStringLiteral("Quillon"), text);
        return 1;
    }
    case SingleInstance::Claim::NoLock:
        say(QStringLiteral("cannot write %1; another copy started for the same folder would not be noticed.")
                .arg(QDir::toNativeSeparators(instance.lockPath())));
        break;
    case SingleInstance::Claim::First:
        break;
    }

    MainWindow window(locations.dir);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.Form_Load();
    window.show();
    return app.exec();
}
