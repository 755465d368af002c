#include "recordline.h"

RecordSpans RecordSpans::cut(QStringView line)
{
    // One walk over the characters: a report cuts every stored line, and a search per field
    // costs more than the short line itself.
    RecordSpans fields;
    const QChar *const begin = line.data();
    const qsizetype n = line.size();
    int field = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (begin[i] != u',')
            continue;
        fields.from[field] = start;
        fields.size[field] = i - start;
        start = i + 1;
        if (++field == FieldCount)
            return fields;
    }
    fields.from[field] = start;
    fields.size[field] = n - start;
    return fields;
}

RecordFields recordFields(QStringView line)
{
    const RecordSpans spans = RecordSpans::cut(line);
    return {spans.of(line, RecordSpans::Value).toString(), spans.of(line, RecordSpans::DateTime).toString(),
            spans.of(line, RecordSpans::CtrlMark).toString(),
            spans.of(line, RecordSpans::TempMark).toString()};
}
