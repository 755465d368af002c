#pragma once

// What the end-to-end upload tests share: a program directory, the meter's readings as the
// simulator takes them and as the store must hold them.
#include "programdir.h"

#include <QDateTime>
#include <QDomDocument>
#include <QtTest>

struct Reading
{
    QDateTime when;
    int value;
    bool ctrl;
    bool temp;
};

inline QString expectedLine(const Reading &r)
{
    return QStringLiteral("%1,%2,mg/dL,%3,%4")
        .arg(r.value)
        .arg(r.when.toString(QStringLiteral("yyyy-M-d H:m:00")), r.ctrl ? "Ctrl" : "-",
             r.temp ? "TEMP" : "-");
}

// The readings file of the simulator.
inline QByteArray readingsText(const QVector<Reading> &readings)
{
    QByteArray out;
    for (const Reading &r : readings)
        out += r.when.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toLatin1() + ' ' +
               QByteArray::number(r.value) + (r.ctrl ? " ctrl" : "") + (r.temp ? " temp" : "") + '\n';
    return out;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QStringList storeItems(const QByteArray &bytes)
{
    QDomDocument doc;
    if (!doc.setContent(bytes))
        return {QStringLiteral("<not a store>")};
    QStringList out;
    const QDomNodeList items = doc.documentElement().firstChildElement(QStringLiteral("xt")).childNodes();
    for (int i = 0; i < items.size(); ++i)
        out << items.at(i).toElement().text();
    return out;
}

// A program directory with the installed template, `store` and settings whose ports lead to `devices`.
inline bool setUpProgramDir(const ProgramDir &dir, const QByteArray &store, const QByteArray &comm,
                            const QList<QByteArray> &devices)
{
    QByteArray ini = "[comm]\n" + comm + "settings=9600,n,8,1\nusercommport=1\n";
    for (int port = 1; port <= 16; ++port)
        ini += "port" + QByteArray::number(port) + '=' + devices.value(port - 1, devices.last()) + '\n';
    ini += "[setting]\nunit=mg/dl\ntimesplit=ALL\nNormalLow=80\nNormalHigh=110\nDBMin=20\nDBMax=600\n"
           "MajorDivision=6\nMinorDivision=2\n[main]\nlogview=0\n";
    return QDir().mkpath(QFileInfo(dir.templatePath()).path()) && QDir().mkpath(dir.dataDir()) &&
           QFile::copy(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml"), dir.templatePath()) &&
           writeFile(dir.storePath(), store) && writeFile(dir.iniPath(), ini);
}
