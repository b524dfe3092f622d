// The base of controllers, control wrappers and observable objects: interface queries without ownership.
#pragma once

#include <type_traits>

namespace tess::common {

// Interfaces in this system are abstract classes with a protected destructor: an interface
// pointer can be queried and compared but never deleted, so holding one never owns the object.
// The owner keeps the object itself (usually in a std::unique_ptr) and frees it explicitly.
class TDObject {
public:
  TDObject() = default;
  virtual ~TDObject() = default;
  TDObject(const TDObject&) = delete;
  TDObject& operator=(const TDObject&) = delete;

  // The object as the interface I, or null when it does not implement it.
  template <class I>
  I* GetInterface() {
    return dynamic_cast<I*>(this);
  }
  template <class I>
  const I* GetInterface() const {
    return dynamic_cast<const I*>(this);
  }
  template <class I>
  bool Supports() const {
    return GetInterface<I>() != nullptr;
  }
};

// Queries any interface or object pointer for another interface; null stays null. A cross
// query (from one interface of an object to another of the same object) works as well.
template <class I, class T>
I* Supports(T* AObject) {
  static_assert(std::is_polymorphic_v<T>, "interface queries need a polymorphic type");
  return AObject == nullptr ? nullptr : dynamic_cast<I*>(AObject);
}

// The identity of the complete object behind a pointer. Two interface pointers of one object
// differ as addresses when the object implements several interfaces; their identities do not.
template <class T>
const void* ObjectIdentity(const T* AObject) {
  if (AObject == nullptr) return nullptr;
  if constexpr (std::is_polymorphic_v<T>)
    return dynamic_cast<const void*>(AObject);
  else
    return static_cast<const void*>(AObject);
}

template <class A, class B>
bool SameObject(const A* ALeft, const B* ARight) {
  return ObjectIdentity(ALeft) == ObjectIdentity(ARight);
}

}  // namespace tess::common
