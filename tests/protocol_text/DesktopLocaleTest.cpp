// A desktop whose locale writes decimals with a comma must not change what
// the tool shows or sends: "0.7" shown must read back as 7 tenths.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TextNumber.h"

namespace {

// Builds a German locale into a private directory (no locale is installed
// system-wide on a bare machine). Empty when localedef cannot do it.
std::string CommaLocale()
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("zoric-locale-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string cmd = "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    setenv("LOCPATH", dir.c_str(), 1);
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    return set ? set : "";
}

TEST(DesktopLocale, FormattedDecimalsKeepTheirPointUnderACommaLocale)
{
    if (CommaLocale().empty()) GTEST_SKIP() << "no localedef here";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.7);
    ASSERT_STREQ(probe, "0,7") << "the locale really writes a comma";

    std::string shown = TextNumber::Format("%.1f", 0.7);
    EXPECT_EQ(shown, "0.7");
    EXPECT_EQ(TextNumber::ParseScaled(shown, 1), 7) << "what is shown goes back unchanged";
    EXPECT_EQ(TextNumber::Format("%.3f", -0.5), "-0.500");
    std::setlocale(LC_ALL, "C");
}

}  // namespace
