#include "store/FileIdentity.h"

#include <sys/stat.h>

#include <QFile>

namespace store {

std::optional<FileIdentity> FileIdentity::of(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

}  // namespace store
