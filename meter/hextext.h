#pragma once

#include <QByteArray>
#include <QString>

// The link works on the meter's bytes as hexadecimal text: two upper-case digits per byte.
namespace hextext {

// "0AFF" for the bytes 0A FF; empty for no bytes.
QString chunkText(const QByteArray &bytes);

} // namespace hextext

// The value of a text of hexadecimal digits, either case. Empty text, text of 25 or more
// characters, or text holding anything but hexadecimal digits gives 0. A value beyond 64 bits
// (more than 16 significant digits) gives the largest 64-bit value rather than wrapping.
quint64 hex_to_num(const QString &text);
