#pragma once

#include <atomic>

// The bytes of XML files that are being read through the DOM, all requests
// together: such a document costs many times its size in memory until its
// reply has left, so their sum is capped at limits::kXmlReadBudgetBytes.
class XmlReadBudget {
 public:
  // A share of the budget, given back when the lease goes.
  class Lease {
   public:
    Lease() = default;
    Lease(Lease&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = 0; }
    Lease& operator=(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease();
    long long bytes() const { return bytes_; }

   private:
    friend class XmlReadBudget;
    long long bytes_ = 0;
  };

  // Adds bytes to the lease; false, and nothing taken, when the budget has
  // not that much left.
  static bool take(long long bytes, Lease& lease);
  static long long inUse();

 private:
  static std::atomic<long long> used_;  // the guard: every change is one atomic step
};
