// Live input cut into lines: whatever the bytes and however they arrive in
// reads, the lines handed on are the input's lines that are text (UTF-8
// that Qt reads back byte for byte, without a zero byte), in order, and
// every other line is counted.
#include "linesplitter.h"

#include <QByteArrayList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

struct Expected
{
    QString text;
    qint64 unreadable = 0;
};

// The lines as a plain reading of the rules takes them, with Qt's decoder
// as the judge of what is UTF-8.
Expected reference(const QByteArray &bytes)
{
    Expected expected;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const bool last = i + 1 == lines.size();
        if (last && line.isEmpty())
            break;
        const QString text = QString::fromUtf8(line);
        if (line.size() <= LineSplitter::LongestLine && !line.contains('\0') && text.toUtf8() == line)
            expected.text += text + (last ? QString() : QStringLiteral("\n"));
        else
            ++expected.unreadable;
    }
    return expected;
}

Expected split(const QList<QByteArray> &reads)
{
    LineSplitter splitter;
    Expected got;
    for (const QByteArray &read : reads) {
        const LineSplitter::Lines lines = splitter.take(read);
        got.text += lines.text;
        got.unreadable += lines.unreadable;
    }
    const LineSplitter::Lines last = splitter.finish();
    got.text += last.text;
    got.unreadable += last.unreadable;
    return got;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks where the input is cut into two reads.
    if (size < 1 || size > 1 << 16)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size) - 1);
    const int cut = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);
    const Expected expected = reference(bytes);
    const Expected whole = split({bytes});
    require(whole.text == expected.text, "the lines handed on differ from the input's text lines");
    require(whole.unreadable == expected.unreadable, "the lines dropped are counted otherwise");
    const Expected two = split({bytes.left(cut), bytes.mid(cut)});
    require(two.text == whole.text && two.unreadable == whole.unreadable, "two reads give other lines than one");
    if (bytes.size() <= 512) {
        QList<QByteArray> single;
        for (char c : bytes)
            single << QByteArray(1, c);
        const Expected bytewise = split(single);
        require(bytewise.text == whole.text && bytewise.unreadable == whole.unreadable,
                "a byte at a time gives other lines");
    }
    return 0;
}
