#include "ViewControllers/SiteTree/AvahiPoll.h"

#include <sys/time.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

#include <avahi-common/timeval.h>

struct AvahiWatch {
  int fd = -1;
  AvahiWatchEvent events = static_cast<AvahiWatchEvent>(0);
  AvahiWatchEvent happened = static_cast<AvahiWatchEvent>(0);
  AvahiWatchCallback callback = nullptr;
  void* userdata = nullptr;
  QSocketNotifier* read = nullptr;
  QSocketNotifier* write = nullptr;
};

struct AvahiTimeout {
  AvahiTimeoutCallback callback = nullptr;
  void* userdata = nullptr;
  QTimer* timer = nullptr;
};

namespace zelvo {

namespace {

void updateWatch(AvahiWatch* w, AvahiWatchEvent events) {
  w->events = events;
  w->read->setEnabled(events & (AVAHI_WATCH_IN | AVAHI_WATCH_HUP | AVAHI_WATCH_ERR));
  w->write->setEnabled(events & AVAHI_WATCH_OUT);
}

AvahiWatch* watchNew(const ::AvahiPoll*, int fd, AvahiWatchEvent events, AvahiWatchCallback callback, void* userdata) {
  auto* w = new AvahiWatch;
  w->fd = fd;
  w->callback = callback;
  w->userdata = userdata;
  w->read = new QSocketNotifier(fd, QSocketNotifier::Read);
  w->write = new QSocketNotifier(fd, QSocketNotifier::Write);
  // The callback may free the watch: nothing of it is touched after the call.
  QObject::connect(w->read, &QSocketNotifier::activated, [w] {
    w->happened = AVAHI_WATCH_IN;
    w->callback(w, w->fd, AVAHI_WATCH_IN, w->userdata);
  });
  QObject::connect(w->write, &QSocketNotifier::activated, [w] {
    w->happened = AVAHI_WATCH_OUT;
    w->callback(w, w->fd, AVAHI_WATCH_OUT, w->userdata);
  });
  updateWatch(w, events);
  return w;
}

AvahiWatchEvent watchGetEvents(AvahiWatch* w) { return w->happened; }

void watchFree(AvahiWatch* w) {
  w->read->setEnabled(false);
  w->write->setEnabled(false);
  w->read->deleteLater();
  w->write->deleteLater();
  delete w;
}

void timeoutUpdate(AvahiTimeout* t, const struct timeval* tv) {
  if (!tv) {
    t->timer->stop();
    return;
  }
  // Avahi gives the absolute time of the wake-up, on the wall clock.
  AvahiUsec usec = avahi_age(tv);  // positive when tv is in the past
  qint64 ms = usec >= 0 ? 0 : (-usec + 999) / 1000;
  t->timer->start(static_cast<int>(std::min<qint64>(ms, 0x7fffffff)));
}

AvahiTimeout* timeoutNew(const ::AvahiPoll*, const struct timeval* tv, AvahiTimeoutCallback callback, void* userdata) {
  auto* t = new AvahiTimeout;
  t->callback = callback;
  t->userdata = userdata;
  t->timer = new QTimer;
  t->timer->setSingleShot(true);
  t->timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(t->timer, &QTimer::timeout, [t] { t->callback(t, t->userdata); });
  timeoutUpdate(t, tv);
  return t;
}

void timeoutFree(AvahiTimeout* t) {
  t->timer->stop();
  t->timer->deleteLater();
  delete t;
}

}  // namespace

AvahiPoll::AvahiPoll() {
  api_.userdata = this;
  api_.watch_new = watchNew;
  api_.watch_update = updateWatch;
  api_.watch_get_events = watchGetEvents;
  api_.watch_free = watchFree;
  api_.timeout_new = timeoutNew;
  api_.timeout_update = timeoutUpdate;
  api_.timeout_free = timeoutFree;
}

AvahiPoll::~AvahiPoll() = default;

}  // namespace zelvo
