#pragma once
// A machine for product-detection tests: HKLM of this test process is a private key (with the
// 32-bit view split off like the real one), product folders go into a scratch folder or, where
// a product insists on a shell folder, into the prefix's own folders under a lock shared by all
// product tests, and every product detector and the variables start fresh.

#include "collector/products/QuellonProductInfo.h"
#include "common/Handles.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Gathrix::Testing {

enum class View { Bits32, Bits64 };

class ProductMachine {
public:
    // Without a private registry the test sees the prefix's own (read it, never write it).
    explicit ProductMachine(bool privateRegistry = true);
    ~ProductMachine();
    ProductMachine(const ProductMachine&) = delete;
    ProductMachine& operator=(const ProductMachine&) = delete;

    // Registry below the private HKLM; paths begin with "HKLM\".
    void CreateKey(const std::wstring& path, View view = View::Bits32);
    void SetString(const std::wstring& path, const std::wstring& name, const std::wstring& value,
                   View view = View::Bits32);
    void DeleteValue(const std::wstring& path, const std::wstring& name, View view = View::Bits32);
    void DeleteKey(const std::wstring& path, View view = View::Bits32);

    // A new folder in the scratch area (no trailing "\").
    std::wstring Folder(const std::wstring& name);
    // A folder anywhere (below a shell folder), removed again when the test ends.
    std::wstring SharedFolder(const std::wstring& path);
    void WriteText(const std::wstring& path, const std::string& text);
    void WriteBuildDat(const std::wstring& folder, const std::string& version, const std::string& language);
    // Copies the version stub with that file version (built by Fixtures.cmake) to the path.
    void CopyVersionStub(const std::string& version, const std::wstring& path);

    std::wstring ProgramFiles() const;
    std::wstring CommonAppData() const;
    std::wstring LocalAppData() const;
    static std::wstring Environment(const wchar_t* name);

    // Forgets every product detector and every published variable.
    static void ForgetProducts();

    LogCapture& log;

private:
    class SharedFolderLock;
    std::unique_ptr<SharedFolderLock> lock;
    std::wstring rootSubPath;
    UniqueRegKey root;
    ScratchFolder scratch;
    std::vector<std::wstring> sharedFolders;
};

// Registry paths typed from the product descriptions.
std::wstring UninstallEntry(const std::wstring& entryName);

bool Logged(const LogCapture& log, int level, const std::wstring& message);
// The value of a program variable, or its token when it was never published.
std::wstring VariableValue(const std::wstring& name);

} // namespace Gathrix::Testing
