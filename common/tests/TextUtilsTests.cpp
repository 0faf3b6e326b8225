#include "common/TextUtils.h"

#include <gtest/gtest.h>

using namespace Gathrix::Utils;

TEST(TextUtils, ReplaceAllNeverRescansReplacement) {
    std::wstring text = L"aXa";
    EXPECT_EQ(2u, ReplaceAll(text, text, L"a", L"aa"));
    EXPECT_EQ(L"aaXaa", text);
}
