#pragma once
// Callbacks as the robot library takes them: an object whose invoke() calls a
// member function of another object.

class ArFunctor {
 public:
  virtual ~ArFunctor() = default;
  virtual void invoke() = 0;
};

template <class T>
class ArFunctorC : public ArFunctor {
 public:
  ArFunctorC() = default;
  ArFunctorC(T* object, void (T::*method)()) : object_(object), method_(method) {}
  ArFunctorC(T& object, void (T::*method)()) : object_(&object), method_(method) {}
  void setThis(T* object) { object_ = object; }
  void invoke() override {
    if (object_ != nullptr && method_ != nullptr) (object_->*method_)();
  }

 private:
  T* object_ = nullptr;
  void (T::*method_)() = nullptr;
};
