#pragma once

#include <QList>
#include <QString>

// What the settings window's number fields must hold before Save writes them. The report reads
// each as a 16-bit whole number and quietly draws nothing, or the wrong lines, from anything
// else; refusing at Save is where the user can still see why.
namespace settingscheck {

// In the order the window shows them.
enum class Field
{
    NormalLow,
    NormalHigh,
    DBMin,
    DBMax,
    MajorDivision,
    MinorDivision
};

struct Texts
{
    QString NormalLow, NormalHigh, DBMin, DBMax, MajorDivision, MinorDivision;
};

struct Problem
{
    Field field;
    QString text; // one line naming the field as the window captions it, and what it needs
};

// Every problem, in the window's order; empty when the texts may be saved.
QList<Problem> problems(const Texts &texts);

// The one message the window shows for them.
QString message(const QList<Problem> &problems);

} // namespace settingscheck
