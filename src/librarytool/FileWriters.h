#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace librarytool {

// Writes new files on threads of their own. Making a file costs the file
// system far more than its bytes cost to read from the library, and on a
// machine with more than one core the file system makes several at once.
class FileWriters {
public:
    struct File {
        QByteArray path;
        QByteArray bytes;
    };

    FileWriters();
    // Waits for the files handed over so far.
    ~FileWriters();
    FileWriters(const FileWriters&) = delete;
    FileWriters& operator=(const FileWriters&) = delete;

    // Hands files over, waiting while many are still to be written; false
    // once a thread has failed (finish() then says why). Their folders are
    // made beforehand, on one thread: threads that make folders in the same
    // folder at once wait on each other in the kernel (an export of 100,000
    // items took 69 s so, against 14 s).
    bool write(QList<File> files);
    // Waits until every file handed over is written; the first failure, if
    // any, in words for the user.
    std::optional<QString> finish();

    // How many files have been written so far.
    qint64 written() const;

private:
    void run();

    static constexpr std::size_t kMostWaiting = 256;
    mutable std::mutex mutex_;
    std::condition_variable work_, room_;
    std::deque<QList<File>> waiting_;
    bool closing_ = false;
    qint64 written_ = 0;
    std::optional<QString> failure_;
    std::vector<std::thread> threads_;
};

// Writes one new file, refusing to replace one; the failure in words.
std::optional<QString> writeNewFile(const QByteArray& path, QByteArrayView bytes);
// Makes one new folder; the failure in words.
std::optional<QString> makeNewFolder(const QByteArray& path);

}  // namespace librarytool
