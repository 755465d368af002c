#include "mainwindow.h"
#include "programdir.h"
#include "singleinstance.h"
#include "startlocations.h"
#include "windowmemory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// The id the desktop entry, the icon and the metainfo are named after, so that desktops match
// the window to its entry.
const QString AppId = QStringLiteral("org.example.quillon");

// The options QGuiApplication and QApplication take out of the arguments themselves: the
// command line is checked before they exist, so they must not count as unknown there.
const char *const WindowSystemOptions[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "qwindowicon",
                                           "qwindowtitle",
                                           "session",
                                           "style",
                                           "stylesheet",
                                           "display",
                                           "geometry",
                                           "title",
                                           "name",
                                           "visual",
                                           "ncols",
                                           "cmap",
                                           "im",
                                           "inputstyle"};
const char *const WindowSystemFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

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

// The folder exactly as the bytes given: a name that is not valid in the locale's encoding would
// otherwise turn into another folder on its way through Qt's strings. Empty when there is none.
QByteArray rawProgramDir(int argc, char *argv[])
{
    QByteArray value;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program-dir") == 0 && i + 1 < argc)
            value = argv[++i];
        else if (std::strncmp(argv[i], "--program-dir=", 14) == 0)
            value = argv[i] + 14;
        else if (std::strcmp(argv[i], "--") == 0)
            break;
    }
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    // On a file size limit a write fails and its message shows, instead of the process dying.
    std::signal(SIGXFSZ, SIG_IGN);
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

    // Every answer that needs no window (help, the version, a mistake) is given before the
    // window system is touched: without a display it would abort the program first.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser check;
        check.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const char *name : WindowSystemOptions) {
            QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
            check.addOption(option);
        }
        for (const char *name : WindowSystemFlags)
            check.addOption(QCommandLineOption(QString::fromLatin1(name)));
        check.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help"),
                                                       QStringLiteral("?"), QStringLiteral("help-all")}));
        check.addOption(QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
        check.addOption(programDirOption);
        if (!check.parse(arguments)) {
            say(check.errorText());
            return 2;
        }
        if (check.isSet(QStringLiteral("help")) || check.isSet(QStringLiteral("version"))) {
            QCoreApplication core(argc, argv);
            parser.process(core);
        }
        if (!check.positionalArguments().isEmpty()) {
            say(QStringLiteral("unexpected argument \"%1\"; see --help")
                    .arg(check.positionalArguments().first()));
            return 2;
        }
        const QString dir = check.value(programDirOption);
        if (check.isSet(programDirOption) && dir.isEmpty()) {
            say(QStringLiteral("--program-dir needs a folder"));
            return 2;
        }
        if (dir.startsWith(QLatin1Char('-'))) {
            say(QStringLiteral("--program-dir needs a folder, not the option \"%1\"; for a folder of "
                               "that name write ./%1")
                    .arg(dir));
            return 2;
        }
        if (QFile::encodeName(QFile::decodeName(rawProgramDir(argc, argv))) != rawProgramDir(argc, argv)) {
            say(QStringLiteral("the folder named with --program-dir is not valid in the system's character "
                               "encoding; rename it, or start from a folder whose name is"));
            return 2;
        }
    }

    // QApplication takes its own options (-platform, -style ...) out of the arguments first.
    QApplication app(argc, argv);
    parser.process(app);
    QGuiApplication::setDesktopFileName(AppId);
    QApplication::setWindowIcon(windowIcon());

    const auto locations =
        startlocations::resolve(QCoreApplication::applicationDirPath(), parser.value(programDirOption));
    // Started from the menu, nobody reads stderr: what stops a start is shown in a box too.
    const QStringList refusals = startlocations::refusals(locations);
    if (!refusals.isEmpty()) {
        const QString text = refusals.join(QStringLiteral("\n\n"));
        say(text);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Quillon"),
                        QStringLiteral("Quillon will not start with these folders."));
        box.setInformativeText(text);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return 1;
    }
    for (const QString &problem : startlocations::prepare(locations))
        say(problem);
    if (parser.isSet(programDirOption) && !QFileInfo(locations.dir.dataDir()).isDir())
        return 1;

    SingleInstance instance(locations.dir.dataDir(), locations.dir.lockPath());
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
        QMessageBox::information(nullptr, QStringLiteral("Quillon"), text);
        return 1;
    }
    case SingleInstance::Claim::HeldElsewhere: {
        const QString text =
            QStringLiteral("The lock file %1 says that Quillon runs on the computer \"%2\" (process %3) "
                           "for these readings. If it does not run there any more (it may have stopped "
                           "there without clearing its lock), you can take the lock over. Do not while "
                           "it still runs there: two copies writing one store can lose readings.")
                .arg(QDir::toNativeSeparators(instance.lockPath()), instance.holderHost())
                .arg(instance.holderPid());
        say(text);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Quillon"), text);
        box.setTextFormat(Qt::PlainText);
        QPushButton *take = box.addButton(QStringLiteral("Take the lock over"), QMessageBox::AcceptRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.exec();
        if (box.clickedButton() != take)
            return 1;
        if (!instance.takeOver()) {
            say(QStringLiteral("could not take over %1.").arg(QDir::toNativeSeparators(instance.lockPath())));
            return 1;
        }
        break;
    }
    case SingleInstance::Claim::NoLock:
        say(QStringLiteral("cannot write %1; another copy started for the same folder would not be noticed.")
                .arg(QDir::toNativeSeparators(instance.lockPath())));
        break;
    case SingleInstance::Claim::First:
        break;
    }
    if (!instance.socketProblem().isEmpty())
        say(instance.socketProblem());

    MainWindow window(locations.dir);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.Form_Load();
    window.rememberGeometryIn(windowmemory::file(startlocations::userStateDir()));
    window.show();
    return app.exec();
}
