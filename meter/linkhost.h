#pragma once

#include "readingstore.h"

#include <QDateTime>
#include <QString>

// What the meter link needs from the window that owns it. The main window implements it;
// tests implement it with a recorder and a fixed clock.
class LinkHost
{
public:
    virtual ~LinkHost() = default;

    virtual void setComInfo(const QString &caption) = 0;
    virtual void clearLog() = 0;
    virtual void addLog(const QString &line) = 0;
    // The progress bar: Max = maximum, Min = 0, Value = 0, in this order.
    virtual void setProgressRange(int maximum) = 0;
    // Value + 1, then shown and repainted at once.
    virtual void stepProgress() = 0;
    virtual void hideProgress() = 0;
    virtual void enableTimer() = 0;
    // Shown without a nested event loop; the link must be in a consistent state already.
    virtual void showMessage(const QString &text) = 0;
    virtual void drawReport() = 0;
    // The end of an upload: period "9999 Day", the period rule, a redraw, the values window.
    virtual void endOfUpload() = 0;
    virtual QString storePath() const = 0;
    virtual QString templatePath() const = 0;
    virtual QDateTime now() const = 0;

    // What a person likes to be told beside the captions; nothing by default.
    //
    // Every port of a whole round (16 in a row, since the start or the meter's last answer) was
    // tried and none answered.
    virtual void searchRoundEnded() {}
    // A meter answered the wake bytes: an upload begins.
    virtual void meterAnswered() {}

    // The store as the upload changes it. The real store by default; tests may stand in for it.
    virtual StoreResetResult resetStore() { return ResetStoreFromTemplate(storePath(), templatePath()); }
    virtual bool appendRecord(const QString &recordLine) { return SaveXmlItem(recordLine, storePath()); }
    // An upload that reset the store is over: how it ended, in the words the user saw ("" when
    // every reading arrived). Also told for a search step that failed outside an upload.
    virtual void uploadEnded(const QString &outcome) { Q_UNUSED(outcome) }
};
