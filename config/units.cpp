#include "units.h"

#include "numbertext.h"

namespace units {

QString mmolText(double mgdl)
{
    return numbertext::oneDecimal(mgdl / MgPerMmol);
}

} // namespace units
