#include "uploadimport.h"

#include "frameparser.h"
#include "linkhost.h"
#include "linkmessages.h"
#include "meterlink.h"

namespace upload {

namespace {

// The store could not take this upload. Nothing is reported as done: no end of upload, no
// "9999 Day". The search first waits out a budget with the port closed, as after an upload.
void storeFailure(MeterLink &link, const QString &message)
{
    LinkHost &host = link.host();
    link.linkstep = MeterLink::Search;
    link.waitleft = link.waitload;
    host.hideProgress();
    host.enableTimer();
    host.showMessage(message);
}

} // namespace

void countAnswer(MeterLink &link, int count)
{
    LinkHost &host = link.host();
    link.setAnnounced(count);
    host.setProgressRange(count + 1);
    if (count == 0) {
        link.linkstep = MeterLink::End;
        host.hideProgress();
        host.enableTimer();
        host.showMessage(linkmessages::noDatabase());
        return;
    }
    switch (host.resetStore()) {
    case StoreResetResult::Ok:
        return;
    case StoreResetResult::BackupFailed:
        // Overwriting the only copy of the readings with the empty template would lose them.
        storeFailure(link, linkmessages::backupFailed(host.storePath()));
        return;
    case StoreResetResult::TemplateFailed:
        storeFailure(link, linkmessages::templateFailed(host.storePath(), host.templatePath()));
        return;
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
    if (gathered.size() > frameparser::FrameDigits || !frameparser::hasValidDateTime(decoded, today)) {
        link.linkstep = MeterLink::End;
        host.hideProgress();
        host.enableTimer();
        host.showMessage(linkmessages::uploadUnsucceed());
        return;
    }
    const QString line = frameparser::recordLine(decoded, today);
    if (!host.appendRecord(line)) {
        const int position = link.announced() - link.valuecount + 1;
        storeFailure(link, linkmessages::appendFailed(host.storePath(), position, link.announced()));
        return;
    }
    --link.valuecount;
    link.waitleft = link.waitload;
    host.stepProgress();
    if (link.valuecount > 0) {
        link.flashramstr.clear();
        link.waitleft = link.waitload;
        return;
    }
    link.linkstep = MeterLink::End;
    host.hideProgress();
    host.drawReport();
    host.enableTimer();
    link.flashramstr.clear();
    link.waitleft = link.waitload;
}

} // namespace upload
