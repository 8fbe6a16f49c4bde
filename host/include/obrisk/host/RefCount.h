// Intrusive reference counting shared by every host and GPU object.
#pragma once

#include <atomic>
#include <cstdint>

#include <boost/intrusive_ptr.hpp>

namespace Obrisk {

// Root of every reference-counted host object. Counts are 32-bit unsigned;
// Release destroys the object when its count returns to 0.
class IRefCountable {
 public:
  virtual ~IRefCountable() = default;
  virtual std::uint32_t AddRef() const = 0;
  virtual std::uint32_t GetRefCount() const = 0;
  virtual std::uint32_t Release() const = 0;

 protected:
  IRefCountable() = default;
  IRefCountable(const IRefCountable&) = default;
  IRefCountable& operator=(const IRefCountable&) = default;
};

// The counter an object embeds; thread safe.
class RefCountImpl {
 public:
  std::uint32_t AddRefImpl() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t GetRefCountImpl() const { return count_.load(std::memory_order_acquire); }
  // Returns the new count; the caller destroys the object at 0.
  std::uint32_t ReleaseImpl() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

 private:
  std::atomic<std::uint32_t> count_{0};
};

// Implements the three counting operations of an interface on a RefCountImpl.
template <class Interface>
class RefCounted : public Interface {
 public:
  using Interface::Interface;

  std::uint32_t AddRef() const override { return refCount_.AddRefImpl(); }
  std::uint32_t GetRefCount() const override { return refCount_.GetRefCountImpl(); }
  std::uint32_t Release() const override {
    const std::uint32_t count = refCount_.ReleaseImpl();
    if (count == 0) delete this;
    return count;
  }

 private:
  mutable RefCountImpl refCount_;
};

inline void intrusive_ptr_add_ref(const IRefCountable* object) {
  object->AddRef();
}
inline void intrusive_ptr_release(const IRefCountable* object) {
  object->Release();
}

template <class T>
using Ptr = boost::intrusive_ptr<T>;

// Makes a new reference-counted object held by an intrusive pointer.
template <class T, class... Args>
Ptr<T> MakeRef(Args&&... args) {
  return Ptr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace Obrisk
