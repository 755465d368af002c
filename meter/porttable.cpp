#include "porttable.h"

#include "clsoperateini.h"

#include <QFileInfo>

namespace porttable {

QString defaultDevice(int port)
{
    if (port < FirstPort || port > LastPort)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    constexpr int UsbSerialPorts = 4;
    constexpr int UsbModemPorts = 4;
    if (port <= UsbSerialPorts)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    if (port <= UsbSerialPorts + UsbModemPorts)
        return QStringLiteral("/dev/ttyACM%1").arg(port - 1 - UsbSerialPorts);
    return QStringLiteral("/dev/ttyS%1").arg(port - 1 - UsbSerialPorts - UsbModemPorts);
#endif
}

QString device(int port, const QString &iniPath)
{
    if (port < FirstPort || port > LastPort)
        return {};
    if (!iniPath.isEmpty()) {
        clsOperateINI ini;
        ini.setINIFileName(iniPath);
        const QString custom =
            ini.GetIniKey(QStringLiteral("comm"), QStringLiteral("port%1").arg(port)).trimmed();
        if (!custom.isEmpty())
            return custom;
    }
    return defaultDevice(port);
}

bool isPluggedIn(const QString &device)
{
    const QFileInfo info(device);
    const QString target = info.canonicalFilePath();
    const QString name = QFileInfo(target.isEmpty() ? device : target).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

} // namespace porttable
