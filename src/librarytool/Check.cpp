#include "librarytool/Check.h"

#include <QFileInfo>
#include <optional>

#include "errors/Error.h"
#include "store/Library.h"
#include "store/LibraryReading.h"
#include "store/LogFiles.h"
#include "store/LogOwner.h"
#include "store/ReadOnlyLibrary.h"
#include "store/TidyUp.h"

namespace librarytool {
namespace {

class Report {
public:
    explicit Report(const Console& console) : console_(console) {}

    void line(const QString& topic, const QString& finding) {
        lines_ += QStringLiteral("  %1: %2\n").arg(topic, finding);
    }
    void problem(const QString& topic, const QString& finding, int status) {
        line(topic, finding);
        status_ = std::max(status_, status);
    }
    int finish(const QString& path) {
        const QString verdict =
            status_ == Success ? QStringLiteral("sound") : QStringLiteral("not sound");
        console_.out.write((QStringLiteral("%1: %2\n").arg(path, verdict) + lines_).toUtf8());
        return status_;
    }

private:
    const Console& console_;
    QString lines_;
    int status_ = Success;
};

QString counted(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString bytes(qint64 count) {
    return count == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(count);
}

void checkLog(const QString& path, const store::LogBeside& log, bool inUse, Report& report) {
    const QString name = QStringLiteral("\"%1-wal\"").arg(path.section(QLatin1Char('/'), -1));
    if (!log.present)
        report.line(QStringLiteral("log"), QStringLiteral("none beside it"));
    else if (inUse)
        report.line(QStringLiteral("log"),
                    QStringLiteral("%1, %2, in use by the program that has the library open")
                        .arg(name, bytes(log.bytes)));
    else if (log.bytes == 0)
        report.line(QStringLiteral("log"),
                    QStringLiteral("%1 was left beside it, empty: it holds no changes").arg(name));
    else if (store::logowner::leftLogOf(path) == store::logowner::LeftLog::Foreign)
        report.problem(QStringLiteral("log"),
                       QStringLiteral("%1 was left beside it, %2, but it was written for another "
                                      "file (the library was restored or replaced since): this "
                                      "check read the file without it, and Snibbet never applies "
                                      "it but moves it, unchanged, into \"Snibbet backups\" when "
                                      "it next opens the library.")
                           .arg(name, bytes(log.bytes)),
                       NothingFound);
    else
        report.problem(QStringLiteral("log"),
                       QStringLiteral("%1 was left beside it, %2, by a program that ended without "
                                      "closing the library: it may hold changes that are not in "
                                      "the file. Snibbet applies it when it next opens the "
                                      "library.")
                           .arg(name, bytes(log.bytes)),
                       NothingFound);
}

// The library's content, read in one state of the file.
void checkContent(const store::Library& library, bool inUse, Report& report) {
    const store::ReadSnapshot snapshot(library);
    const QStringList damage = store::integrityProblems(library);
    if (damage.isEmpty())
        report.line(QStringLiteral("integrity"), QStringLiteral("ok"));
    else
        report.problem(QStringLiteral("integrity"),
                       QStringLiteral("damaged: %1. Restore it from a backup copy.")
                           .arg(damage.join(QLatin1String("; "))),
                       Failure);
    const store::RowCounts counts = store::countRows(library);
    report.line(QStringLiteral("rows"),
                QStringLiteral("%1, %2").arg(counted(counts.categories, "category", "categories"),
                                             counted(counts.items, "item", "items")));
    if (store::TidyUp::isTidy(library))
        report.line(QStringLiteral("tidy"),
                    QStringLiteral("yes: stored sorted, as closing Snibbet leaves it"));
    else if (inUse)
        report.line(
            QStringLiteral("tidy"),
            QStringLiteral("no, but it is open in a program now; closing Snibbet sorts it"));
    else
        report.problem(QStringLiteral("tidy"),
                       QStringLiteral("no: it holds unnamed rows or rows out of order, as after a "
                                      "crash or a change by another program; the next close of "
                                      "Snibbet sorts it"),
                       NothingFound);
}

int checkLibrary(const QString& path, const Console& console) {
    Report report(console);
    // Looked at before this program opens the file, whose own connection
    // would count as a program that has it open.
    const bool inUse = store::libraryInUse(path);
    const store::LogBeside log = store::logBeside(path);
    std::optional<store::ReadOnlyLibrary> reading;
    try {
        reading.emplace(path);
    } catch (const errors::Error& e) {
        report.problem(QStringLiteral("library"), QStringLiteral("no: %1").arg(e.text()), Failure);
    }
    if (reading) {
        report.line(QStringLiteral("library"),
                    QStringLiteral("yes: a database with the tables and fields Snibbet needs"));
        if (const auto problem = store::Library::writeProblem(path))
            report.problem(QStringLiteral("writable"), problem->text(), NothingFound);
        try {
            checkContent(reading->library(), inUse, report);
        } catch (const errors::Error& e) {
            report.problem(QStringLiteral("integrity"), QStringLiteral("damaged: %1").arg(e.text()),
                           Failure);
        }
        reading.reset();
    }
    if (QFileInfo::exists(path)) checkLog(path, log, inUse, report);
    return report.finish(path);
}

}  // namespace

int check(const Request& request, const Console& console) {
    int status = Success;
    for (const QString& library : request.libraries)
        status = std::max(status, checkLibrary(library, console));
    return status;
}

}  // namespace librarytool
