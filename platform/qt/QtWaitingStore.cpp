#include "QtWaitingStore.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <memory>

namespace hx {

namespace {

// While it lives, the input meant for the window (keys, clicks, the window's close) is set
// aside, as a modal dialog would: an operation that waits for its number is not started twice
// or closed under itself. Painting and timers go on.
class InputAside : public QObject {
public:
    InputAside() { qApp->installEventFilter(this); }
    ~InputAside() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

QtWaitingStore::QtWaitingStore(ISerialStore& store)
    : m_store(store), m_location(store.Location()), m_thread([this] { Work(); }) {}

QtWaitingStore::~QtWaitingStore() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void QtWaitingStore::Post(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    m_wake.notify_one();
}

void QtWaitingStore::Work() {
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_ending || !m_calls.empty(); });
            if (m_calls.empty())
                return; // ending, and nothing is left to do
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call();
    }
}

SerialReservation QtWaitingStore::Reserve(const uint32_t* typed, bool moveBack,
                                          const BoxRecord& record) {
    const bool hasTyped = typed != nullptr;
    const uint32_t typedNumber = typed ? *typed : 0;
    // The answer, shared with the store's thread: the window's thread waits in loop until
    // the store's thread has put it here.
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;
        SerialReservation result;
        QEventLoop* loop = nullptr; // touched by the window's thread only
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    answer->loop = &loop;
    Post([this, answer, hasTyped, typedNumber, moveBack, record] {
        SerialReservation r = m_store.Reserve(hasTyped ? &typedNumber : nullptr, moveBack, record);
        {
            std::lock_guard<std::mutex> lock(answer->mutex);
            answer->result = std::move(r);
            answer->done = true;
        }
        answer->ready.notify_one();
        QMetaObject::invokeMethod(qApp, [answer] {
            if (answer->loop)
                answer->loop->quit();
        });
    });
    InputAside aside;
    std::unique_ptr<QProgressDialog> note;
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, [&note] {
        note = std::make_unique<QProgressDialog>(
            QStringLiteral("シリアル番号をデータベースに問い合わせています…"), QString(), 0, 0,
            QApplication::activeWindow());
        note->setWindowTitle(QApplication::applicationDisplayName());
        note->setWindowModality(Qt::ApplicationModal);
        note->setMinimumDuration(0);
        note->show();
    });
    later.start(kNoteAfterMs);
    loop.exec();
    answer->loop = nullptr;
    // An application that quits ends every loop at once: the answer is then waited for here.
    std::unique_lock<std::mutex> lock(answer->mutex);
    answer->ready.wait(lock, [&answer] { return answer->done; });
    return answer->result;
}

bool QtWaitingStore::Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                            std::string& why) {
    why.clear();
    Post([this, r, programmed, sent] {
        std::string lost; // the window has no place for it once the operation has ended
        m_store.Finish(r, programmed, sent, lost);
    });
    return true;
}

} // namespace hx
