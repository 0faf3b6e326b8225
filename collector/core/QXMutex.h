#pragma once
// The in-house synchronisation objects. The collector uses the named mutex only as a marker that
// an instance runs.

#include <windows.h>

#include <cstdint>
#include <string>

namespace ostrilib {

class noncopyable {
protected:
    noncopyable() = default;
    ~noncopyable() = default;

public:
    noncopyable(const noncopyable&) = delete;
    noncopyable& operator=(const noncopyable&) = delete;
};

class CQXSyncObject : public noncopyable {
public:
    virtual ~CQXSyncObject() = default;
    virtual bool Lock(std::uint32_t timeoutMs) = 0;
    virtual BOOL Unlock() = 0;
};

// A named mutex that every account may open (null DACL). Its handle is not inheritable: a
// program the collector started and left running must not keep the marker alive.
class CQXMutex : public CQXSyncObject {
public:
    // Creates the mutex, or opens it when it exists, not owned. Throws the Windows error code
    // (std::uint32_t) when neither works.
    explicit CQXMutex(const std::wstring& name);
    ~CQXMutex() override;

    bool Lock(std::uint32_t timeoutMs) override;
    BOOL Unlock() override;

    static bool Exists(const std::wstring& name);

    HANDLE GetHandle() const { return handle; }

private:
    HANDLE handle = nullptr;
    SECURITY_ATTRIBUTES attributes{};
    SECURITY_DESCRIPTOR descriptor{};
};

} // namespace ostrilib
