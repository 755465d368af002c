#pragma once

#include <QString>

class MeterLink;

// What an upload does around the meter's decoded answers: prepares the store, appends each
// reading and shows progress. How the upload ends or fails is the link's: these ask it.
namespace upload {

// The count answer has been taken; the link is in the records step with a fresh budget.
void countAnswer(MeterLink &link, int count);
// A reading's gathered text of at least one frame. A text longer than one frame is not stored.
void reading(MeterLink &link, const QString &gathered);

} // namespace upload
