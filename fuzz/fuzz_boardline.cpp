// The board definitions line: whatever the line holds, every name is
// trimmed, non-empty and free of separators, and writing the names back
// into a line reads them again unchanged.
#include "sourcefile.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QStringList names = SourceFile::parseBoardDefinitionLine(line);
    for (const QString &name : names) {
        if (name.isEmpty() || name != name.trimmed() || name.contains(QLatin1Char(':'))
            || name.contains(QLatin1Char(';')))
            std::abort();
    }
    const QString again = QStringLiteral("#VCE_Board_Definitions: ") + names.join(QStringLiteral("; "));
    if (SourceFile::parseBoardDefinitionLine(again) != names)
        std::abort();
    return 0;
}
