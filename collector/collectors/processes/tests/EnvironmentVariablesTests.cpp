#include "collector/collectors/files/tests/WrittenElements.h"
#include "collector/collectors/processes/EnvironmentVariables.h"
#include "collector/platform/Variables.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Sets the variables, takes a fresh snapshot, and removes them again at the end.
class EnvironmentTest : public WrittenJobTest {
protected:
    ~EnvironmentTest() override {
        for (const auto& name : names)
            SetEnvironmentVariableW(name.c_str(), nullptr);
        System::Variables::Destroy();
    }
    void Set(const std::wstring& name, const wchar_t* value) {
        names.push_back(name);
        SetEnvironmentVariableW(name.c_str(), value);
    }
    std::vector<std::wstring> names;
};

} // namespace

TEST_F(EnvironmentTest, EveryVariableOfTheSnapshotInOrdinalOrderAndNoneSetLater) {
    Set(L"GATHRIX_ENV_a", L"lower");
    Set(L"GATHRIX_ENV_Z", L"upper");
    Set(L"GATHRIX_ENV_EQUALS", L"a=b==c=");
    Set(L"GATHRIX_ENV_EMPTY", L"");
    System::Variables::Destroy();
    const std::map<std::wstring, std::wstring> snapshot = System::Variables::Instance().GetEnvironmentVariables();
    Set(L"GATHRIX_ENV_LATER", L"too late");

    EnvironmentVariables job;
    const std::vector<WrittenElement> written = Written(job);
    ASSERT_EQ(1u, written.size());
    EXPECT_EQ("true", written[0].showNumOfChildren);
    EXPECT_EQ("systeminfo", written[0].type);
    EXPECT_EQ(L"environment variables", written[0].value);

    std::vector<std::wstring> expected;
    for (const auto& [name, value] : snapshot)
        expected.push_back(name + L": " + value);
    const std::vector<std::wstring> leaves = written[0].ChildValues();
    EXPECT_EQ(expected, leaves);
    for (const auto& leaf : written[0].children) {
        EXPECT_EQ("false", leaf.showNumOfChildren);
        EXPECT_EQ("systeminfo", leaf.type);
        EXPECT_TRUE(leaf.children.empty());
    }

    auto position = [&](const std::wstring& text) {
        return std::find(leaves.begin(), leaves.end(), text) - leaves.begin();
    };
    const auto end = static_cast<std::ptrdiff_t>(leaves.size());
    EXPECT_LT(position(L"%GATHRIX_ENV_EQUALS%: a=b==c="), end);
    EXPECT_LT(position(L"%GATHRIX_ENV_EMPTY%: "), end);
    // Upper-case letters sort before lower-case ones.
    EXPECT_LT(position(L"%GATHRIX_ENV_Z%: upper"), position(L"%GATHRIX_ENV_a%: lower"));
    EXPECT_LT(position(L"%GATHRIX_ENV_a%: lower"), end);
    for (const auto& leaf : leaves)
        EXPECT_EQ(std::wstring::npos, leaf.find(L"GATHRIX_ENV_LATER"));
}

TEST_F(EnvironmentTest, WithoutAWriterTheJobSaysWhyAndKeepsNoChildren) {
    EnvironmentVariables job;
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(L"systeminfo", job.GetType());
}
