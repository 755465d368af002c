#pragma once

#include <QDate>
#include <QString>

// The meter's answers, as hexadecimal text, turned into what the program keeps.
namespace frameparser {

// The count answer needs 5 bytes; anything after them is ignored.
constexpr int CountAnswerDigits = 10;
// A reading frame is exactly 10 bytes.
constexpr int FrameDigits = 20;

// The number of readings in a count answer of at least CountAnswerDigits digits (bytes 3-4,
// high byte first).
int readingCount(const QString &answer);

struct Reading
{
    int year = 0; // year within the century, as the meter sends it
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int value = 0; // mg/dL
    bool control = false;
    bool temperature = false;
};

// Decodes a frame of exactly FrameDigits digits. Nothing in the frame is checked.
Reading decodeFrame(const QString &frame);

// Whether the frame's date and time can be a moment at all (year 0..99 of today's century, a real
// day, hour 0..23, minute 0..59). Noise that happens to begin with FC rarely is one, and a reading
// with an impossible date would sit in the store as if taken on the report's end date.
bool hasValidDateTime(const Reading &reading, const QDate &today);

// The record line the store keeps, e.g. "123,2026-3-5 14:7:00,mg/dL,Ctrl,-". The meter only
// sends the year within the century, so the century comes from today's date. Years 0..9 are
// written with two digits after the century (2005), never as a three-digit year.
QString recordLine(const Reading &reading, const QDate &today);

} // namespace frameparser
