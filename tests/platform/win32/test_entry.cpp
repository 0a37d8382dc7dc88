// The layer's main: WinMain's arguments and its result as the exit code.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

TEST(Entry, MainCallsWinMainAndReturnsItsResult) {
    const std::string command = std::string(ENTRY_PROBE_PATH) + " fond.png 'deux mots'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
    const int status = pclose(pipe);
    EXPECT_STREQ(line, "instance=module previous=null show=10 line=[fond.png \"deux mots\"]\n");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
}

} // namespace
