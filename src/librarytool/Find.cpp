#include "librarytool/Find.h"

#include <QList>
#include <vector>

#include "errors/Error.h"
#include "librarytool/Colour.h"
#include "librarytool/WordMatch.h"
#include "store/LibraryReading.h"
#include "store/ReadOnlyLibrary.h"

namespace librarytool {
namespace {

struct Field {
    const char* label;
    QByteArray text;
};

// An item that holds every word, copied out of the scan.
struct Found {
    QByteArray category, name;
    QList<Field> texts;
};

class Printer {
public:
    Printer(const Console& console, const Words& words, bool colour, QString file)
        : out_(console.out), words_(words), colour_(colour), file_(std::move(file)) {}

    void print(const Found& item) {
        QByteArray heading;
        if (!file_.isEmpty())
            heading += painted(file_.toUtf8(), colour::Part::File) +
                       painted(":", colour::Part::Separator) + ' ';
        heading += item.category + painted(" / ", colour::Part::Separator) +
                   marked(item.name, words_.places(item.name));
        out_.write(heading + '\n');
        for (const Field& field : item.texts) printLines(field);
    }

private:
    QByteArray painted(const QByteArray& text, colour::Part part) const {
        return colour_ ? colour::start(part) + text + colour::end() : text;
    }

    QByteArray marked(QByteArrayView text, const QList<ByteRange>& ranges,
                      qsizetype offset = 0) const {
        QByteArray line;
        qsizetype at = 0;
        for (const ByteRange& range : ranges) {
            const qsizetype from = std::max<qsizetype>(range.from - offset, at);
            const qsizetype to = std::min<qsizetype>(range.to - offset, text.size());
            if (to <= from) continue;
            line += text.sliced(at, from - at).toByteArray();
            line += painted(text.sliced(from, to - from).toByteArray(), colour::Part::Match);
            at = to;
        }
        return line + text.sliced(at).toByteArray();
    }

    // Each line that a word touches, with its number; a line end of \r\n
    // is shown as a plain line end.
    void printLines(const Field& field) {
        const QList<ByteRange> ranges = words_.places(field.text);
        if (ranges.isEmpty()) return;
        const QByteArrayView text(field.text);
        qsizetype lineStart = 0;
        qsizetype number = 1;
        auto range = ranges.cbegin();
        while (range != ranges.cend()) {
            qsizetype lineEnd = text.indexOf('\n', lineStart);
            if (lineEnd < 0) lineEnd = text.size();
            if (range->from < lineEnd || (range->from == lineEnd && range->to > lineEnd)) {
                qsizetype shownEnd = lineEnd;
                if (shownEnd > lineStart && text[shownEnd - 1] == '\r') --shownEnd;
                QList<ByteRange> onLine;
                for (auto r = range; r != ranges.cend() && r->from < lineEnd; ++r) onLine << *r;
                out_.write("  " + painted(field.label, colour::Part::LineNumber) +
                           painted(":", colour::Part::Separator) +
                           painted(QByteArray::number(number), colour::Part::LineNumber) +
                           painted(":", colour::Part::Separator) +
                           marked(text.sliced(lineStart, shownEnd - lineStart), onLine, lineStart) +
                           '\n');
            }
            while (range != ranges.cend() && range->to <= lineEnd + 1) ++range;
            if (lineEnd == text.size()) break;
            lineStart = lineEnd + 1;
            ++number;
        }
    }

    QIODevice& out_;
    const Words& words_;
    bool colour_;
    QString file_;
};

// Scans one library; returns how many items it printed.
qsizetype searchLibrary(const QString& path, const Request& request, Printer& printer) {
    Words words(request.words);
    const store::ReadOnlyLibrary reading(path);
    const store::ReadSnapshot snapshot(reading.library());
    std::vector<char> found;
    qsizetype printed = 0;
    const auto parts =
        request.namesOnly ? store::ItemParts::Names : store::ItemParts::NamesAndTexts;
    store::forEachItem(reading.library(), parts, [&](const store::ItemView& item) {
        found.assign(static_cast<size_t>(words.count()), 0);
        qsizetype missing = words.count();
        for (const store::ValueView* value :
             {&item.name, &item.code, &item.declares, &item.notes}) {
            missing -= words.markFound(value->bytes, found);
            if (missing == 0) break;
            if (request.namesOnly) return;
        }
        if (missing > 0) return;
        Found hit{item.category.bytes.toByteArray(), item.name.bytes.toByteArray(), {}};
        if (!request.namesOnly)
            hit.texts = {{"code", item.code.bytes.toByteArray()},
                         {"declarations", item.declares.bytes.toByteArray()},
                         {"notes", item.notes.bytes.toByteArray()}};
        // Printed as it is found, so that the first results show at once.
        printer.print(hit);
        ++printed;
    });
    return printed;
}

}  // namespace

int find(const Request& request, const Console& console) {
    const bool colour = colour::wanted(request.colour, console.outIsTerminal, console.term);
    const bool several = request.libraries.size() > 1;
    const Words words(request.words);
    bool failed = false;
    qsizetype printed = 0;
    for (const QString& library : request.libraries) {
        Printer printer(console, words, colour, several ? library : QString());
        try {
            printed += searchLibrary(library, request, printer);
        } catch (const errors::Error& e) {
            sayError(console, e.text());
            failed = true;
        }
    }
    if (failed) return Failure;
    return printed > 0 ? Success : NothingFound;
}

}  // namespace librarytool
