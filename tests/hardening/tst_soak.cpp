// An endless run of fast pages of every kind on the fake backend, stopped after ORVANE_SOAK_PAGES pages (10,000 by
// default; scripts/soak.sh runs 100,000). The process's thread count and resident memory are sampled along the way
// and must stay flat; the stop at the end must end the run with nothing held and every run thread gone.

#include "testsupport.h"

#include "run/run.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

// The pointer page's target: counting moves there counts rounds through the project.
constexpr int MarkX = 31337, MarkY = 7;

struct Sample {
    qint64 pages = 0;
    qint64 threads = 0;
    qint64 rssKiB = 0;
};

Sample sampleProcess(qint64 pages)
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QString text = status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll()) : QString();
    auto field = [&text](const char* name) {
        return QRegularExpression(QLatin1String(name) + QStringLiteral(":\\s+(\\d+)"))
            .match(text)
            .captured(1)
            .toLongLong();
    };
    return {pages, field("Threads"), field("VmRSS")};
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endlessRunStaysFlatAndStopsClean()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        auto& fake = testsupport::fake();
        const qint64 target =
            qEnvironmentVariableIsSet("ORVANE_SOAK_PAGES") ? qEnvironmentVariableIntValue("ORVANE_SOAK_PAGES") : 10000;
        const model::EntryList commands{
            {model::kind::None},
            {model::kind::Click, model::LeftButton, QStringLiteral("0")},
            {model::kind::Pointer, QString::number(MarkX), QString::number(MarkY)},
            {model::kind::SmoothMove, QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("0")},
            {model::kind::Key, QStringLiteral("65,2"), QStringLiteral("0")},
            {model::kind::Input, QStringLiteral("aあ"), QStringLiteral("0")}};
        const model::EntryList conditions{{model::kind::Immediate},
                                          {model::kind::Time, QStringLiteral("0")},
                                          {model::kind::KeyCondition, QStringLiteral("なし")},
                                          {model::kind::Immediate},
                                          {model::kind::Time, QStringLiteral("0")},
                                          {model::kind::Immediate}};

        const Sample before = sampleProcess(0);
        bool finished = false;
        {
            Run run;
            run.setBeeper([] {});
            connect(&run, &Run::finished, this, [&finished] { finished = true; });
            run.configure(0, EndlessRunNumber, QStringLiteral("なし"), commands, conditions, QStringLiteral("soak"));
            run.start();

            // The fake's record is emptied as it goes so that it does not count as growth; a move recorded between
            // the copy and the clearing is lost, so at least `target` pages run.
            qint64 pages = 0;
            QList<Sample> samples;
            // A fast machine runs thousands of pages between two looks: it goes on until there are enough samples.
            while ((pages < target || samples.size() < 10) && !finished) {
                QTest::qWait(5);
                const auto events = fake.events();
                fake.clearEvents();
                pages += commands.size() * std::count_if(events.begin(), events.end(), [](const auto& e) {
                             return e.kind == platform::FakeEvent::Kind::MoveTo && e.x == MarkX && e.y == MarkY;
                         });
                if (samples.isEmpty() || pages >= samples.last().pages + target / 20)
                    samples << sampleProcess(pages);
            }
            run.requestStop();
            QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
            QVERIFY(run.hasEnded());

            for (const Sample& s : std::as_const(samples))
                qInfo("pages %7lld  threads %3lld  rss %7lld KiB", s.pages, s.threads, s.rssKiB);
            QVERIFY2(samples.size() >= 10, "the run made too little progress to be sampled");
            // The first tenth warms up allocators and Qt's caches; after it nothing may keep growing. Action threads
            // of overlapping pages come and go with the machine's load (bursts of dozens on a busy machine), so the
            // bound on threads is one that a thread left behind every few dozen pages would break.
            const Sample& warm = samples.at(samples.size() / 10);
            const Sample& last = samples.last();
            const qint64 peakThreads = std::max_element(samples.begin(), samples.end(), [](auto& a, auto& b) {
                                           return a.threads < b.threads;
                                       })->threads;
            qInfo("threads before %lld, peak %lld; rss %+lld KiB after warm-up", before.threads, peakThreads,
                  last.rssKiB - warm.rssKiB);
            QVERIFY2(peakThreads <= before.threads + std::max<qint64>(256, target / 40),
                     "threads pile up over the run");
#ifndef ORVANE_SANITIZED
            // Sanitizers keep freed memory in quarantine and shadow: their resident size says nothing here.
            QVERIFY2(last.rssKiB - warm.rssKiB <= 16 * 1024, "resident memory keeps growing");
#endif
        }
        QVERIFY(fake.heldBySynthesis().empty());
        QVERIFY2(sampleProcess(0).threads <= before.threads, "a run thread outlived the run");
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
