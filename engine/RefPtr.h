#pragma once
/**
 * @file RefPtr.h
 * @brief Holds one reference on an intrusively counted object (AddRef / Release).
 */
#include <utility>

namespace engine {

template <class T>
class RefPtr {
public:
    RefPtr() = default;
    /** Adopts the reference the caller holds (a new object starts with one). */
    static RefPtr Adopt(T* p)
    {
        RefPtr r;
        r.p_ = p;
        return r;
    }
    /** Takes an extra reference. */
    static RefPtr Share(T* p)
    {
        if (p) p->AddRef();
        return Adopt(p);
    }
    RefPtr(const RefPtr& o) : p_(o.p_)
    {
        if (p_) p_->AddRef();
    }
    RefPtr(RefPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    RefPtr& operator=(RefPtr o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }
    ~RefPtr() { reset(); }
    void reset()
    {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace engine
