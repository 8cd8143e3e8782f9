#include "QtTestSupport.h"

#include "QtApp.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

namespace hx::test {

void EnsureApp() {
    if (QCoreApplication::instance())
        return;
    EnsureQtApp();
    QApplication::setOrganizationName("QORVA-test");
    QApplication::setApplicationName("HX-5310-Config-test");
}

bool PlatformHasFonts() {
    EnsureApp();
    return !QFontDatabase::families().isEmpty();
}

bool WaitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() >= ms)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(1);
    }
    return true;
}

void AnswerNextModal(std::function<void(QWidget*)> inspect, int ms) {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QDialog*>(modal);
        if (box && box->isVisible()) {
            if (inspect)
                inspect(box);
            if (!box->isVisible())
                return; // inspect answered it
            if (auto* mb = qobject_cast<QMessageBox*>(box))
                mb->accept();
            else
                box->reject();
            return;
        }
        if (started->elapsed() < ms)
            QTimer::singleShot(5, *poll);
    };
    QTimer::singleShot(0, *poll);
}

QtClock::~QtClock() = default;

void QtClock::After(uint64_t delayMs, std::function<void()> fn) {
    m_due.emplace(Now() + delayMs, std::move(fn)); // after those already due at that time
    if (!m_wake) {
        m_wake = std::make_unique<QTimer>();
        m_wake->setSingleShot(true);
        m_wake->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_wake.get(), &QTimer::timeout, [this] { RunDue(); });
    }
    Wake();
}

void QtClock::RunDue() {
    // One at a time: a callback may schedule more, also for now. The timer is armed while one
    // runs, so that a callback that opens a modal loop leaves the clock going.
    while (!m_due.empty() && m_due.begin()->first <= Now()) {
        std::function<void()> fn = std::move(m_due.begin()->second);
        m_due.erase(m_due.begin());
        Wake();
        fn();
    }
    Wake();
}

void QtClock::Wake() {
    if (m_due.empty()) {
        m_wake->stop();
        return;
    }
    const uint64_t now = Now(), at = m_due.begin()->first;
    m_wake->start(static_cast<int>(at > now ? at - now : 0));
}

int RecordingEvents::OnInitDialog() {
    return onInit ? onInit() : 1;
}

void RecordingEvents::OnCommand(int id, Notify code, int newFocusId) {
    commands.push_back({id, code, newFocusId});
    if (onCommand)
        onCommand(commands.back());
}

int RecordingEvents::OnCommEvent(unsigned event, long tag) {
    commEvents.emplace_back(event, tag);
    return 1;
}

int RecordingEvents::Count(int id, Notify code) const {
    int n = 0;
    for (const auto& c : commands)
        n += c.id == id && c.code == code;
    return n;
}

} // namespace hx::test
