// The shipped programs as files: each carries the build's version resource, read the way the
// file-information jobs read it (and the file's properties on Windows show it).

#include "collector/collectors/files/FileProperties.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Gathrix::FileProperties;
using Gathrix::Testing::DistDir;

TEST(ShippedPrograms, CarryTheBuildsVersionResource) {
    const std::wstring version = GATHRIX_TEST_VERSION;
    const struct {
        const wchar_t* program;
        const wchar_t* description;
    } programs[] = {
        {L"Gathrix", L"Gathrix diagnostics collector"},
        {L"GathrixWizard", L"Gathrix wizard"},
#ifndef GATHRIX_TEST_BUILD_64
        {L"Procscout", L"Gathrix process lister (32-bit)"},
#endif
        {L"Procscout64", L"Gathrix process lister (64-bit)"},
        {L"Provlist", L"Gathrix Winsock provider lister"},
    };
    for (const auto& p : programs) {
        const std::wstring file = std::wstring(p.program) + L".exe";
        const auto list = FileProperties(DistDir() + L"\\" + file, DistDir()).GetVersionProperties();
        std::map<std::wstring, std::wstring> read(list.begin(), list.end());
        read.erase(L"language");  // the system's name for English, which differs between systems
        const std::map<std::wstring, std::wstring> expected = {
            {L"file version", version},
            {L"product version", version},
            {L"file version localized", version},
            {L"product version (localized)", version},
            {L"product name", L"Gathrix"},
            {L"description", p.description},
            {L"internal name", p.program},
            {L"original filename", file},
        };
        EXPECT_EQ(expected, read) << Gathrix::Utils::ToUtf8(file);
    }
}

} // namespace
