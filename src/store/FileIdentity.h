#pragma once

#include <QString>
#include <optional>

namespace store {

// Which file a path leads to (its device and inode): another program may
// replace or remove the library while Snibbet has it open.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    static std::optional<FileIdentity> of(const QString& path);
    bool operator==(const FileIdentity&) const = default;
};

}  // namespace store
