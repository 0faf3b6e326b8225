#include "collector/core/QXMutex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using ostrilib::CQXMutex;

std::wstring UniqueName(const wchar_t* hint) {
    static unsigned counter = 0;
    return std::wstring(L"Local\\GathrixTest_") + hint + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(++counter);
}

TEST(QXMutex, ExistsOnlyWhileAnObjectHoldsTheName) {
    std::wstring name = UniqueName(L"exists");
    EXPECT_FALSE(CQXMutex::Exists(name));
    {
        CQXMutex first(name);
        EXPECT_TRUE(CQXMutex::Exists(name));
        CQXMutex second(name);  // opens the existing one
        EXPECT_TRUE(CQXMutex::Exists(name));
    }
    EXPECT_FALSE(CQXMutex::Exists(name));
}

TEST(QXMutex, HandleIsNotInherited) {
    CQXMutex mutex(UniqueName(L"inherit"));
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(mutex.GetHandle(), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
}

TEST(QXMutex, DestructorReleasesALockSoTheMutexIsNotAbandoned) {
    std::wstring name = UniqueName(L"lock");
    CQXMutex other(name);
    {
        CQXMutex owner(name);
        ASSERT_TRUE(owner.Lock(0));
    }
    bool locked = false;
    std::thread([&] {
        locked = other.Lock(1000);
        if (locked)
            other.Unlock();
    }).join();
    EXPECT_TRUE(locked);
}

TEST(QXMutex, LockFailsWhileAnotherThreadOwnsIt) {
    std::wstring name = UniqueName(L"owned");
    CQXMutex mutex(name);
    ASSERT_TRUE(mutex.Lock(0));
    bool lockedElsewhere = true;
    std::thread([&] {
        CQXMutex second(name);
        lockedElsewhere = second.Lock(0);
    }).join();
    EXPECT_FALSE(lockedElsewhere);
    EXPECT_TRUE(mutex.Unlock());
}

TEST(QXMutex, ConstructorThrowsTheWindowsErrorWhenTheNameIsTaken) {
    std::wstring name = UniqueName(L"event");
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(event, nullptr);
    try {
        CQXMutex mutex(name);
        ADD_FAILURE() << "no error thrown";
    } catch (std::uint32_t error) {
        EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
    }
    CloseHandle(event);
}

} // namespace
