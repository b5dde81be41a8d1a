#pragma once

namespace HXJPEG {

// A polymorphic holder of one plain value: a callback struct of the flat interface or a codec
// handle pointer. Subclasses give the value its behaviour (forwarding callbacks, releasing).
template <typename T>
class BaseRef {
public:
    explicit BaseRef(T value = T{}) : value_(value) {}
    virtual ~BaseRef() = default;
    BaseRef(const BaseRef&) = delete;
    BaseRef& operator=(const BaseRef&) = delete;

    T& Get() { return value_; }
    const T& Get() const { return value_; }

protected:
    T value_;
};

}  // namespace HXJPEG
