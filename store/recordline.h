#pragma once

#include <QString>
#include <QStringView>

// A record line, "value,date-time,unit,control mark,temperature mark", cut once into the places
// of its fields. A field is read from the line when it is needed, so a report over every stored
// reading makes no string for a field nobody looks at. A short line leaves the missing fields
// empty; fields past the fifth are ignored.
struct RecordSpans
{
    enum Field
    {
        Value,
        DateTime,
        Unit,
        CtrlMark,
        TempMark,
        FieldCount
    };

    static RecordSpans cut(QStringView line);

    QStringView of(QStringView line, Field field) const { return line.mid(from[field], size[field]); }

    qsizetype from[FieldCount] = {};
    qsizetype size[FieldCount] = {};
};

// A stored record line cut into the fields people read: value (mg/dL), date-time text and the
// two marks, cut by RecordSpans so every reader splits a line the same way. Missing fields are
// empty.
struct RecordFields
{
    QString valueText;
    QString dateText;
    QString ctrlMark;
    QString tempMark;
};
RecordFields recordFields(QStringView recordLine);
