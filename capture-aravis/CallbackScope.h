#pragma once
// Marks the calling thread, for its lifetime, as running one of a handle's
// callbacks (the delivery thread's frame callbacks, a device-lost callback),
// so that a stop or close called from there does not wait for itself.

class Grabber;

class CallbackScope {
public:
    explicit CallbackScope(const Grabber* grabber) : previous_(current) { current = grabber; }
    ~CallbackScope() { current = previous_; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

    static bool Inside(const Grabber* grabber) { return current == grabber; }

private:
    static inline thread_local const Grabber* current = nullptr;
    const Grabber* const previous_;
};
