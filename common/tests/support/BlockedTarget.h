#pragma once
// A file that is about to be written, made unwritable the ways a PC makes it: another program
// (a virus scanner, an indexer) holds it open without sharing, a folder has taken its name, or
// it is read-only. The file's earlier content, where it had one, stays for the test to compare.

#include "common/Handles.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace Gathrix::Testing {

enum class Blocking { HeldOpen, TakenByFolder, ReadOnly };

struct BlockingCase {
    Blocking how;
    const char* name;
};

inline const BlockingCase BlockingCases[] = {
    {Blocking::HeldOpen, "held open without sharing"},
    {Blocking::TakenByFolder, "name taken by a folder"},
    {Blocking::ReadOnly, "read-only"},
};

class BlockedTarget {
public:
    // A missing file is created with `content` first (but for a folder taking its name, which
    // takes the place of any file).
    BlockedTarget(const std::wstring& path, Blocking how, const std::string& content = "earlier")
        : path(path), how(how) {
        const bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (how == Blocking::TakenByFolder) {
            DeleteFileW(path.c_str());
            CreateDirectoryW(path.c_str(), nullptr);
            return;
        }
        if (!exists)
            WriteFileBytes(path, content);
        if (how == Blocking::HeldOpen)
            holder.Reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        else
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ~BlockedTarget() { Release(); }
    BlockedTarget(const BlockedTarget&) = delete;
    BlockedTarget& operator=(const BlockedTarget&) = delete;

    // Whether the target is blocked and this system refuses to write it. Wine run by root writes
    // a read-only file (Wine keeps the attribute in the Unix permissions, which root passes): that
    // case is skipped with a note. Any other blocking that does not hold fails the test.
    bool Ready() const {
        if (InPlace() && RefusesWrites())
            return true;
        if (how == Blocking::ReadOnly && InPlace()) {
            std::printf("note: the read-only case is left out: this system writes read-only files (Wine run by root)\n");
            return false;
        }
        ADD_FAILURE() << "the blocking of the target is not in place";
        return false;
    }

    // Whether the blocking is in place (the holder got its handle, the folder or the attribute is there).
    bool InPlace() const {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        switch (how) {
        case Blocking::HeldOpen:
            return static_cast<bool>(holder);
        case Blocking::TakenByFolder:
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        case Blocking::ReadOnly:
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
        }
        return false;
    }

    bool RefusesWrites() const {
        UniqueHandle probe(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return !probe;
    }

    // Ends the blocking; the folder that took the name is removed, the file stays as it is.
    void Release() {
        if (released)
            return;
        released = true;
        holder.Reset();
        if (how == Blocking::TakenByFolder)
            RemoveDirectoryW(path.c_str());
        else if (how == Blocking::ReadOnly)
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

private:
    std::wstring path;
    Blocking how;
    UniqueHandle holder;
    bool released = false;
};

} // namespace Gathrix::Testing
