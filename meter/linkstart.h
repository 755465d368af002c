#pragma once

#include <QString>

// What the start reads from the settings file for the link: the timer's period, the line settings, the tick
// budget of each step and the first port tried.
struct LinkStart
{
    // Used when the settings lack a key or hold something that is not a number.
    static constexpr qint32 DefaultDelayMs = 100;
    static constexpr qint16 DefaultTimeoutTicks = 20;
    // The end commands of an upload may hold up the closing of the port this many ticks at most.
    static constexpr int EndWriteWaitTicks = 2;

    // comm / delay: Timer1's interval in milliseconds, halves to even; 0 or less gives no ticks
    // (and reads as 0).
    qint32 delayMs = DefaultDelayMs;
    // comm / settings: the line settings text, unchanged (the serial control judges it).
    QString settings;
    // comm / timeout: waitload, halves to even; a number beyond 16 bits is clamped, not wrapped.
    qint16 waitload = DefaultTimeoutTicks;
    // The search always begins at port 1: comm / usercommport, which the settings window writes,
    // is not read by the link.
    qint16 comport = 1;

    // How long the end of an upload waits for its end commands to leave before the port closes.
    int endWriteWaitMs() const { return EndWriteWaitTicks * (delayMs > 1 ? delayMs : 1); }
};

// Reads the link's keys of the settings file at iniPath. A missing or unreadable file gives the
// defaults, as a missing key does.
LinkStart readLinkStart(const QString &iniPath);
