#pragma once
#include <windows.h>

#include <mutex>

// A lock and a condition variable from the system's own slim primitives. They
// hold no kernel object, so nothing is left behind whoever waits on them:
// Media Foundation's threads wait in our stream's reads, and a winpthreads
// condition variable waited on from there left two semaphores behind per song.
//
// SrwMutex meets the standard's Lockable, so std::lock_guard and
// std::unique_lock work with it.
class SrwMutex {
  public:
    SrwMutex() = default;
    SrwMutex(const SrwMutex&) = delete;
    SrwMutex& operator=(const SrwMutex&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != FALSE; }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native() { return &lock_; }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class SrwCondition {
  public:
    SrwCondition() = default;
    SrwCondition(const SrwCondition&) = delete;
    SrwCondition& operator=(const SrwCondition&) = delete;

    void notify_all() { WakeAllConditionVariable(&condition_); }
    // Waits for a wake-up (or a spurious one); false when `ms` passed first.
    bool wait_for(std::unique_lock<SrwMutex>& lock, DWORD ms) {
        return SleepConditionVariableSRW(&condition_, lock.mutex()->native(), ms, 0) != FALSE;
    }
    void wait(std::unique_lock<SrwMutex>& lock) { wait_for(lock, INFINITE); }
    template <class Predicate> void wait(std::unique_lock<SrwMutex>& lock, Predicate done) {
        while (!done())
            wait(lock);
    }

  private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};
