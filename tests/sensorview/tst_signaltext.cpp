#include "liveanchor.h"
#include "signaltext.h"
#include "testsupport.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTextStream>

#include <cmath>
#include <cstring>

namespace {

// Equal to the bit, except that any two values that are not numbers match.
bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

QString recordsOf(const SignalData &store)
{
    QStringList lines;
    for (const SignalRecord &r : store.records()) {
        QStringList values;
        for (double v : r.values)
            values << QString::number(v, 'g', 17);
        lines << QStringLiteral("%1@%2:%3").arg(r.name, QString::number(r.time, 'g', 17), values.join(QLatin1Char(',')));
    }
    return lines.join(QLatin1Char('|'));
}

// All of `store` as writeAll writes it into a string, or as UTF-8 bytes
// into a device, as a file is written.
QString written(const SignalData &store, char separator = '\t', bool toDevice = false)
{
    QString out;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&out);
    if (toDevice) {
        stream.setDevice(&buffer);
        stream.setCodec("UTF-8");
    }
    writeAll(stream, store, separator);
    stream.flush();
    return toDevice ? QString::fromUtf8(bytes) : out;
}

// A line of `values` values.
QString lineOf(int values)
{
    QString line = QStringLiteral("wide;1");
    line.reserve(values * 2 + 8);
    for (int i = 0; i < values; ++i)
        line += QStringLiteral(";7");
    return line;
}

} // namespace

class tst_SignalText : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("records");
        QTest::newRow("semicolons") << "acc;1.5;10;20" << "acc@1500:10,20";
        QTest::newRow("tabs") << "acc\t1.5\t10\t20" << "acc@1500:10,20";
        QTest::newRow("empty fields dropped") << "acc;;1.5;;10" << "acc@1500:10";
        QTest::newRow("leading and trailing separators") << ";acc;1.5;" << "acc@1500:";
        QTest::newRow("blanks then # is no comment") << "  #acc" << "";
        QTest::newRow("comment") << "#acc;1;2" << "";
        QTest::newRow("no values") << "gyro;2" << "gyro@2000:";
        QTest::newRow("one field") << "gyro" << "";
        QTest::newRow("non-numeric time") << "acc;x;1" << "acc@0:1";
        QTest::newRow("blanks around fields") << "  acc ; 1.5 ;\t2 " << "acc @1500:2";
        QTest::newRow("two lines") << "a;0;1\na;0.5;2" << "a@0:1|a@500:2";
        QTest::newRow("CR LF") << "a;0;1\r\nb;1;2\r\n" << "a@0:1|b@1000:2";
        QTest::newRow("comment on the second line") << "a;0;1\n#b;1;2\n b;2;3" << "a@0:1|b@2000:3";
        QTest::newRow("empty lines") << "\n\na;1\n\n" << "a@1000:";
        QTest::newRow("exponent and sign") << "a;-2e-3;+1E2;inf" << "a@-2:100,inf";
        QTest::newRow("unicode name") << "Temperatur \u00b0C;1;20" << "Temperatur \u00b0C@1000:20";
    }

    void lines()
    {
        QFETCH(QString, text);
        QFETCH(QString, records);
        SignalData store;
        parseText(store, text);
        QCOMPARE(recordsOf(store), records);
    }

    void numberAsQt()
    {
        QRandomGenerator random(4711);
        QVector<double> values{0.0, -0.0, 1.0, -1.0, 0.1, 1234.5678, 1e-5, 1e-4, 123456.0, 1234567.0,
                               999999.5, 9999995.0, 0.000123456789, 1e300, -1e-300, 5e-324,
                               std::nan(""), -std::nan(""), HUGE_VAL, -HUGE_VAL, 2.5, 0.5, 1.5e-7};
        for (int i = 0; i < 100000; ++i) {
            quint64 bits = random.generate64();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            values << value << (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-12, 12));
            // Decimals as sensors print them, of up to eight digits.
            const double decimal = double(random.bounded(-99999999, 99999999)) / std::pow(10.0, random.bounded(0, 14));
            values << decimal << std::nextafter(decimal, 1e300) << std::nextafter(decimal, -1e300);
        }
        for (double value : values) {
            QString ours;
            SignalText::appendNumber(ours, value);
            const QString qt = QString::number(value, 'g', 6);
            if (ours != qt)
                QFAIL(qPrintable(QStringLiteral("%1: %2 vs %3").arg(value, 0, 'g', 17).arg(ours, qt)));
        }
    }

    // Fields read bit for bit as Qt reads them, by both readers: random
    // strings of number characters, and decimals of one to eighteen digits
    // with leading zeros, signs and points where they may or may not stand.
    void readsNumbersAsQt()
    {
        QRandomGenerator random(815);
        const QByteArray alphabet = "0123456789.-+eE ";
        QVector<QByteArray> fields{"", "-", ".", "-.", "0", "-0", "-0.0", "00.000", "1.", ".5", "-.5", "+1", "1e5",
                                   "123456789012345", "1234567890123456", "0.000000000000001", "000000000000000012.5"};
        for (int i = 0; i < 100000; ++i) {
            QByteArray noise;
            for (int n = random.bounded(12); n > 0; --n)
                noise += alphabet[random.bounded(alphabet.size())];
            QByteArray decimal = random.bounded(3) == 0 ? "-" : "";
            for (int n = random.bounded(10); n > 0; --n)
                decimal += char('0' + random.bounded(10));
            if (random.bounded(3) > 0)
                decimal += '.';
            for (int n = random.bounded(10); n > 0; --n)
                decimal += char('0' + random.bounded(10));
            fields << noise << decimal;
        }
        // A field of no bytes at all, not even a place.
        QCOMPARE(SignalText::toDouble(QLatin1String()), 0.0);
        for (const QByteArray &field : qAsConst(fields)) {
            const double qt = QString::fromLatin1(field).toDouble();
            const double bytes = SignalText::toDouble(QLatin1String(field.constData(), field.size()));
            const double text = SignalText::toDouble(QStringView(QString::fromLatin1(field)));
            if (!sameBits(bytes, qt) || !sameBits(text, qt))
                QFAIL(qPrintable(QStringLiteral("'%1' reads as %2 from a file, %3 from text, %4 in Qt")
                                     .arg(QString::fromLatin1(field)).arg(bytes, 0, 'g', 17).arg(text, 0, 'g', 17).arg(qt, 0, 'g', 17)));
        }
    }

    void writeFormat()
    {
        QString out;
        QTextStream stream(&out);
        writeRecord(stream, SignalRecord{QStringLiteral("acc"), 1500, {10, 0.1}});
        writeRecord(stream, SignalRecord{QStringLiteral("t"), 1234567.8, {}});
        stream.flush();
        QCOMPARE(out, QStringLiteral("acc\t1.5\t10\t0.1\nt\t1234.57\n"));
        SignalData store;
        parseText(store, QStringLiteral("acc;1.5;10;0.1\nt;1234.5678"));
        QCOMPARE(written(store), out);
        // A range is written from its start, whichever way round it is given.
        parseText(store, QStringLiteral("a;2;1\nb;3;2\na;3.5;3\nb;4;4\na;4.5;5"));
        out.clear();
        writeRange(stream, store, 4000, 3000);
        stream.flush();
        QCOMPARE(out, QStringLiteral("b\t0\t2\na\t0.5\t3\nb\t1\t4\n"));
    }

    void separatorKept_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("writtenBack");
        QTest::newRow("semicolons throughout") << QByteArray("a;1;2\nb;2;3\n") << "a;1;2\nb;2;3\n";
        QTest::newRow("tabs throughout") << QByteArray("a\t1\t2\n") << "a\t1\t2\n";
        QTest::newRow("one line of tabs among semicolons") << QByteArray("a;1;2\nb\t2\t3\n") << "a\t1\t2\nb\t2\t3\n";
        QTest::newRow("a line with both") << QByteArray("a;1\t2\n") << "a\t1\t2\n";
        QTest::newRow("only lines that are no records") << QByteArray("x\n# a;1;2\n") << "";
        QTest::newRow("a name read after a leading ;") << QByteArray(";#a;1;2\n") << ";#a;1;2\n";
    }

    // A file read with ";" between all its fields is written back so; any
    // other is written with tabs, through either way of writing.
    void separatorKept()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, writtenBack);
        SignalData store;
        const char separator = parseUtf8(store, text.constData(), text.size()).separator();
        QCOMPARE(written(store, separator), writtenBack);
        QCOMPARE(written(store, separator, true), writtenBack);
    }

    void readingRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("live");
        QTest::addColumn<QString>("records");
        QTest::addColumn<qint64>("unreadable");
        QTest::addColumn<qint64>("tooWide");
        const QString zero = QStringLiteral("a;1;2\nb") + QChar(0) + QStringLiteral(";1;2\n");
        QTest::newRow("file: a time that is not a number") << "a;nan;1" << false << "a@nan:1" << qint64(0) << qint64(0);
        QTest::newRow("live: a time that is not a number") << "a;nan;1\nb;1;2" << true << "b@1000:2" << qint64(1) << qint64(0);
        QTest::newRow("live: an infinite time") << "a;inf;1\na;-inf;1" << true << "" << qint64(2) << qint64(0);
        QTest::newRow("live: a time too large for a number") << "a;1e400;1" << true << "" << qint64(1) << qint64(0);
        QTest::newRow("live: a wild but finite time") << "a;1e300;1" << true << "a@1e+303:1" << qint64(0) << qint64(0);
        QTest::newRow("live: a zero character") << zero << true << "a@1000:2" << qint64(1) << qint64(0);
        for (const bool live : {false, true}) {
            const QByteArray how = live ? "live: " : "file: ";
            QTest::newRow(how + "as many values as a record may hold")
                << lineOf(MostValuesPerRecord) << live << QStringLiteral("wide@1000:") << qint64(0) << qint64(0);
            QTest::newRow(how + "one value more")
                << lineOf(MostValuesPerRecord + 1) + "\nb;2;3" << live << QStringLiteral("b@2000:3") << qint64(1) << qint64(1);
        }
    }

    // Live input is a running program's output: what is not a record with
    // a finite time never reaches the store, and every such line counts.
    // A line of more values than a record may hold is refused anywhere.
    void readingRules()
    {
        QFETCH(QString, text);
        QFETCH(bool, live);
        QFETCH(QString, records);
        QFETCH(qint64, unreadable);
        QFETCH(qint64, tooWide);
        SignalData store;
        LiveAnchor anchor;
        const ParseCount count = live ? parseLiveText(store, text, anchor) : parseText(store, text);
        QString read = recordsOf(store);
        // The values of a wide record, shown only by how many there are.
        if (read.startsWith(QLatin1String("wide@1000:")))
            read = QStringLiteral("wide@1000:");
        QCOMPARE(read, records);
        QCOMPARE(count.unreadable, unreadable);
        QCOMPARE(count.tooWide, tooWide);
        if (read.startsWith(QLatin1String("wide")))
            QCOMPARE(store.valueCount(store.all().records[0]), MostValuesPerRecord);
    }

    void liveAnchor_data()
    {
        QTest::addColumn<QVector<double>>("times");
        QTest::addColumn<double>("expected");
        QVector<double> stream;
        for (int i = 0; i < 5000; ++i)
            stream << i * 10.0;
        const double newest = stream.last();
        QTest::newRow("a stream: its newest") << QVector<double>(stream) << double(newest);
        QTest::newRow("one wild time after it") << QVector<double>(stream + QVector<double>{1e300}) << double(newest);
        QTest::newRow("one wild time before it") << QVector<double>{1e300} + stream << double(newest);
        QTest::newRow("a wild time in its middle") << QVector<double>(stream.mid(0, 100) + QVector<double>{1e300} + stream.mid(100)) << double(newest);
        QTest::newRow("a time far back") << QVector<double>(stream + QVector<double>{-1e300}) << double(newest);
        QTest::newRow("three wild times") << QVector<double>(stream + QVector<double>{1e300, 2e300, 3e300}) << double(newest);
        QTest::newRow("a clock that starts again") << QVector<double>(stream + stream.mid(0, 100)) << double(stream[99]);
        QTest::newRow("a wild time alone") << QVector<double>{1e300} << 1e300;
        QTest::newRow("a wild time, then two of the stream") << QVector<double>{1e300, 10, 20} << double(20);
        QTest::newRow("all at one time, then a later one") << QVector<double>(100, 5.0) + QVector<double>{6.0} << 5.0;
    }

    // The newest end of a live window: the newest time of the stream, which
    // a few times far from the others do not move.
    void liveAnchor()
    {
        QFETCH(QVector<double>, times);
        QFETCH(double, expected);
        LiveAnchor anchor;
        for (double time : times)
            anchor.add(time);
        QCOMPARE(anchor.time(), expected);
    }

    void unreadableLinesCounted()
    {
        SignalData store;
        const ParseCount count = parseText(store, QStringLiteral("a;1;2\nlonely\n\n   \n#comment\n  #x\nb;2\n;;;\n"));
        QCOMPARE(count.records, qint64(2));
        // "lonely", "  #x" (one field) and ";;;"; blank lines and comments are no loss.
        QCOMPARE(count.unreadable, qint64(3));
        const QByteArray bytes("a;1\r\nx\r\n");
        const ParseCount fromBytes = parseUtf8(store, bytes.constData(), bytes.size());
        QCOMPARE(fromBytes.records, qint64(1));
        QCOMPARE(fromBytes.unreadable, qint64(1));
    }
};

QTEST_GUILESS_MAIN(tst_SignalText)
#include "tst_signaltext.moc"
