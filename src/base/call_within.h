// A blocking call that has no time-out of its own (name resolution), given one: it runs on a
// thread of its own, and a result that comes too late is handed to `discard` there.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace zotpx {

template <typename T>
std::optional<T> CallWithin(int timeout_ms, std::function<T()> work,
                            std::function<void(T&)> discard) {
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    std::optional<T> result;
    bool abandoned = false;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, work = std::move(work), discard = std::move(discard)] {
    T result = work();
    const std::lock_guard<std::mutex> hold(shared->lock);
    if (shared->abandoned) {
      discard(result);
      return;
    }
    shared->result = std::move(result);
    shared->done.notify_one();
  }).detach();
  std::unique_lock<std::mutex> hold(shared->lock);
  if (!shared->done.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                             [&] { return shared->result.has_value(); })) {
    shared->abandoned = true;
    return std::nullopt;
  }
  return std::move(shared->result);
}

}  // namespace zotpx
