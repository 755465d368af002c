#pragma once

#include <QString>

// The n-th reading the crash test's appender writes: the store must hold 0, 1, 2 ... in order.
inline QString appenderLine(int n)
{
    return QStringLiteral("%1,2012-5-6 9:5:00,mg/dL,-,-").arg(n);
}
