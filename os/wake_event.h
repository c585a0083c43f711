#pragma once
// A wake-up signal one thread raises and another waits for with poll(): an
// eventfd that stays readable once raised. It never resets, so a stop that
// arrives before the waiter starts waiting is not lost.

class WakeEvent {
 public:
  WakeEvent();  // check valid(); error() holds the errno of a failed creation
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  bool valid() const { return fd_ >= 0; }
  int error() const { return error_; }
  // Descriptor to poll for POLLIN; -1 when creation failed.
  int fd() const { return fd_; }
  // Safe from any thread. False (errno set) when there is no event or the write fails.
  bool raise() const;
  // True once raised (never blocks).
  bool raised() const;

 private:
  int fd_ = -1;
  int error_ = 0;
};
