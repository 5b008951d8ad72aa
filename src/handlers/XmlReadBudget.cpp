#include "handlers/XmlReadBudget.h"

#include <utility>

#include "platform/Limits.h"

std::atomic<long long> XmlReadBudget::used_{0};

XmlReadBudget::Lease& XmlReadBudget::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    used_.fetch_sub(bytes_);
    bytes_ = std::exchange(other.bytes_, 0);
  }
  return *this;
}

XmlReadBudget::Lease::~Lease() {
  used_.fetch_sub(bytes_);
}

bool XmlReadBudget::take(long long bytes, Lease& lease) {
  long long used = used_.load();
  do {
    if (bytes > limits::kXmlReadBudgetBytes - used) return false;
  } while (!used_.compare_exchange_weak(used, used + bytes));
  lease.bytes_ += bytes;
  return true;
}

long long XmlReadBudget::inUse() {
  return used_.load();
}
