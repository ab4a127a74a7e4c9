#include "settings/location.h"

#include "support/testutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

namespace tamarisk::settings {
namespace {

using test::PrintTo;

// Sets or unsets an environment variable for one test and puts the old value back.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentVariable() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct LocationCase {
    const char* name;
    std::string program;
    std::optional<std::string> xdgConfigHome;
    std::optional<std::string> home;
    std::string expected;
};

class DefaultSettingsFileTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(DefaultSettingsFileTest, PicksTheFile) {
    const LocationCase& c = GetParam();
    const EnvironmentVariable xdg("XDG_CONFIG_HOME", c.xdgConfigHome);
    const EnvironmentVariable home("HOME", c.home);
    EXPECT_EQ(defaultSettingsFile(c.program), std::filesystem::path(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultSettingsFileTest,
    ::testing::Values(
        // A copy of the program anywhere else keeps its settings beside it.
        LocationCase{"BesideTheProgram", "/opt/tools/tamarisk", "/xdg", "/home/u", "/opt/tools/tamcfg.dat"},
        LocationCase{"BesideInHomeFolder", "/home/u/bin/tamarisk", "/xdg", "/home/u",
                     "/home/u/bin/tamcfg.dat"},
        LocationCase{"UsrBinSubfolderIsNotInstalled", "/usr/bin/x/tamarisk", "/xdg", "/home/u",
                     "/usr/bin/x/tamcfg.dat"},
        // An installed program uses the user's configuration folder.
        LocationCase{"UsrBinUsesXdg", "/usr/bin/tamarisk", "/xdg", "/home/u", "/xdg/tamarisk/tamcfg.dat"},
        LocationCase{"UsrLocalBinUsesXdg", "/usr/local/bin/tamarisk", "/xdg", "/home/u",
                     "/xdg/tamarisk/tamcfg.dat"},
        LocationCase{"UnnormalisedFolderIsInstalled", "/usr/local/../bin/tamarisk", "/xdg", "/home/u",
                     "/xdg/tamarisk/tamcfg.dat"},
        LocationCase{"WithoutXdgUsesDotConfig", "/usr/bin/tamarisk", std::nullopt, "/home/u",
                     "/home/u/.config/tamarisk/tamcfg.dat"},
        LocationCase{"EmptyXdgUsesDotConfig", "/usr/bin/tamarisk", "", "/home/u",
                     "/home/u/.config/tamarisk/tamcfg.dat"},
        LocationCase{"RelativeXdgIsIgnored", "/usr/bin/tamarisk", "rel/config", "/home/u",
                     "/home/u/.config/tamarisk/tamcfg.dat"}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tamarisk::settings
