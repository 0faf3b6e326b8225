#include "collector/collectors/files/Version.h"

#include <gtest/gtest.h>

using Gathrix::Version;

TEST(Version, PrintsItsPartsOrItsReason) {
    struct Case {
        std::uint32_t mostSignificant, leastSignificant;
        const wchar_t* text;
    } cases[] = {
        {0, 0, L"0.0.0.0"},
        {(5u << 16) | 1u, 2600u << 16, L"5.1.2600.0"},
        {0xFFFFFFFFu, 0xFFFFFFFFu, L"65535.65535.65535.65535"},
        {0x00010002u, 0x00030004u, L"1.2.3.4"},
    };
    for (const auto& c : cases) {
        Version version(c.mostSignificant, c.leastSignificant);
        EXPECT_TRUE(version.IsValid());
        EXPECT_EQ(L"", version.GetInvalidReason());
        EXPECT_EQ(c.text, version.ToString());
    }
}

TEST(Version, DefaultIsInvalidUntilSetAndCopiesKeepTheReason) {
    Version unset;
    EXPECT_FALSE(unset.IsValid());
    EXPECT_EQ(L"version information not set", unset.ToString());

    Version known(0x00010002u, 0x00030004u);
    known.SetInvalid(L"no resource");
    Version copy = known;
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(L"no resource", copy.GetInvalidReason());
    EXPECT_EQ(L"no resource", copy.ToString());
}
