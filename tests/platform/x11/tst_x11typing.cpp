// The X11 backend's typing: texts typed into a text box of another process, and the spare keycodes that characters
// missing from the keyboard map are bound on (pooled, recorded, reclaimed and given back).

#include "tst_x11backend.h"

// Sends a text from a worker thread, back to back: whole (typeText) or each UTF-16 unit pressed and released.
// Returns the units delivered.
std::size_t typeFromWorker(const QString& text, bool whole, std::chrono::milliseconds interval)
{
    std::size_t delivered = 0;
    std::thread([&] {
        const platform::StopSignal never;
        if (whole) {
            delivered = services().typeText(text.toStdU16String(), std::chrono::steady_clock::now(), interval, never);
            return;
        }
        for (QChar unit : text) {
            if (services().sendUnicodeUnit(unit.unicode(), true) && services().sendUnicodeUnit(unit.unicode(), false))
                ++delivered;
        }
    }).join();
    return delivered;
}

// The pairs (keycode, keysym) that running or dead instances (or only instance `only`) record on the root window as
// bound.
std::map<int, KeySym> boundRecord(Display* display, int only)
{
    std::map<int, KeySym> pairs;
    for (int n = std::max(only, 0); n < (only < 0 ? 16 : only + 1); ++n) {
        const std::string name = "_ORVANE_BOUND_KEYCODES" + (n == 0 ? std::string() : "_" + std::to_string(n));
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name.c_str(), False), 0, 1024,
                           False, XA_CARDINAL, &type, &format, &count, &after, &data);
        for (unsigned long i = 0; data && i + 1 < count; i += 2)
            pairs[static_cast<int>(reinterpret_cast<long*>(data)[i])] =
                static_cast<KeySym>(reinterpret_cast<long*>(data)[i + 1]);
        XFree(data);
    }
    return pairs;
}

// Loads a keyboard layout on the test's display, as a user switching layouts does.
bool setLayout(const QString& layout)
{
    return QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout}) == 0;
}

void tst_X11Backend::typing_data()
{
    QTest::addColumn<QString>("text");   // the text box keeps "\r\n" as "\n"
    QTest::addColumn<bool>("whole");     // typeText (batched) rather than unit by unit
    QTest::addColumn<bool>("capsLock");  // on while typing, and on again afterwards
    QTest::addColumn<bool>("busy");      // a second Qt client keeps itself busy meanwhile
    QTest::addColumn<QString>("layout"); // loaded during the text, then us again
    QTest::addColumn<int>("userShift");  // the user's right Shift held (1) or pressed during the text (2); AltGr: 3, 4
    QTest::newRow("japanese") << QStringLiteral("「こんにちは、世界！ Hello 123」") << false << false << false
                              << QString() << 0;
    const QString symbols = QStringLiteral("!\"#$%&'()=~|`{}*+<>?_-^\\@[];:,./ ABC xyz 0123456789");
    QTest::newRow("ascii symbols") << symbols << true << false << false << QString() << 0;
    const QString breaks = QStringLiteral("one\ntwo\r\nthree\tfour");
    QTest::newRow("line breaks and tab") << breaks << false << false << false << QString() << 0;
    QTest::newRow("line breaks and tab, whole") << breaks << true << false << false << QString() << 0;
    const QString planes = QStringLiteral("A😀B𠮷C");
    QTest::newRow("emoji and other planes") << planes << false << false << false << QString() << 0;
    QTest::newRow("emoji and other planes, whole") << planes << true << false << false << QString() << 0;
    const QString caps = QStringLiteral("abc XYZ äöü Привет!");
    QTest::newRow("CapsLock on") << caps << false << true << false << QString() << 0;
    QTest::newRow("CapsLock on, whole") << caps << true << true << false << QString() << 0;
    // Every character needs a binding of its own: the pool of spare keycodes turns over many times.
    QString distinct;
    for (char16_t c = 0x4E00; distinct.size() < 300; c += 7)
        distinct += QChar(c);
    QTest::newRow("300 distinct CJK characters") << distinct << true << false << false << QString() << 0;
    // Two characters on each spare keycode, one on its Shift level, which the user's Shift must not choose.
    const QString mixedCase = distinct.left(80) + QStringLiteral("Hello, World! ") + distinct.right(40);
    QTest::newRow("distinct CJK and ASCII, user holds Shift") << mixedCase << true << false << false << QString() << 1;
    QTest::newRow("distinct CJK, user presses Shift meanwhile") << distinct << true << false << false << QString() << 2;
    // Four on each where the map has a third-level key, whose modifier the user's must not choose either.
    QTest::newRow("distinct CJK and ASCII, user holds AltGr") << mixedCase << true << false << false << QString() << 3;
    QTest::newRow("distinct CJK, user presses AltGr meanwhile") << distinct << true << false << false << QString() << 4;
    QString kana; // more than the pool holds, then each again: bound ones are reused
    for (int i = 0; kana.size() < 320; ++i)
        kana += QChar(0x3042 + i % 24);
    QTest::newRow("320 kana, us -> jp meanwhile") << kana << true << false << false << QStringLiteral("jp") << 0;
    const QString mixed = QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                                         "何でも薄暗い所で Nya-nya 泣いていた事だけは記憶している。"
                                         "（1905年）。「ホトトギス」に発表された長編小説です！");
    for (int run = 1; run <= 3; ++run)
        QTest::addRow("94 mixed characters with a busy client, run %d", run)
            << mixed << true << false << true << QString() << 0;
    QString ascii;
    while (ascii.size() < 900)
        ascii += QStringLiteral("The quick brown fox jumps over the lazy dog; 0123456789! ");
    QTest::newRow("900 ascii characters") << ascii << true << false << false << QString() << 0;
}

void tst_X11Backend::typing()
{
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QFETCH(bool, capsLock);
    QFETCH(bool, busy);
    QFETCH(QString, layout);
    QFETCH(int, userShift);
    std::unique_ptr<Sink> busyClient;
    if (busy) {
        busyClient = std::make_unique<Sink>(QStringLiteral("busy"), QRect(800, 500, 300, 300));
        QVERIFY(busyClient->waitReady());
    }
    Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
    QVERIFY(sink.waitReady());
    services().setCursorPos(300, 200);
    other_.setLocked(LockMask, capsLock);
    const KeySym userKey = userShift > 2 ? XK_ISO_Level3_Shift : XK_Shift_R;
    other_.key(userKey, userShift % 2 == 1);
    std::size_t delivered = 0;
    const bool meanwhile = !layout.isEmpty() || userShift == 2 || userShift == 4;
    const auto interval = std::chrono::milliseconds(meanwhile ? 5 : 0); // time to act during the text
    std::thread typist([&] { delivered = typeFromWorker(text, whole, interval); });
    if (meanwhile) {
        QTRY_VERIFY_WITH_TIMEOUT(sink.text().size() >= 40, 10000);
        if (userShift == 2 || userShift == 4)
            other_.key(userKey, true);
        else
            layoutChanged_ = setLayout(layout);
    }
    typist.join();
    other_.key(userKey, false);
    // Exact, or short (only where something changed meanwhile): then what was counted as delivered arrived exactly.
    const bool exact = delivered == static_cast<std::size_t>(text.size());
    QVERIFY(exact || meanwhile);
    const QString arrived =
        text.left(static_cast<qsizetype>(delivered)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (exact)
        QTRY_COMPARE_WITH_TIMEOUT(sink.text(), arrived, 10000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(sink.text().startsWith(arrived), 10000);
    int x = 0, y = 0;
    QCOMPARE((other_.pointer(x, y) & LockMask) != 0, capsLock);
    if (layout.isEmpty())
        return;
    // The keys the layout put on keycodes that were unused (the JIS ro and yen keys) are never blanked.
    QTRY_VERIFY_WITH_TIMEOUT(boundRecord(other_.display()).empty(), 3000);
    const std::vector<x11test::Keysyms> left = other_.mapping();
    QVERIFY(setLayout(layout));
    QCOMPARE(other_.mapping(), left);
    // Back to us: the keycodes come back to the pool (four characters on each).
    QVERIFY(setLayout(QStringLiteral("us")));
    QString fresh;
    for (char16_t c = 0x5000; fresh.size() < 4 * static_cast<qsizetype>(unusedAtStart_.size()); ++c)
        fresh += QChar(c);
    typeFromWorker(fresh, true);
    QCOMPARE(boundRecord(other_.display()).size(), unusedAtStart_.size());
}

void tst_X11Backend::typingRestoresSpareKeycodes()
{
    Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
    QVERIFY(sink.waitReady());
    services().setCursorPos(300, 200);
    QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), unusedAtStart_, 3000); // earlier bindings gone
    // Another program puts a key of its own on one of the unused keycodes.
    const int taken = *unusedAtStart_.begin();
    other_.bind(taken, {XK_F30});
    std::set<int> spare = unusedAtStart_;
    spare.erase(taken);
    QTest::qWait(50);
    QString text;
    for (char16_t c = 0x3041; text.size() < 60; ++c)
        text += QChar(c); // more distinct characters than there are spare keycodes
    typeFromWorker(text);
    services().sendKey(124, true); // F13, bound while held
    QVERIFY(other_.unusedKeycodes() != spare);
    // The record on the root window names exactly what is bound, as bound.
    const std::map<int, KeySym> record = boundRecord(other_.display());
    QCOMPARE(record.size(), spare.size() - other_.unusedKeycodes().size());
    for (const auto& [kc, sym] : record)
        QVERIFY(spare.count(kc) && other_.keycodeCarries(kc, sym));
    QTRY_COMPARE_WITH_TIMEOUT(sink.text(), text, 10000);
    QTest::qWait(600);
    QVERIFY2(other_.unusedKeycodes() != spare, "a held key keeps its binding");
    services().sendKey(124, false);
    QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), spare, 3000);
    QVERIFY(boundRecord(other_.display()).empty());
    QVERIFY(other_.keycodeCarries(taken, XK_F30));
    other_.bind(taken, {});
    // Batches are written as spans of keycodes: the keys in between came back as they were.
    QCOMPARE(other_.mapping(), mappingAtStart_);
}

void tst_X11Backend::releaseNeverWaitsForTyping()
{
    Sink sink(QStringLiteral("text"), QRect(100, 100, 600, 400));
    QVERIFY(sink.waitReady());
    services().setCursorPos(300, 200);
    QString text;
    for (char16_t c = 0x5000; text.size() < 300; c += 3)
        text += QChar(c);
    QVERIFY(services().sendKey(113, true)); // F2, held while the text goes out
    std::atomic<bool> typing{true};
    std::thread typist([&] {
        typeFromWorker(text, true);
        typing = false;
    });
    QTest::qWait(50);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(services().sendKey(113, false));
    const qint64 releaseMs = timer.elapsed();
    const bool overlapped = typing;
    QVERIFY(!other_.symDown(XK_F2));
    typist.join();
    QVERIFY2(overlapped, "the text was out before the release: nothing overlapped");
    QVERIFY2(releaseMs < 100, QByteArray::number(releaseMs).constData());
    QTRY_COMPARE_WITH_TIMEOUT(sink.text(), text, 10000);
}

void tst_X11Backend::startReclaimsWhatAKilledInstanceBound()
{
    QTRY_COMPARE_WITH_TIMEOUT(other_.unusedKeycodes(), unusedAtStart_, 3000);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("bind")});
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("BOUND"));
    const std::map<int, KeySym> record = boundRecord(other_.display());
    QCOMPARE(record.size(), 3u); // five characters on two keycodes (four levels, then one) and a held F13
    // A start while that instance lives leaves its bindings alone.
    platform::createDefaultServices().reset();
    QCOMPARE(boundRecord(other_.display()), record);
    for (const auto& [kc, sym] : record)
        QVERIFY(other_.keycodeCarries(kc, sym));
    // A layout loaded meanwhile empties its keycodes, yet its record still names them: they are not ours to take.
    QVERIFY(layoutChanged_ = setLayout(QStringLiteral("us")));
    QString text;
    for (char16_t c = 0x3041; text.size() < 40; ++c)
        text += QChar(c);
    typeFromWorker(text, true);
    for (const auto& [kc, sym] : boundRecord(other_.display(), 0))
        QVERIFY2(!record.count(kc), QByteArray::number(kc).constData());
    QTRY_VERIFY_WITH_TIMEOUT(boundRecord(other_.display(), 0).empty(), 3000);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(5000));
    // Meanwhile another program puts a key of its own on one of them.
    const int taken = record.begin()->first;
    other_.bind(taken, {XK_F30});
    for (const auto& pair : record)
        other_.keycode(pair.first, false); // the killed instance held F13 down
    auto second = platform::createDefaultServices();
    QVERIFY(second->isAvailable());
    std::set<int> expected = unusedAtStart_;
    expected.erase(taken);
    QCOMPARE(other_.unusedKeycodes(), expected);
    QVERIFY(other_.keycodeCarries(taken, XK_F30));
    QVERIFY(boundRecord(other_.display()).empty());
    second.reset();
    other_.bind(taken, {});
}

void tst_X11Backend::failuresAreReported()
{
    // Every spare keycode held down by keys missing from the map (F13-F24, keypad digits with NumLock off): no
    // keycode is left for a character that the map lacks.
    std::vector<int> held;
    for (int vk :
         {124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105}) {
        if (!services().sendKey(vk, true))
            break;
        held.push_back(vk);
    }
    QVERIFY2(held.size() < 22, "every key was bound: the pool never ran out"); // (pool: the unused keycodes)
    const platform::StopSignal never;
    QVERIFY(!services().sendUnicodeUnit(u'漢', true));
    QCOMPARE(services().typeText(u"ab漢c", std::chrono::steady_clock::now(), {}, never), 2u);
    for (int vk : held)
        QVERIFY(services().sendKey(vk, false));
    QCOMPARE(services().typeText(u"漢", std::chrono::steady_clock::now(), {}, never), 1u);
    QVERIFY(!services().sendUnicodeUnit(0xDC00, true)); // half a character
    QVERIFY(!services().sendKey(0, true));
}
