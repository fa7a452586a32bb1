// The diagnostics found in a step's output: whatever the output holds, each
// names a file and a line from 1 and stands at the start of its own line,
// and the chunks the output comes in, wherever they split it, find the same
// diagnostics as the whole output read at once.
#include "diagnostics.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

QStringList textsOf(const Diagnostics::Collector &collector)
{
    QStringList texts;
    for (const Diagnostics::Diagnostic &found : collector.found()) {
        if (found.file.isEmpty() || found.line < 1 || found.column < 0
            || !found.text.startsWith(found.file + QLatin1Char(':')))
            std::abort();
        texts << found.text;
    }
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QString output = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), int(size - 1));
    Diagnostics::Collector whole;
    whole.add(Diagnostics::Collector::Error, output);
    whole.finish();
    Diagnostics::Collector pieces;
    const int step = 1 + data[0] % 17;
    for (int at = 0; at < output.size(); at += step)
        pieces.add(Diagnostics::Collector::Error, QStringView(output).mid(at, step));
    pieces.finish();
    if (textsOf(whole) != textsOf(pieces) || whole.found().size() > Diagnostics::Collector::MostKept)
        std::abort();
    return 0;
}
