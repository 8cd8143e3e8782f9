// The window's way to a slow serial-number store: the window keeps working while a reservation
// is waited for, its input is set aside, a note says what it waits for, and the ends of
// reservations reach the store in order without being waited for.
#include "QtWaitingStore.h"
#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <mutex>
#include <thread>

namespace hx::test {
namespace {

// A store that takes its time over every call and keeps what it was asked, in order.
struct SlowStore : ISerialStore {
    std::chrono::milliseconds delay{0};
    std::mutex mutex;
    std::vector<std::string> calls;
    std::thread::id asker;
    SerialReservation Reserve(const uint32_t* typed, bool, const BoxRecord& record) override {
        std::this_thread::sleep_for(delay);
        std::lock_guard<std::mutex> lock(mutex);
        asker = std::this_thread::get_id();
        calls.push_back("reserve " + record.operation + (typed ? " typed" : ""));
        SerialReservation r;
        r.given = typed ? *typed : 0x25000009;
        r.next = 0x25000010;
        r.requestId = "request";
        return r;
    }
    bool Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                std::string&) override {
        std::this_thread::sleep_for(delay);
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back("finish " + r.requestId + (programmed ? " programmed " : " failed ") +
                        std::to_string(sent.size()));
        return true;
    }
    std::string Location() const override { return "postgresql://hx@/line"; }
};

BoxRecord Record(const char* operation) {
    BoxRecord record;
    record.operation = operation;
    return record;
}

QProgressDialog* VisibleNote() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* note = qobject_cast<QProgressDialog*>(w); note && note->isVisible())
            return note;
    return nullptr;
}

TEST(QtWaitingStore, TheWindowWorksOnWhileItsInputWaitsForTheNumber) {
    EnsureApp();
    QLineEdit field;
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    SlowStore slow;
    slow.delay = std::chrono::milliseconds(900);
    QtWaitingStore store(slow);
    EXPECT_EQ(store.Location(), "postgresql://hx@/line");

    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(50);
    bool closed = true;
    QString noteText;
    QTimer::singleShot(100, [&] {
        QTest::keyClicks(&field, "12");
        closed = field.close() || !field.isVisible();
    });
    QTimer::singleShot(700, [&] {
        if (QProgressDialog* note = VisibleNote())
            noteText = note->labelText();
    });
    const uint32_t typed = 0x01234567;
    const SerialReservation r =
        store.Reserve(&typed, false, BoxRecord{"provision", "COM3", "1.2", "HX-5310", "2.05"});

    EXPECT_EQ(r.given, 0x01234567u);
    EXPECT_NE(slow.asker, std::this_thread::get_id()) << "asked on the window's thread";
    EXPECT_GE(ticks, 10) << "the window's timers stood still";
    EXPECT_EQ(field.text(), "") << "keys reached the window while it waited";
    EXPECT_FALSE(closed) << "the window closed while it waited";
    EXPECT_EQ(noteText, "シリアル番号をデータベースに問い合わせています…");
    EXPECT_EQ(VisibleNote(), nullptr) << "the note outlived the wait";
    QTest::keyClicks(&field, "34");
    EXPECT_EQ(field.text(), "34") << "input stayed aside after the wait";
}

TEST(QtWaitingStore, EndsAreNotWaitedForAndReachTheStoreInOrderBeforeItGoes) {
    EnsureApp();
    SlowStore slow;
    slow.delay = std::chrono::milliseconds(200);
    {
        QtWaitingStore store(slow);
        const SerialReservation r = store.Reserve(nullptr, false, Record("factory-reset"));
        const auto start = std::chrono::steady_clock::now();
        std::string why = "old";
        EXPECT_TRUE(store.Finish(r, true, std::string(2048, '\0'), why));
        EXPECT_TRUE(store.Finish(r, false, {}, why));
        EXPECT_TRUE(why.empty());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
        // A reservation after them waits for them: the store hears everything in order.
        store.Reserve(nullptr, false, Record("send"));
    }
    std::lock_guard<std::mutex> lock(slow.mutex);
    EXPECT_EQ(slow.calls,
              (std::vector<std::string>{"reserve factory-reset", "finish request programmed 2048",
                                        "finish request failed 0", "reserve send"}));
}

} // namespace
} // namespace hx::test
