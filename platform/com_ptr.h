// Reference-counted shell objects: the counting base every shell interface derives from, the
// counted reference that holds one, and the counting implementation that backends build on.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace talvex {

// The counting half of a COM interface. An object lives while somebody holds a reference to it;
// the last Release destroys it.
class IUnknown {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// A counted reference: copying adds a reference, destruction releases it. An out parameter of a
// shell call (ComPtr<T>*) receives a reference that the ComPtr then owns.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_ != nullptr)
      p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& other) : p_(other.get()) {
    if (p_ != nullptr)
      p_->AddRef();
  }
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes over a reference that the caller already holds (no AddRef).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr))
      p->Release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// The reference count of an implementation: Impl derives from ComObject<Interface>.
template <class Interface>
class ComObject : public Interface {
 public:
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t left = --refs_;
    if (left == 0)
      delete this;
    return left;
  }

 private:
  std::atomic<uint32_t> refs_{0};
};

// A new object of type Impl with one reference, held by the returned pointer.
template <class Interface, class Impl, class... Args>
ComPtr<Interface> MakeComObject(Args&&... args) {
  Impl* object = new Impl(std::forward<Args>(args)...);
  object->AddRef();
  return ComPtr<Interface>::Attach(object);
}

}  // namespace talvex
