#include "inputledger.h"

namespace platform {

namespace {

std::unique_ptr<InputLedger>& slot()
{
    static std::unique_ptr<InputLedger> current = std::make_unique<InputLedger>();
    return current;
}

} // namespace

InputLedger& ledger()
{
    return *slot();
}

std::unique_ptr<InputLedger> setLedger(std::unique_ptr<InputLedger> replacement)
{
    if (!replacement)
        replacement = std::make_unique<InputLedger>();
    slot().swap(replacement);
    return replacement;
}

} // namespace platform
