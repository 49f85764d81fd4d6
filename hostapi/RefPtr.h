// One counted reference to a CRefCounted object (or any type with AddRef and
// Release): Assign takes a reference, Release (and the destructor) gives it
// back, swallowing whatever the object's Release throws.
#pragma once

#include <utility>

template <class T> class CRefPtr {
public:
  CRefPtr() = default;
  explicit CRefPtr(T* object) { Assign(object); }
  CRefPtr(const CRefPtr& other) { Assign(other.m_p); }
  CRefPtr(CRefPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  CRefPtr& operator=(const CRefPtr& other) {
    if (this != &other) {
      T* keep = other.m_p;
      if (keep)
        keep->AddRef();
      Release();
      m_p = keep;
    }
    return *this;
  }
  CRefPtr& operator=(CRefPtr&& other) noexcept {
    if (this != &other) {
      Release();
      m_p = std::exchange(other.m_p, nullptr);
    }
    return *this;
  }
  ~CRefPtr() { Release(); }

  // Stores the object (which may be null) and takes a reference to it; a
  // reference held before is given back first.
  void Assign(T* object) {
    if (object)
      object->AddRef();
    Release();
    m_p = object;
  }

  // Takes over a reference the caller already holds (a factory's result).
  void Attach(T* object) {
    Release();
    m_p = object;
  }

  // Gives the reference back and forgets the object; nothing when empty.
  void Release() noexcept {
    T* p = std::exchange(m_p, nullptr);
    if (!p)
      return;
    try {
      p->Release();
    } catch (...) {
    }
  }

  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }

private:
  T* m_p = nullptr;
};
