#pragma once
// Work handed to another thread through Qt's event queue is ordered by Qt's own
// locks and reference counts, which a ThreadSanitizer build cannot see: Qt is not
// built with it, and its mutexes wait on futexes directly. invokeOnThreadOf posts
// like QMetaObject::invokeMethod and tells the sanitizer about that order: the
// poster's work (including the posted callable itself) happens before the call,
// and a finished call happens before whatever the poster does once the thread's
// queue hands the callable back. In every other build the marks are nothing.

#include <QObject>
#include <QThread>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define ZELVO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZELVO_THREAD_SANITIZER 1
#endif
#endif

#ifdef ZELVO_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace zelvo {

inline void markHandOff([[maybe_unused]] const void* token) {
#ifdef ZELVO_THREAD_SANITIZER
  __tsan_release(const_cast<void*>(token));
#endif
}

inline void markTakeOver([[maybe_unused]] const void* token) {
#ifdef ZELVO_THREAD_SANITIZER
  __tsan_acquire(const_cast<void*>(token));
#endif
}

namespace detail {

// The target thread's address stands for its event queue. Every move marks a
// hand-off, so the last one (Qt's copy into its slot object) comes after every
// byte of the callable is written.
template <class F>
class HandedOver {
 public:
  HandedOver(F fn, const QThread* thread) : fn_(std::move(fn)), thread_(thread) {}
  HandedOver(HandedOver&& other) noexcept : fn_(std::move(other.fn_)), thread_(other.thread_) { markHandOff(thread_); }
  HandedOver(const HandedOver&) = delete;
  HandedOver& operator=(const HandedOver&) = delete;
  HandedOver& operator=(HandedOver&&) = delete;
  // Destroyed by whichever side lets go of it last: on the target thread that may be
  // without a call (a queue dropped as its thread ends), so the hand-off is taken
  // over there before the member naming it is read.
  ~HandedOver() {
    markTakeOver(QThread::currentThread());
    markTakeOver(thread_);
  }

  void operator()() {
    markTakeOver(QThread::currentThread());
    fn_();
    markHandOff(QThread::currentThread());
  }

 private:
  F fn_;
  const QThread* thread_;
};

}  // namespace detail

// QMetaObject::invokeMethod(context, fn, type) for a callable without arguments.
template <class F>
void invokeOnThreadOf(QObject* context, F fn, Qt::ConnectionType type = Qt::QueuedConnection) {
  const QThread* thread = context->thread();
  QMetaObject::invokeMethod(context, detail::HandedOver<F>(std::move(fn), thread), type);
  markTakeOver(thread);
}

}  // namespace zelvo
