#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "errors/Error.h"
#include "store/JetConversion.h"
#include "store/Library.h"
#include "support/JetFixtures.h"

// Randomly damaged copies of the fixtures (a page zeroed, a page copied over
// another, a few bytes flipped), each checked and converted as at start-up:
// Snibbet never crashes or hangs on one, and each either converts, with the
// original kept beside it, or is refused as damaged, protected or no library,
// with the original untouched and nothing beside it. The seed is fixed, so
// every run tries the same copies.
class TestConversionFuzz : public QObject {
    Q_OBJECT
private slots:
    void damagedFilesNeverHarmSnibbet();
};

namespace {

const QStringList kFixtures{"snibbet-jet3", "snibbet-jet4", "moved-jet3", "moved-jet4"};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Damages a copy of `jet` one of three ways; `what` says how.
QByteArray damage(QByteArray jet, std::mt19937& random, QString& what) {
    const qsizetype pageSize = jet[0x14] == 0 ? 2048 : 4096;
    const qsizetype pages = jet.size() / pageSize;
    const auto any = [&random](qsizetype from, qsizetype to) {
        return std::uniform_int_distribution<qsizetype>(from, to - 1)(random);
    };
    switch (any(0, 3)) {
        case 0: {
            const qsizetype page = any(1, pages);
            jet.replace(page * pageSize, pageSize, QByteArray(pageSize, '\0'));
            what = QStringLiteral("page %1 zeroed").arg(page);
            break;
        }
        case 1: {
            const qsizetype from = any(1, pages), to = any(1, pages);
            jet.replace(to * pageSize, pageSize, jet.mid(from * pageSize, pageSize));
            what = QStringLiteral("page %1 copied over page %2").arg(from).arg(to);
            break;
        }
        default: {
            // Half of the flips land on the pages that describe the file: the
            // header, the list of tables, the definitions and their maps.
            what = QStringLiteral("bytes flipped:");
            for (qsizetype n = any(1, 9); n > 0; --n) {
                const qsizetype at = any(0, 2) ? any(0, std::min(pages, qsizetype(16)) * pageSize)
                                               : any(0, jet.size());
                const char bit = char(1 << any(0, 8));
                jet[at] = char(jet[at] ^ bit);
                what += QStringLiteral(" %1^%2").arg(at).arg(int(quint8(bit)));
            }
        }
    }
    return jet;
}

}  // namespace

void TestConversionFuzz::damagedFilesNeverHarmSnibbet() {
    const int cases = qEnvironmentVariableIsSet("SNIBBET_FUZZ_CASES")
                          ? qEnvironmentVariableIntValue("SNIBBET_FUZZ_CASES")
                          : 300;
    QTemporaryDir dir;
    QVERIFY(jetfixtures::write(dir.path(), kFixtures));
    QList<QByteArray> originals;
    for (const QString& fixture : kFixtures) originals << contentOf(dir.filePath(fixture + ".mdb"));
    const QString folder = dir.filePath("work");
    const QString library = store::Library::pathIn(folder);
    const QString kept = QDir(folder).filePath("Snibbet (Windows version).mdb");

    std::mt19937 random(20261208);
    QMap<QString, int> outcomes;
    QElapsedTimer clock;
    clock.start();
    qint64 slowestMs = 0;
    QString slowest;
    for (int n = 0; n < cases; ++n) {
        QElapsedTimer caseClock;
        caseClock.start();
        QString what;
        const QByteArray damaged = damage(originals[n % originals.size()], random, what);
        const QString where =
            QStringLiteral("case %1 (%2, %3)").arg(n).arg(kFixtures[n % kFixtures.size()], what);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile file(library);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
        file.close();

        try {
            store::JetConversion::check(folder);
            store::JetConversion::run(folder);
        } catch (const errors::Error& e) {
            const int number = e.number();
            QVERIFY2(number == errors::JetDamaged || number == errors::JetProtected ||
                         number == errors::JetIncomplete,
                     qPrintable(where + ": " + e.text()));
            QVERIFY2(e.text().contains("unchanged"), qPrintable(where + ": " + e.text()));
            QVERIFY2(filesIn(folder) == QStringList{"Snibbet.mdb"},
                     qPrintable(where + ": left " + filesIn(folder).join(" / ")));
            QVERIFY2(contentOf(library) == damaged, qPrintable(where + ": the file changed"));
            const QString reason = e.text().contains("broke off")        ? "reader crashed"
                                   : e.text().contains("got no further") ? "reader hung"
                                                                         : QString::number(number);
            ++outcomes[QStringLiteral("refused (%1)").arg(reason)];
            if (caseClock.elapsed() > slowestMs) slowestMs = caseClock.elapsed(), slowest = where;
            continue;
        }
        QVERIFY2(filesIn(folder) == (QStringList{"Snibbet (Windows version).mdb", "Snibbet.mdb"}),
                 qPrintable(where + ": left " + filesIn(folder).join(" / ")));
        QVERIFY2(contentOf(kept) == damaged, qPrintable(where + ": the kept original changed"));
        store::Library::open(folder);
        ++outcomes[QStringLiteral("converted")];
        if (caseClock.elapsed() > slowestMs) slowestMs = caseClock.elapsed(), slowest = where;
    }
    QStringList counts;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        counts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    qInfo("%d damaged copies in %lld ms: %s; the slowest took %lld ms: %s", cases, clock.elapsed(),
          qPrintable(counts.join(", ")), slowestMs, qPrintable(slowest));
}

QTEST_GUILESS_MAIN(TestConversionFuzz)
#include "tst_conversion_fuzz.moc"
