// The key-combination text reader on arbitrary UTF-8. What it reads must survive being written back as text, and
// every text has a label.

#include "fuzzcheck.h"
#include "model/keycombination.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    keys::KeyCombination combination;
    const bool ok = keys::parseKeyCombination(text, &combination);
    FUZZ_CHECK(!(ok && keys::isNoCombination(text)));
    FUZZ_CHECK(!keys::keyCombinationLabel(text).isEmpty());
    const QString shown = keys::keyCombinationLabel(text, keys::UnreadableText::ShowInvalid);
    FUZZ_CHECK(ok || keys::isNoCombination(text) ? shown != QStringLiteral("無効なキー")
                                                 : shown == QStringLiteral("無効なキー"));
    if (ok) {
        keys::KeyCombination reread;
        const QString written = QStringLiteral("%1,%2").arg(combination.key).arg(combination.storedMask);
        FUZZ_CHECK(keys::parseKeyCombination(written, &reread));
        FUZZ_CHECK(reread.key == combination.key && reread.storedMask == combination.storedMask);
        FUZZ_CHECK(!keys::keyName(combination.key).isEmpty());
    }
    return 0;
}
