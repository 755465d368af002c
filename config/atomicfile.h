#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>

// Replaces a file's whole content so that a crash, a full disk or a size limit leaves either
// the old file or the new one, never a mixture. Permissions, when given, are set on the new
// file before it takes the old one's place; otherwise an existing file's are kept and a new
// file is private. A symbolic
// link, a folder or a read-only file at the name is refused, never written through. On failure
// `error`, when given, says why in a sentence a person understands.
bool writeFileAtomically(const QString &path, const QByteArray &bytes,
                         std::optional<QFileDevice::Permissions> permissions = std::nullopt,
                         QString *error = nullptr);
