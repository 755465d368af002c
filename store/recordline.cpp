#include "recordline.h"

RecordFields RecordFields::cut(QStringView line)
{
    RecordFields fields;
    qsizetype start = 0;
    for (int f = 0; f < FieldCount; ++f) {
        const qsizetype comma = line.indexOf(u',', start);
        const qsizetype end = comma < 0 ? line.size() : comma;
        fields.from[f] = start;
        fields.size[f] = end - start;
        if (comma < 0)
            break;
        start = comma + 1;
    }
    return fields;
}
