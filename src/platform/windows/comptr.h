#pragma once

// Owns one reference to a COM interface: every object the layer receives is released exactly
// once, when its owner goes away, and never by hand.

#include <unknwn.h>

#include <utility>

namespace platform {
namespace windows {

template <typename T>
class ComPtr
{
public:
    ComPtr() = default;
    // Adopts a reference the caller already owns (an out-parameter of a COM call).
    static ComPtr adopt(T *p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    // Takes a reference of its own.
    static ComPtr share(T *p)
    {
        if (p)
            p->AddRef();
        return adopt(p);
    }
    ComPtr(const ComPtr &other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr &operator=(ComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (T *p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: drops what is held and hands out the slot.
    T **put()
    {
        reset();
        return &m_p;
    }

    template <typename U>
    HRESULT queryInterface(REFIID iid, ComPtr<U> &out) const
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, reinterpret_cast<void **>(out.put()));
    }

private:
    T *m_p = nullptr;
};

} // namespace windows
} // namespace platform
