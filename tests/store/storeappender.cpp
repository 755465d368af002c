// Helper of tst_storekill: appends readings first, first+1, ... to the store until killed,
// writing each number to stdout once its append has returned.
//   store_appender <store path> <first>

#include "appenderline.h"
#include "readingstore.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const QString store = QString::fromLocal8Bit(argv[1]);
    for (int n = std::atoi(argv[2]);; ++n) {
        if (!SaveXmlItem(appenderLine(n), store))
            return 1;
        char line[16];
        const int size = std::snprintf(line, sizeof line, "%d\n", n);
        if (::write(STDOUT_FILENO, line, size) != size)
            return 3;
    }
}
