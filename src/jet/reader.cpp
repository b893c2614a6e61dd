// snibbet-jet-reader: reads the tables of a Jet file of the earlier Windows
// version and writes them to its standard output, for Snibbet, which runs it
// in a process of its own so that a damaged file cannot harm Snibbet.
//   snibbet-jet-reader [--definitions] FILE TABLE=FIELD,FIELD... ...
// Writes the rows each table's definition records, then (unless
// --definitions) every row in table order, then the end; or what is wrong
// with the file. Nothing is ever written to the file or beside it.
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors/Error.h"
#include "jet/Database.h"
#include "jet/Stream.h"

namespace {

// Hands the stream on in pieces large enough to cost few system calls.
class Output {
public:
    ~Output() { flush(); }
    QByteArray& buffer() { return buffer_; }
    void flushIfFull() {
        if (buffer_.size() >= (1 << 18)) flush();
    }
    void flush() {
        for (qsizetype written = 0; written < buffer_.size();) {
            const ssize_t n = ::write(STDOUT_FILENO, buffer_.constData() + written,
                                      static_cast<size_t>(buffer_.size() - written));
            if (n < 0 && errno == EINTR) continue;
            // Snibbet has stopped listening: nobody wants the rest.
            if (n <= 0) ::_exit(3);
            written += n;
        }
        buffer_.clear();
    }

private:
    QByteArray buffer_;
};

struct Request {
    QByteArray table;
    std::vector<QByteArray> fields;
};

void read(const QString& path, const std::vector<Request>& requests, bool rows, Output& out) {
    const jet::Database database = jet::Database::open(path);
    std::vector<jet::Database::Table> tables;
    std::vector<qint64> counts;
    for (const Request& request : requests) {
        tables.push_back(database.table(request.table, request.fields));
        counts.push_back(tables.back().rowCount());
    }
    jet::stream::appendCounts(out.buffer(), counts);
    out.flush();  // Snibbet sizes its progress bar by them
    if (rows) {
        jet::Row row;
        for (size_t t = 0; t < tables.size(); ++t)
            while (tables[t].next(row)) {
                jet::stream::appendRow(out.buffer(), static_cast<int>(t), row);
                out.flushIfFull();
            }
    }
    jet::stream::appendEnd(out.buffer());
}

}  // namespace

int main(int argc, char* argv[]) {
    int first = 1;
    const bool rows = !(argc > 1 && std::strcmp(argv[1], "--definitions") == 0);
    if (!rows) ++first;
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: %s [--definitions] FILE TABLE=FIELD,FIELD... ...\n", argv[0]);
        return 2;
    }
    std::vector<Request> requests;
    for (int i = first + 1; i < argc; ++i) {
        const QList<QByteArray> parts = QByteArray(argv[i]).split('=');
        if (parts.size() != 2 || parts[0].isEmpty() || parts[1].isEmpty()) {
            std::fprintf(stderr, "%s: not TABLE=FIELD,FIELD...: %s\n", argv[0], argv[i]);
            return 2;
        }
        Request request{parts[0], {}};
        for (const QByteArray& field : parts[1].split(',')) request.fields.push_back(field);
        requests.push_back(request);
    }

    Output out;
    try {
        read(QFile::decodeName(argv[first]), requests, rows, out);
    } catch (const errors::Error& e) {
        out.buffer().clear();
        jet::stream::appendFailure(out.buffer(), e.number(), e.text());
        return 1;
    }
    return 0;
}
