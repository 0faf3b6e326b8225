#pragma once
// Where the event-database fixtures lie: made at build time below the build tree's
// fixtures\plugin (tests/Fixtures.cmake).

#include "common/tests/support/TestSupport.h"

#include <string>

namespace Gathrix::Testing {

inline std::wstring PluginFixture(const std::wstring& relative) {
    return BinaryDir() + L"\\fixtures\\plugin\\" + relative;
}

} // namespace Gathrix::Testing
