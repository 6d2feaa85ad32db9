#pragma once
// UniqueResource: sole ownership of one operating-system resource (a handle,
// a key, a GDI object, memory in another process), released exactly once.
// Portable: the Windows kinds are traits types in platform/win/handles.h;
// tests use traits with a fake release to check the ownership rules.
//
// A traits type provides
//   using Value = ...;                   what the system calls hand out
//   static Value invalid();              the value an empty owner holds
//   static bool valid(Value v);          false for every value that must
//                                        not be released
//   void close(Value v);                 releases a valid value
// close() may use state of the traits object (the window a DC belongs to,
// the process a buffer lives in); that state moves with the value.

#include <utility>

namespace kova {

template <class Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;

  UniqueResource() = default;
  explicit UniqueResource(Value value, Traits traits = Traits())
      : value_(value), traits_(std::move(traits)) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  // The source is left empty; the value is released once, by its new owner.
  UniqueResource(UniqueResource&& other) noexcept
      : value_(other.release()), traits_(std::move(other.traits_)) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      reset(other.release());  // releases the old value with the old traits first
      traits_ = std::move(other.traits_);
    }
    return *this;
  }

  Value get() const { return value_; }
  const Traits& traits() const { return traits_; }
  explicit operator bool() const { return Traits::valid(value_); }

  // Gives the value up without releasing it; the owner is empty afterwards.
  [[nodiscard]] Value release() {
    Value v = value_;
    value_ = Traits::invalid();
    return v;
  }
  // Releases the value held (when valid) and takes `value` instead.
  void reset(Value value = Traits::invalid()) {
    Value old = value_;
    value_ = value;
    if (Traits::valid(old)) traits_.close(old);
  }
  // For a system call that hands the value out through a pointer
  // (RegOpenKeyExW, CreatePipe, OpenProcessToken): releases what is held and
  // returns where the call is to store the new value.
  Value* receive() {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::invalid();
  [[no_unique_address]] Traits traits_{};
};

}  // namespace kova
