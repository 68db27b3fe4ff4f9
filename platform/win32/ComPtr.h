// Owns one COM interface pointer and releases it when it goes. Windows only.
#pragma once

#include <unknwn.h>

template <typename T>
class KVComPtr {
public:
  KVComPtr() = default;
  ~KVComPtr() { Reset(); }
  KVComPtr(const KVComPtr&) = delete;
  KVComPtr& operator=(const KVComPtr&) = delete;

  // For the out parameter of a creating call; whatever was held is released first.
  T** Put() {
    Reset();
    return &pointer;
  }
  // The same as a void** for calls that take any interface (CoCreateInstance, QueryInterface).
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  T* Get() const { return pointer; }
  T* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }

  void Reset() {
    if (pointer != nullptr) pointer->Release();
    pointer = nullptr;
  }

private:
  T* pointer = nullptr;
};
