// The model inspection tool, run as model authors run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(AseDump, PrintsTheModelAsLoaded) {
    std::FILE* pipe = popen(ASEDUMP " fuzz/seeds/ase/two_objects.ASE", "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_NE(out.find("\"objectCount\": 2,"), std::string::npos) << out;
    EXPECT_NE(out.find("{\"name\": \"Deck\", \"textureFile\": \"models/deck.bmp\""),
              std::string::npos);
}

} // namespace
