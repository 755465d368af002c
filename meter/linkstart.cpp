#include "linkstart.h"

#include "clsoperateini.h"
#include "numbertext.h"

#include <algorithm>

LinkStart readLinkStart(const QString &iniPath)
{
    clsOperateINI ini;
    ini.setINIFileName(iniPath);
    const auto comm = [&ini](const char *key) {
        return ini.GetIniKey(QStringLiteral("comm"), QLatin1String(key));
    };

    LinkStart start;
    if (const auto delay = numbertext::toInt32(comm("delay")))
        start.delayMs = std::max(*delay, 0);
    start.settings = comm("settings");
    if (const auto timeout = numbertext::toNumber(comm("timeout"))) {
        const double r = numbertext::roundHalfEven(*timeout);
        start.waitload = qint16(std::clamp(r, -32768.0, 32767.0));
    }
    return start;
}
