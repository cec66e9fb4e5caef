// The project file reader on arbitrary bytes. A project that comes back must hold the page model's invariants, and
// writing it out and reading it again must give the same pages with nothing left to repair.

#include "fuzzcheck.h"
#include "model/projectfile.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    model::ProjectData project;
    const model::ProjectFileResult result = model::parseProject(content, &project);
    if (!result.ok()) {
        FUZZ_CHECK(!result.message.isEmpty());
        return 0;
    }
    FUZZ_CHECK(result.message.isEmpty());
    FUZZ_CHECK(!project.commands.isEmpty());
    FUZZ_CHECK(project.commands.size() == project.conditions.size());
    for (qsizetype i = 0; i < project.commands.size(); ++i)
        FUZZ_CHECK(!project.commands.at(i).isEmpty() && !project.conditions.at(i).isEmpty());

    model::ProjectData again;
    FUZZ_CHECK(model::parseProject(model::serializeProject(project.commands, project.conditions), &again).ok());
    FUZZ_CHECK(again.commands == project.commands);
    FUZZ_CHECK(again.conditions == project.conditions);
    FUZZ_CHECK(again.repairs.isEmpty());
    return 0;
}
