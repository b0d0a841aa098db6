#pragma once
#include <unknwn.h>

#include <atomic>

// IUnknown for an object this program hands to COM: it answers for IUnknown,
// `Interface` and each of `Also` (interfaces `Interface` derives from), starts
// with one reference and deletes itself when the last one is released.
template <typename Interface, typename... Also> class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(Interface) || ((iid == __uuidof(Also)) || ...)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    ComObject() = default;
    virtual ~ComObject() = default; // only Release() ends it

  private:
    std::atomic<ULONG> references_ = 1;
};
