#include "uploadimport.h"

#include "frameparser.h"
#include "linkhost.h"
#include "linkmessages.h"
#include "meterlink.h"

namespace upload {

void countAnswer(MeterLink &link, int count)
{
    LinkHost &host = link.host();
    host.setProgressRange(count + 1);
    if (count == 0)
        return link.endUpload(linkmessages::noDatabase());
    switch (host.resetStore()) {
    case StoreResetResult::Ok:
        return;
    case StoreResetResult::BackupFailed:
        // Overwriting the only copy of the readings with the empty template would lose them.
        return link.failStore(linkmessages::backupFailed(host.storePath()));
    case StoreResetResult::TemplateFailed:
        return link.failStore(linkmessages::templateFailed(host.storePath(), host.templatePath()));
    }
}

void reading(MeterLink &link, const QString &gathered)
{
    LinkHost &host = link.host();
    const QDate today = host.now().date();
    const frameparser::Reading decoded = frameparser::decodeFrame(gathered);
    // Two answers run together, garbage after a frame, or ten bytes of noise that cannot be a
    // reading: none of it is stored, since a wrong reading in a health record is worse than a
    // missing one. The upload still ends in the usual way.
    if (gathered.size() > frameparser::FrameDigits || !frameparser::hasValidDateTime(decoded, today))
        return link.endUpload(linkmessages::uploadUnsucceed());
    if (!host.appendRecord(frameparser::recordLine(decoded, today))) {
        const int position = link.announced() - link.remaining() + 1;
        return link.failStore(linkmessages::appendFailed(host.storePath(), position, link.announced()));
    }
    link.readingStored();
}

} // namespace upload
