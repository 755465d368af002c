// The INI reader and writer on an arbitrary file: every read gives a bounded one-line value,
// a write never plants a second key, and deleting what was written removes it.
#include "clsoperateini.h"
#include "fuzzcheck.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdint>

static const char *const Keys[][2] = {{"comm", "delay"},   {"comm", "settings"}, {"comm", "timeout"},
                                      {"setting", "unit"}, {"setting", "DBMax"}, {"setting", "timesplit"},
                                      {"main", "logview"}, {"SETTING", "dbmin"}, {"", ""},
                                      {"comm", "port1"},   {"[x]", "k=v"},       {"a b", " c "}};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.ini"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    clsOperateINI ini;
    ini.setINIFileName(path);
    for (const auto &k : Keys) {
        const QString value = ini.GetIniKey(QLatin1String(k[0]), QLatin1String(k[1]));
        check(value.size() <= clsOperateINI::MaxValueLength);
        check(!value.contains(u'\n'));
    }
    // A value built from the input itself, line breaks and all.
    const QString value =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(std::min<size_t>(size, 64)));
    if (ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("unit"), value)) {
        // It reads back with line breaks as blanks, less its leading blanks; trailing ones are part of it.
        QString expected = QString(value).replace(u'\r', u' ').replace(u'\n', u' ');
        expected.remove(QRegularExpression(QStringLiteral("^[ \t]+")));
        if (!expected.contains(QChar(0)))
            check(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")) == expected);
        ini.DelIniKey(QStringLiteral("setting"), QStringLiteral("unit"));
        check(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")).isEmpty());
    }
    ini.DelIniSec(QStringLiteral("comm"));
    check(ini.GetIniKey(QStringLiteral("comm"), QStringLiteral("delay")).isEmpty());
    return 0;
}
