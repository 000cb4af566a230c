// A real second thread for the tests, as the Windows backend gives one.
#pragma once

#include <thread>

#include "platform/helper_thread.h"

namespace frin {

class StdHelperThread : public HelperThread {
 public:
  bool Start(void (*work)(void*), void* arg) override {
    thread_ = std::thread(work, arg);
    return true;
  }
  void Join() override { thread_.join(); }
  void Pause() override { std::this_thread::yield(); }

 private:
  std::thread thread_;
};

}  // namespace frin
