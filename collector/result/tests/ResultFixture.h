#pragma once
// A "data" folder with the stylesheet that result files reference, in a scratch folder.

#include "common/tests/support/TestSupport.h"
#include "common/tests/support/XmlCheck.h"
#include "common/Text.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace Gathrix::Testing {

class ResultFolderTest : public ::testing::Test {
protected:
    ResultFolderTest() {
        CreateDirectoryW(data.c_str(), nullptr);
        CreateDirectoryW((data + L"\\stylesheet").c_str(), nullptr);
        WriteFileBytes(data + L"\\stylesheet\\stylesheet.xslt", "<xsl/>");
    }

    std::wstring DataFile(const std::wstring& name) const { return data + L"\\" + name; }

    // The file's bytes, after checking that a strict parser accepts them.
    std::string WellFormedBytes(const std::wstring& name) const {
        std::wstring reason;
        EXPECT_TRUE(IsWellFormedXmlFile(DataFile(name), &reason)) << Utils::ToUtf8(name) << ": " << Utils::ToUtf8(reason);
        return ReadFileBytes(DataFile(name));
    }

    ScratchFolder scratch{L"result"};
    std::wstring data = scratch / L"data";
};

} // namespace Gathrix::Testing
