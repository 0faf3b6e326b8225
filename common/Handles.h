#pragma once
// Owners of Windows resources: one small type per kind, used everywhere. A failed close is
// never thrown; the owners keep GetLastError intact when they take a handle.

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace Gathrix {

// Owner of a handle of kind Traits: Traits::Invalid() is "none", Traits::Close releases it.
template <class Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept : value(Traits::Invalid()) {}
    explicit UniqueResource(Type value) noexcept : value(value) {}
    UniqueResource(UniqueResource&& other) noexcept : value(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { Reset(); }

    Type Get() const noexcept { return value; }
    bool IsValid() const noexcept { return Traits::IsValid(value); }
    explicit operator bool() const noexcept { return IsValid(); }

    Type Release() noexcept { return std::exchange(value, Traits::Invalid()); }
    void Reset(Type newValue = Traits::Invalid()) noexcept {
        if (Traits::IsValid(value)) {
            DWORD lastError = GetLastError();
            Traits::Close(value);
            SetLastError(lastError);
        }
        value = newValue;
    }
    // For out-parameters of Windows calls: releases the current value first.
    Type* Put() noexcept {
        Reset();
        return &value;
    }

private:
    Type value;
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    // Windows uses both NULL and INVALID_HANDLE_VALUE for "no handle", depending on the call.
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { SysFreeString(h); }
};
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { LocalFree(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;
using UniqueBstr = UniqueResource<BstrTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;

// Owner of one reference to a COM object.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* owned) noexcept : pointer(owned) {}
    ComPtr(const ComPtr& other) noexcept : pointer(other.pointer) {
        if (pointer)
            pointer->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : pointer(std::exchange(other.pointer, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer, other.pointer);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return pointer; }
    T* operator->() const noexcept { return pointer; }
    explicit operator bool() const noexcept { return pointer != nullptr; }
    T** Put() noexcept {
        Reset();
        return &pointer;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Detach() noexcept { return std::exchange(pointer, nullptr); }
    void Reset() noexcept {
        if (T* old = std::exchange(pointer, nullptr))
            old->Release();
    }

private:
    T* pointer = nullptr;
};

// Owner of a VARIANT's contents (VariantClear on destruction).
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { VariantClear(&value); }

    VARIANT* Put() noexcept {
        VariantClear(&value);
        return &value;
    }
    const VARIANT& Get() const noexcept { return value; }
    VARIANT* operator&() noexcept { return &value; }

private:
    VARIANT value;
};

} // namespace Gathrix
