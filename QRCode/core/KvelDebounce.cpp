#include "QRCode/core/KvelDebounce.hpp"

#include <utility>

KvelDebounce::KvelDebounce(foundation::DispatchQueue& queue, double interval)
    : queue_(&queue), workItem_(foundation::makeWorkItem({})), interval_(interval) {}

void KvelDebounce::debounce(std::function<void()> action) {
  // Cancelling an item that has run, or the placeholder, changes nothing.
  workItem_->cancel();
  workItem_ = foundation::makeWorkItem(std::move(action));
  queue_->asyncAfter(interval_, workItem_);
}
