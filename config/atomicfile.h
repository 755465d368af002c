#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>

// Replaces a file's whole content so that a crash, a full disk or a size limit leaves either
// the old file or the new one, never a mixture. Permissions, when given, are set on the new
// file before it takes the old one's place.
bool writeFileAtomically(const QString &path, const QByteArray &bytes,
                         std::optional<QFileDevice::Permissions> permissions = std::nullopt);
