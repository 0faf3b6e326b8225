// The order in which the report and the installed-tests ask a product: most getters read the
// registry or build.dat again, so the order decides which reads (and log lines) happen.

#include "collector/products/QuellonProductInfo.h"

#include "common/Logging.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Gathrix::Quellon;
using Gathrix::Logging::Info;
using Gathrix::Testing::LogCapture;

namespace {

class RecordingProduct : public QuellonProductInfo {
public:
    // Every getter answers "x" unless it is named in `emptyGetter`.
    std::wstring GetName() override { return Answer("GetName", nameText); }
    std::wstring GetVersion() override { return Answer("GetVersion", versionText); }
    std::wstring GetInstallDir() override { return Answer("GetInstallDir", L"x"); }
    std::wstring GetAppData() override { return Answer("GetAppData", L"x"); }
    std::wstring GetLanguage() override { return Answer("GetLanguage", L"x"); }
    std::wstring GetMasterKey() override { return Answer("GetMasterKey", L"x"); }
    std::wstring GetQuarantinePath() override { return Answer("GetQuarantinePath", L"x"); }
    bool IsInstalled() override {
        calls.push_back("IsInstalled");
        return installed;
    }

    std::vector<std::string> calls;
    std::string emptyGetter;
    std::wstring nameText = L"Product Name";
    std::wstring versionText = L"1.2.3.4";
    bool installed = true;

private:
    std::wstring Answer(const char* getter, const std::wstring& text) {
        calls.push_back(getter);
        return emptyGetter == getter ? std::wstring() : text;
    }
};

TEST(ReportInstallation, InstalledProductAsksVersionBeforeName) {
    LogCapture& log = LogCapture::Start();
    RecordingProduct product;
    InstalledProductList list{L"Earlier 1.0"};

    EXPECT_TRUE(ReportInstallation(product, list, L"Display Name"));

    EXPECT_EQ((std::vector<std::string>{"IsInstalled", "GetVersion", "GetName"}), product.calls);
    EXPECT_EQ((InstalledProductList{L"Earlier 1.0", L"Product Name 1.2.3.4"}), list);
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Info, L"Display Name installation found: Product Name 1.2.3.4"}}),
              log.entries);
}

TEST(ReportInstallation, EmptyVersionKeepsTheBlank) {
    LogCapture& log = LogCapture::Start();
    RecordingProduct product;
    product.versionText.clear();
    InstalledProductList list;

    EXPECT_TRUE(ReportInstallation(product, list, L"Shown"));

    EXPECT_EQ(InstalledProductList{L"Product Name "}, list);
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Info, L"Shown installation found: Product Name "}}), log.entries);
}

TEST(ReportInstallation, MissingProductIsLoggedAndNotListed) {
    LogCapture& log = LogCapture::Start();
    RecordingProduct product;
    product.installed = false;
    InstalledProductList list;

    EXPECT_FALSE(ReportInstallation(product, list, L"Shown"));

    EXPECT_EQ(std::vector<std::string>{"IsInstalled"}, product.calls);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Info, L"No Shown installation found."}}), log.entries);
}

TEST(InstalledTests, AskInOrderAndStopAtTheFirstEmptyText) {
    const struct {
        bool (*test)(QuellonProductInfo&);
        std::vector<std::string> order;
    } rules[] = {
        {HasNameFoldersAndVersion, {"GetName", "GetInstallDir", "GetAppData", "GetVersion"}},
        {HasNameFoldersVersionAndLanguage, {"GetName", "GetInstallDir", "GetAppData", "GetVersion", "GetLanguage"}},
        {HasNameFoldersVersionLanguageAndQuarantine,
         {"GetName", "GetInstallDir", "GetAppData", "GetVersion", "GetLanguage", "GetQuarantinePath"}},
        {HasNameAndInstallDir, {"GetName", "GetInstallDir"}},
    };
    for (const auto& rule : rules) {
        RecordingProduct complete;
        EXPECT_TRUE(rule.test(complete));
        EXPECT_EQ(rule.order, complete.calls);
        // Each getter in turn gives an empty text: the test is false and asks nothing later.
        for (size_t empty = 0; empty < rule.order.size(); ++empty) {
            RecordingProduct product;
            product.emptyGetter = rule.order[empty];
            EXPECT_FALSE(rule.test(product)) << rule.order[empty];
            EXPECT_EQ(std::vector<std::string>(rule.order.begin(), rule.order.begin() + empty + 1), product.calls);
        }
    }
}

} // namespace
