#pragma once
// What the recording tests share: temporary files, CSV lines and fields, and
// the status panel's text of a channel to hold a recorded value against.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "StatusChannels.h"
#include "StatusFormat.h"

namespace record_test {

using StatusChannels::Channel;

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t comma; (comma = line.find(',', begin)) != std::string::npos; begin = comma + 1)
        fields.push_back(line.substr(begin, comma - begin));
    fields.push_back(line.substr(begin));
    return fields;
}

inline std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + ".csv")).string();
}

// A recorded value against what the panel shows for the same registers:
// the same number (the panel's text without its unit), 1/0 for 高/低, the
// code of the error text, and no value where the panel shows "-".
inline void ExpectPanelValue(Channel c, const std::string& value, const RealtimeStatus& s)
{
    const std::string panel = StatusChannels::ShownText(c, s);
    const std::string name = StatusChannels::ColumnName(c);
    if (panel == "-") {
        EXPECT_EQ(value, "") << name;
    } else if (c == Channel::Sq1 || c == Channel::Sq2) {
        EXPECT_EQ(value, panel == "高" ? "1" : "0") << name;
    } else if (c == Channel::ErrorState) {
        ASSERT_FALSE(value.empty()) << name;
        EXPECT_EQ(StatusFormat::ErrorStateText(static_cast<uint16_t>(std::stoi(value))), panel) << name;
    } else {
        ASSERT_FALSE(value.empty()) << name << " panel " << panel;
        EXPECT_EQ(std::strtod(value.c_str(), nullptr), std::strtod(panel.c_str(), nullptr))
            << name << ": " << value << " / panel " << panel;
    }
}

}  // namespace record_test
