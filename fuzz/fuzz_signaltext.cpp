// The recording reader and writer: bytes and text read alike, and whatever
// the reader makes of an input comes back from a save unchanged. Every field
// reads as a number exactly as Qt reads it.
#include "signaltext.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QString written(const SignalData &store)
{
    QString out;
    QTextStream stream(&out);
    writeAll(stream, store);
    stream.flush();
    return out;
}

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void requireNumbersAsQt(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        for (const QString &field : line.split(QRegularExpression(QStringLiteral("[;\t]")))) {
            require(sameBits(SignalText::toDouble(field), field.toDouble()), "a field reads otherwise than Qt reads it");
            const QByteArray latin1 = field.toLatin1();
            if (latin1 == field.toUtf8())
                require(sameBits(SignalText::toDouble(QLatin1String(latin1.constData(), latin1.size())), field.toDouble()),
                        "a Latin-1 field reads otherwise than Qt reads it");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    SignalData fromBytes;
    const ParseCount byteCount = parseUtf8(fromBytes, bytes, qint64(size));
    SignalData fromText;
    const ParseCount textCount = parseText(fromText, QString::fromUtf8(bytes, int(size)));
    require(byteCount.records == textCount.records && byteCount.unreadable == textCount.unreadable,
            "bytes and text count differently");
    requireNumbersAsQt(QString::fromUtf8(bytes, int(size)));
    const QString saved = written(fromText);
    require(written(fromBytes) == saved, "bytes and text read differently");

    SignalData reopened;
    parseText(reopened, saved);
    require(reopened.recordCount() == fromText.recordCount(), "a save lost or gained records");
    for (int i = 0; i < reopened.recordCount(); ++i)
        require(reopened.name(reopened.all().records[i]) == fromText.name(fromText.all().records[i]),
                "a save changed a name");
    require(written(reopened) == saved, "a save does not read back as it was written");

    // Through a device the writer takes its byte road: the same text.
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    QTextStream stream(&device);
    stream.setCodec("UTF-8");
    writeAll(stream, fromText);
    stream.flush();
    require(QString::fromUtf8(device.data().constData(), device.data().size()) == saved, "the byte writer differs");
    return 0;
}
