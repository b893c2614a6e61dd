#include "librarytool/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <optional>

namespace librarytool {
namespace {

constexpr char kProgram[] = "snibbet-library";

QString program() {
    return QString::fromLatin1(kProgram);
}

const char* const kSummary =
    R"txt(Finds snippets in a Snibbet library, checks a library, exports it as files.

Commands:
  find WORDS... [LIBRARY...]  every item whose name, code, declarations or notes
                              holds all the words, ignoring letter case
  check [LIBRARY...]          whether each file is a sound library Snibbet can open
  export LIBRARY|- FOLDER     every category and item as folders, its texts as files

A LIBRARY left out (or given as - to check and export) is Snibbet.mdb beside
this program: the library Snibbet works with. A library is only read, never changed, also while
Snibbet has it open.

Run "snibbet-library COMMAND --help" for a command's options.
Exit status: 0 when all went well (find: something was found), 1 when find
found nothing or check found a library not sound, 2 on an error.)txt";

const char* const kFindDescription =
    R"txt(Prints every item whose name, code, declarations or notes holds all the WORDS,
ignoring letter case as Snibbet compares names ("Größe" finds "GRÖSSE" only where
each letter has a case pair: "ß" stays "ß"). A word may be several words in
quotes, found as they stand. Each item found is printed as "Category / Item",
followed by every line that holds a word, with its panel and line number.

The trailing arguments that end in .mdb are the libraries to search (for
example every copy in "Snibbet backups"); with several, each result names its
file. To find a word that ends in .mdb or starts with -, give it with -e.
Exit status: 0 when an item was found, 1 when none was, 2 on an error.)txt";

const char* const kCheckDescription =
    R"txt(Checks each library file: whether Snibbet can open it (a database with its
tables and fields, which Snibbet may write to), the engine's integrity check, the
counts of categories and items, whether it is tidy (stored sorted, as closing
Snibbet leaves it) and whether a log of changes not yet in the file was left
beside it. A library Snibbet has open is checked as it stands.
Exit status: 0 when every file is sound, 1 when one is untidy, has a log left
beside it or cannot be written, 2 when one is missing, not a library or damaged.)txt";

const char* const kExportDescription =
    R"txt(Writes every category of the library as a folder in FOLDER, every item as a
folder in its category's, and the item's texts as code.txt, declarations.txt and
notes.txt, byte for byte as stored. Names become safe folder names: characters
that a file name cannot hold are written as %XX, and names that would clash get
" (2)", " (3)", ... The manifest snibbet-export.json records each folder's exact
name, stored order and value type. FOLDER must be empty or not yet exist.
LIBRARY - is Snibbet.mdb beside this program.)txt";

struct Parser {
    QCommandLineParser parser;
    QString usage;
};

void addCommonOptions(QCommandLineParser& parser) {
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("Shows the version.")));
}

QString helpOf(const QString& usage, const char* description, const QCommandLineParser& parser) {
    // The parser's own help starts with its usage line and the description;
    // only its list of options is kept.
    QString options = parser.helpText();
    options = options.mid(options.indexOf(QLatin1String("Options:")));
    return QStringLiteral("Usage: %1\n\n%2\n\n%3")
        .arg(usage, QString::fromUtf8(description), options);
}

// grep's --color takes its value optionally; the parser wants one.
QStringList withColourValue(QStringList arguments) {
    for (QString& argument : arguments) {
        if (argument == QLatin1String("--")) break;
        if (argument == QLatin1String("--color") || argument == QLatin1String("--colour"))
            argument += QLatin1String("=auto");
    }
    return arguments;
}

Colour colourOf(const QString& when, const QString& usage) {
    if (when == QLatin1String("always") || when == QLatin1String("yes") ||
        when == QLatin1String("force"))
        return Colour::Always;
    if (when == QLatin1String("never") || when == QLatin1String("no") ||
        when == QLatin1String("none"))
        return Colour::Never;
    if (when == QLatin1String("auto") || when == QLatin1String("tty") ||
        when == QLatin1String("if-tty"))
        return Colour::Auto;
    throw UsageError(QStringLiteral("--color takes never, always or auto, not \"%1\".").arg(when),
                     usage);
}

// A request for the help of a command, or for the version, which asks nothing
// more of the command line.
std::optional<Request> helpOrVersion(const QCommandLineParser& parser, const QString& usage,
                                     const char* description) {
    Request request;
    if (parser.isSet(QStringLiteral("help"))) {
        request.helpText = helpOf(usage, description, parser);
        return request;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        request.command = Command::Version;
        return request;
    }
    return std::nullopt;
}

bool namesALibrary(const QString& argument) {
    return argument.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive);
}

Request parseFind(const QStringList& arguments, const QString& defaultLibrary) {
    const QString usage =
        QStringLiteral("%1 find [--names] [--color=WHEN] WORDS... [LIBRARY...]").arg(program());
    QCommandLineParser parser;
    addCommonOptions(parser);
    parser.addOption(QCommandLineOption(QStringLiteral("names"),
                                        QStringLiteral("Searches the names of the items only.")));
    parser.addOption(QCommandLineOption(
        {QStringLiteral("color"), QStringLiteral("colour")},
        QStringLiteral("Marks the words found in colour: never, always, or auto (the default: "
                       "when the output is a terminal)."),
        QStringLiteral("WHEN")));
    parser.addOption(QCommandLineOption(
        {QStringLiteral("e"), QStringLiteral("word")},
        QStringLiteral("A word to find (may be given more than once); every other argument is "
                       "then a library."),
        QStringLiteral("WORD")));
    if (!parser.parse(withColourValue(arguments))) throw UsageError(parser.errorText(), usage);

    if (auto asked = helpOrVersion(parser, usage, kFindDescription)) return *asked;
    Request request;
    request.command = Command::Find;
    request.namesOnly = parser.isSet(QStringLiteral("names"));
    if (parser.isSet(QStringLiteral("color")))
        request.colour = colourOf(parser.value(QStringLiteral("color")), usage);
    QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("word"))) {
        request.words = parser.values(QStringLiteral("word"));
        request.libraries = positional;
    } else {
        qsizetype firstLibrary = positional.size();
        while (firstLibrary > 0 && namesALibrary(positional[firstLibrary - 1])) --firstLibrary;
        request.words = positional.mid(0, firstLibrary);
        request.libraries = positional.mid(firstLibrary);
    }
    if (request.words.isEmpty()) throw UsageError(QStringLiteral("Name a word to find."), usage);
    for (const QString& word : request.words)
        if (word.isEmpty())
            throw UsageError(QStringLiteral("A word to find cannot be empty."), usage);
    if (request.libraries.isEmpty()) request.libraries << defaultLibrary;
    return request;
}

Request parseCheck(const QStringList& arguments, const QString& defaultLibrary) {
    const QString usage = QStringLiteral("%1 check [LIBRARY...]").arg(program());
    QCommandLineParser parser;
    addCommonOptions(parser);
    if (!parser.parse(arguments)) throw UsageError(parser.errorText(), usage);
    if (auto asked = helpOrVersion(parser, usage, kCheckDescription)) return *asked;
    Request request;
    request.command = Command::Check;
    for (const QString& library : parser.positionalArguments())
        request.libraries << (library == QLatin1String("-") ? defaultLibrary : library);
    if (request.libraries.isEmpty()) request.libraries << defaultLibrary;
    return request;
}

Request parseExport(const QStringList& arguments, const QString& defaultLibrary) {
    const QString usage = QStringLiteral("%1 export LIBRARY|- FOLDER").arg(program());
    QCommandLineParser parser;
    addCommonOptions(parser);
    if (!parser.parse(arguments)) throw UsageError(parser.errorText(), usage);
    if (auto asked = helpOrVersion(parser, usage, kExportDescription)) return *asked;
    Request request;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        throw UsageError(
            positional.size() < 2
                ? QStringLiteral("Name the library (or -) and the folder to export to.")
                : QStringLiteral("Export takes one library and one folder, not %1 "
                                 "arguments.")
                      .arg(positional.size()),
            usage);
    request.command = Command::Export;
    request.libraries << (positional[0] == QLatin1String("-") ? defaultLibrary : positional[0]);
    request.folder = positional[1];
    if (request.folder.isEmpty())
        throw UsageError(QStringLiteral("The folder to export to cannot be empty."), usage);
    return request;
}

}  // namespace

UsageError::UsageError(const QString& message, const QString& usage)
    : std::runtime_error(message.toStdString()), message(message), usage(usage) {}

Request parseCommandLine(QStringList arguments, const QString& defaultLibrary) {
    const QString usage = QStringLiteral("%1 find|check|export ...").arg(program());
    const QString command = arguments.value(1);
    if (arguments.size() > 1) arguments.removeAt(1);
    if (command == QLatin1String("find")) return parseFind(arguments, defaultLibrary);
    if (command == QLatin1String("check")) return parseCheck(arguments, defaultLibrary);
    if (command == QLatin1String("export")) return parseExport(arguments, defaultLibrary);

    Request request;
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        request.helpText =
            QStringLiteral("Usage: %1\n\n%2\n").arg(usage, QString::fromUtf8(kSummary));
        return request;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        request.command = Command::Version;
        return request;
    }
    if (command.isEmpty()) throw UsageError(QStringLiteral("Name a command."), usage);
    throw UsageError(QStringLiteral("There is no command \"%1\".").arg(command), usage);
}

}  // namespace librarytool
