#pragma once
// Runs a test's action at a chosen pumping of the event loop.

#include <QCoreApplication>
#include <QMetaObject>
#include <functional>
#include <utility>

namespace pumping {

// Runs `action` during the n-th time the event loop is pumped from now on
// (1: the pumping at the start of a computation, 2: the one after its first
// pass, ...). Each pumping runs the events posted before it began, so a call
// posted from one pumping runs in the next.
inline void AtPumping(int n, std::function<void()> action) {
  QMetaObject::invokeMethod(
      qApp,
      [n, action = std::move(action)]() mutable {
        if (n <= 1) {
          action();
        } else {
          AtPumping(n - 1, std::move(action));
        }
      },
      Qt::QueuedConnection);
}

}  // namespace pumping
