#include "jet/ReaderProcess.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <csignal>
#include <optional>

#include "errors/Error.h"
#include "jet/Failures.h"

namespace jet {
namespace {

// How often the reader's output and the caller's wish to stop are looked at.
constexpr int kPollMs = 50;

// A file gives at most three bytes of UTF-8 per byte it stores, and the
// stream's framing of a row takes less than sixteen times the smallest room a
// row takes in the file; a reader that hands over more runs in circles.
qint64 mostOutputFor(const QString& path) {
    return 16 * QFileInfo(path).size() + (1 << 20);
}

// Takes the reader's stream apart as it arrives and hands each record on.
class Receiver {
public:
    Receiver(const QString& path, const std::vector<TableRequest>& tables,
             const ReaderProcess::Listener& listener)
        : path_(path), tables_(tables), listener_(listener), most_(mostOutputFor(path)) {}

    // Takes the next bytes; true once the end or a failure has come.
    bool take(const QByteArray& bytes) {
        received_ += bytes.size();
        if (received_ > most_)
            damaged(path_, QStringLiteral("reading it gave far more than the file holds"));
        buffer_.append(bytes);
        while (!finished()) {
            if (buffer_.size() - at_ < stream::kHeaderSize) break;
            const char tag = buffer_[at_];
            const qint64 size = qFromLittleEndian<quint32>(buffer_.constData() + at_ + 1);
            if (buffer_.size() - at_ - stream::kHeaderSize < size) break;
            handle(tag, QByteArrayView(buffer_).sliced(at_ + stream::kHeaderSize, size));
            at_ += stream::kHeaderSize + size;
        }
        // What was handled goes, now and then, so that it is not moved often.
        if (at_ > (1 << 20) || at_ == buffer_.size()) {
            buffer_.remove(0, at_);
            at_ = 0;
        }
        return finished();
    }

    bool finished() const { return ended_ || failure_.has_value(); }
    bool ended() const { return ended_; }
    const std::optional<errors::Error>& failure() const { return failure_; }

private:
    [[noreturn]] void garbled() const { damaged(path_, QStringLiteral("reading it went wrong")); }

    void handle(char tag, QByteArrayView payload) {
        switch (tag) {
            case stream::Counts: {
                std::vector<qint64> counts;
                if (counted_ || !stream::parseCounts(payload, counts) ||
                    counts.size() != tables_.size())
                    garbled();
                counted_ = true;
                if (listener_.counted) listener_.counted(counts);
                return;
            }
            case stream::TableRow: {
                int table = 0;
                if (!counted_ || !stream::parseRow(payload, table, row_) ||
                    static_cast<size_t>(table) >= tables_.size() ||
                    row_.size() != tables_[static_cast<size_t>(table)].fields.size())
                    garbled();
                if (listener_.row) listener_.row(table, std::move(row_));
                return;
            }
            case stream::End:
                if (!counted_ || !payload.isEmpty()) garbled();
                ended_ = true;
                return;
            case stream::Failure: {
                int number = 0;
                QString text;
                if (!stream::parseFailure(payload, number, text)) garbled();
                // The reader only ever says what is wrong with the file.
                if (number != errors::JetDamaged && number != errors::JetProtected &&
                    number != errors::JetIncomplete)
                    garbled();
                failure_.emplace(number, text);
                return;
            }
            default:
                garbled();
        }
    }

    const QString& path_;
    const std::vector<TableRequest>& tables_;
    const ReaderProcess::Listener& listener_;
    const qint64 most_;
    QByteArray buffer_;
    qsizetype at_ = 0;
    qint64 received_ = 0;
    bool counted_ = false, ended_ = false;
    std::optional<errors::Error> failure_;
    Row row_;
};

QStringList argumentsFor(const QString& path, const std::vector<TableRequest>& tables,
                         ReaderProcess::Scope scope) {
    QStringList arguments;
    if (scope == ReaderProcess::Scope::Definitions) arguments << QStringLiteral("--definitions");
    arguments << path;
    for (const TableRequest& table : tables) {
        QByteArray fields;
        for (const QByteArray& field : table.fields)
            fields += (fields.isEmpty() ? "" : ",") + field;
        arguments << QString::fromLatin1(table.name + '=' + fields);
    }
    return arguments;
}

// Ends the reader, whatever it is doing.
void end(QProcess& reader) {
    if (reader.state() == QProcess::NotRunning) return;
    reader.kill();
    reader.waitForFinished(-1);
}

}  // namespace

QString ReaderProcess::programBesideThis() {
    const QString running = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(running).dir().filePath(QString::fromLatin1(kProgramName));
}

ReaderProcess::ReaderProcess(QString program, int idleLimitMs)
    : program_(std::move(program)), idleLimitMs_(idleLimitMs) {}

bool ReaderProcess::read(const QString& path, const std::vector<TableRequest>& tables, Scope scope,
                         const Listener& listener) const {
    QProcess reader;
    reader.setProgram(program_);
    reader.setArguments(argumentsFor(QFileInfo(path).absoluteFilePath(), tables, scope));
    // The reader finds nothing to write into where it runs, and what libmdb
    // says about a damaged file is no news to the user.
    reader.setWorkingDirectory(QDir::rootPath());
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.setChildProcessModifier([] {
        // A crash leaves no core file, and the reader ends with Snibbet.
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    reader.start();
    if (!reader.waitForStarted(-1))
        throw errors::Error(
            errors::ConversionFailed,
            QStringLiteral("Snibbet cannot read the library \"%1\" of the earlier Windows version: "
                           "the program that reads it, \"%2\", is missing or cannot be started. "
                           "The library is unchanged. Install Snibbet again, and start it again.")
                .arg(path, QDir::toNativeSeparators(program_)));

    Receiver receiver(path, tables, listener);
    QElapsedTimer idle;
    idle.start();
    try {
        while (!receiver.finished()) {
            if (listener.stop && listener.stop()) {
                end(reader);
                return false;
            }
            if (reader.waitForReadyRead(kPollMs)) {
                receiver.take(reader.readAllStandardOutput());
                idle.restart();
            } else if (reader.state() == QProcess::NotRunning) {
                receiver.take(reader.readAllStandardOutput());
                break;
            } else if (idle.hasExpired(idleLimitMs_)) {
                damaged(path, QStringLiteral("reading it got no further for %1 seconds")
                                  .arg(idleLimitMs_ / 1000));
            }
        }
    } catch (...) {
        end(reader);
        throw;
    }
    // Once it has said all, the reader has nothing left to do but end.
    if (!reader.waitForFinished(idleLimitMs_)) end(reader);
    if (receiver.failure()) throw *receiver.failure();
    if (!receiver.ended()) damaged(path, QStringLiteral("reading it broke off part of the way"));
    return true;
}

}  // namespace jet
