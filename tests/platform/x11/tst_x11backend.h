#pragma once

// The X11 backend's test class, whose slots are defined in two files: tst_x11typing.cpp holds typing texts and the
// spare keycodes that typing binds, tst_x11backend.cpp everything else and the test's main().

#include "platform/guardian/ledgerrecords.h"
#include "platform/inputservices.h"
#include "platform/qt/nativeeventforwarder.h"
#include "platform/stopsignal.h"
#include "platform/x11/x11factory.h"
#include "platform/x11/x11vktable.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "x11client.h" // after every Qt header
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <unistd.h>

using platform::services;
using x11test::Sink;

using KeyLog = std::vector<std::pair<int, int>>;

std::size_t typeFromWorker(const QString& text, bool whole = false, std::chrono::milliseconds interval = {});
std::map<int, KeySym> boundRecord(Display* display, int only = -1);
bool setLayout(const QString& layout);

class tst_X11Backend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { platform::setServices(nullptr); }
    void cleanup();
    void vkTable_data();
    void vkTable();
    void keyState_data();
    void keyState();
    void captureSwallowsAndReports_data();
    void captureSwallowsAndReports();
    void captureFoldsAutorepeat();
    void hotKey_data();
    void hotKey();
    void typing_data();
    void typing();
    void typingRestoresSpareKeycodes();
    void releaseNeverWaitsForTyping();
    void startReclaimsWhatAKilledInstanceBound();
    void failuresAreReported();
    void displayGoneFailsWithoutEndingTheProgram();
    void ledgerRecordsWhatIsHeldAndBound();
    void lostRecordsAreMadeGood();
    void recordsSplitAnywhere();
    void watchKeys_data();
    void watchKeys();
    void pointer_data();
    void pointer();

private:
    void setMonitors(const QList<QRect>& monitors);
    platform::CaptureHandle capture(KeyLog& log);
    struct WatchLog {
        std::mutex mutex;
        KeyLog log;
        KeyLog get()
        {
            std::lock_guard lock(mutex);
            return log;
        }
    };
    platform::KeyWatchHandle watch(std::shared_ptr<WatchLog> log);

    x11test::Client other_;
    std::set<int> unusedAtStart_;
    bool layoutChanged_ = false;
    std::vector<x11test::Keysyms> mappingAtStart_;
    std::vector<platform::CaptureHandle> captures_;
    std::vector<platform::KeyWatchHandle> watches_;
    std::vector<Atom> monitorNames_;
};
