// The document viewer's loader on arbitrary file content, read whole and cut at a limit that the first two bytes
// choose. No line end other than "\n" comes back; a cut text is the start of the whole text (a character split by
// the cut is held back, never shown broken), and an uncut read is the whole text.

#include "dialogs/documents.h"
#include "fuzzcheck.h"

#include <QFile>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
QString documentFile;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string dir = makeFuzzDir("documents");
    documentFile = QString::fromStdString(dir) + QStringLiteral("/document.txt");
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const qint64 limit = (data[0] << 8 | data[1]) % 4096;
    const auto* bytes = reinterpret_cast<const char*>(data + 2);
    const auto length = static_cast<qint64>(size - 2);
    {
        QFile file(documentFile);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes, length) == length);
    }
    const dialogs::DocumentText whole = dialogs::readDocumentText(documentFile);
    const dialogs::DocumentText cut = dialogs::readDocumentText(documentFile, limit);
    FUZZ_CHECK(!whole.truncated);
    FUZZ_CHECK(cut.truncated == (length > limit));
    FUZZ_CHECK(!whole.text.contains(QLatin1Char('\r')) && !cut.text.contains(QLatin1Char('\r')));
    FUZZ_CHECK(whole.text.startsWith(cut.text));
    if (!cut.truncated)
        FUZZ_CHECK(cut.text == whole.text);
    return 0;
}
