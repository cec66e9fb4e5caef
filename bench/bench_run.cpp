// Timing of the run's actions and stop paths on the fake backend (real sleeps, no desktop): how close waits come to
// their deadline, how often a smooth move steps, how evenly text is typed and how quickly a stop takes effect.
// Prints figures; asserts nothing.

#include "platform/fake/fakeservices.h"
#include "run/actions.h"
#include "run/run.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

platform::FakeServices* fake = nullptr;

void benchWait()
{
    std::printf("waitSeconds (10 runs each): requested, mean, min, max [ms]\n");
    for (double seconds : {0.005, 0.01, 0.1, 0.5}) {
        std::vector<double> took;
        actions::StopFlag stop;
        for (int i = 0; i < 10; ++i) {
            const auto t0 = Clock::now();
            actions::waitSeconds(stop, seconds);
            took.push_back(ms(Clock::now() - t0));
        }
        double sum = 0;
        for (double t : took)
            sum += t;
        std::printf("  %7.1f  %7.2f  %7.2f  %7.2f\n", seconds * 1000, sum / took.size(),
                    *std::min_element(took.begin(), took.end()), *std::max_element(took.begin(), took.end()));
    }
}

void benchSmoothMove()
{
    fake->clearEvents();
    fake->setPointer(0, 0);
    actions::StopFlag stop;
    const auto t0 = Clock::now();
    actions::smoothMove(stop, 1000, 0, 1.0);
    const double took = ms(Clock::now() - t0);
    const auto events = fake->events();
    double maxGap = 0;
    for (size_t i = 1; i < events.size(); ++i)
        maxGap = std::max(maxGap, ms(events[i].at - events[i - 1].at));
    std::printf("smoothMove 1000 px over 1 s: %zu steps (%.0f per second), largest gap %.2f ms, took %.1f ms, ends at "
                "%d,%d\n",
                events.size(), events.size() / (took / 1000.0), maxGap, took, events.back().x, events.back().y);
}

void benchTyping()
{
    fake->clearEvents();
    actions::StopFlag stop;
    const QString text(20, QLatin1Char('x'));
    const auto t0 = Clock::now();
    actions::typeText(stop, text, 1.0);
    const double took = ms(Clock::now() - t0);
    const auto events = fake->events();
    double worstLate = 0;
    for (size_t i = 0; i < events.size(); i += 2) {
        const double due = (i / 2) * 50.0;
        worstLate = std::max(worstLate, ms(events[i].at - t0) - due);
    }
    std::printf("typeText 20 units over 1 s: %zu events, worst lateness %.2f ms, took %.1f ms\n", events.size(),
                worstLate, took);
}

template <class Fn> double stopLatency(Fn action)
{
    fake->clearEvents();
    actions::StopFlag stop;
    std::thread worker([&] { action(stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto stopAt = Clock::now();
    stop.request();
    worker.join();
    return ms(Clock::now() - stopAt);
}

void benchStops()
{
    std::printf("stop latency (stop set -> action returned, released) [ms]:\n");
    std::printf("  key hold     %.2f\n",
                stopLatency([](auto& s) { actions::pressKey(s, QStringLiteral("65,3,100")); }));
    std::printf("  click hold   %.2f\n", stopLatency([](auto& s) { actions::clickLeft(s, 100.0); }));
    std::printf("  smooth move  %.2f\n", stopLatency([](auto& s) { actions::smoothMove(s, 100000, 0, 100.0); }));
    std::printf("  typing       %.2f\n",
                stopLatency([](auto& s) { actions::typeText(s, QString(1000, QLatin1Char('x')), 100.0); }));
}

void benchStopCommand()
{
    const int rounds = 5;
    double total = 0, worst = 0;
    for (int i = 0; i < rounds; ++i) {
        fake->setKeyDown(17, false);
        fake->setKeyDown(65, false);
        Run run;
        run.setBeeper([] {});
        run.configure(0, EndlessRunNumber, QStringLiteral("65,2"),
                      {{QStringLiteral("キー"), QStringLiteral("66,0"), QStringLiteral("100")}},
                      {{QStringLiteral("時間"), QStringLiteral("100")}}, QStringLiteral("bench"));
        run.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(120 + 17 * i));
        const auto pressed = Clock::now();
        fake->injectDesktopKey(17, true);
        fake->injectDesktopKey(65, true);
        while (!run.hasEnded())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double took = ms(Clock::now() - pressed);
        total += took;
        worst = std::max(worst, took);
    }
    fake->setKeyDown(17, false);
    fake->setKeyDown(65, false);
    std::printf("stop command pressed -> run ended (%d runs): mean %.1f ms, worst %.1f ms (the notice promises 200)\n",
                rounds, total / rounds, worst);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto backend = std::make_unique<platform::FakeServices>();
    fake = backend.get();
    platform::setServices(std::move(backend));

    benchWait();
    benchSmoothMove();
    benchTyping();
    benchStops();
    benchStopCommand();
    return 0;
}
