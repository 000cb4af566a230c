// A second thread for work that splits in two (decoding and stretching a picture at start-up);
// the backend owns the threads, and work runs on the caller's thread alone where there is none.
#pragma once

namespace frin {

class HelperThread {
 public:
  virtual ~HelperThread() = default;
  // Starts work(arg) on another thread; false when none can be had (the caller then does it all).
  // The work must not throw.
  virtual bool Start(void (*work)(void* arg), void* arg) = 0;
  // Waits until the started work has returned.
  virtual void Join() = 0;
  // Gives the processor away for a moment while one thread waits for the other.
  virtual void Pause() = 0;
};

}  // namespace frin
