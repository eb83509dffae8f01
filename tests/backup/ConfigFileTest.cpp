// The configuration file: what it writes reads back to the same values, and
// every kind of bad file is refused whole, naming the key and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "ConfigFile.h"
#include "DriveConfig.h"
#include "Language.h"

using namespace Backup;

namespace {

Configuration Sample()
{
    Configuration config;
    config.created = "2026-01-02T03:04:05Z";
    config.tool = "test";
    config.drive = {"0x2408", "2.03", "ZORIC-FOC驱动器"};
    for (const Item& item : Items()) {
        const bool baud = item.field && item.field->kind == FieldRules::Kind::BaudChoice;
        config.values[item.key] = baud ? 19200 : 0;
    }
    config.values["safety.temp_offset"] = 0xFFF6;  // -10
    config.values["pid.speed_kp"] = std::bit_cast<uint32_t>(0.1f);
    config.values["pid.speed_ki"] = 0x7FC00000;  // not a number: kept as its bits
    config.values["motor.phase_sequence"] = 0x123456789ABC;
    config.values["foc.speed_loop"] = 1;
    config.values["pdo.tpdo1.cob_id"] = 0x40000181;
    return config;
}

// The sample's text with one line's text replaced.
std::string With(const std::string& from, const std::string& to)
{
    std::string text = ToText(Sample());
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

int LineOf(const std::string& text, const std::string& what)
{
    const size_t at = text.find(what);
    return at == std::string::npos
               ? -1
               : 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

TEST(ConfigFile, WritesOneSettingPerLineAndReadsBackEveryValue)
{
    const std::string text = ToText(Sample());
    const ParsedFile parsed = Parse(text);
    ASSERT_TRUE(parsed.config) << Describe(parsed.problem);
    EXPECT_EQ(parsed.config->values, Sample().values);
    EXPECT_EQ(parsed.config->drive, Sample().drive);
    EXPECT_NE(text.find(R"("safety.temp_offset": {"raw":-10,"shown":"-1.0 degC"})"), std::string::npos);
    EXPECT_NE(text.find(R"("pid.speed_kp": {"raw":0.1,)"), std::string::npos) << "the shortest text of the float";
    EXPECT_NE(text.find(R"("pid.speed_ki": {"raw":"0x7FC00000",)"), std::string::npos);
    EXPECT_NE(text.find(R"("motor.phase_sequence": {"raw":[4660,22136,39612],"shown":"12 34 56 78 9A BC"})"),
              std::string::npos);
    EXPECT_NE(text.find(R"("comm.baud_rate": {"raw":19200,"shown":"19200 bit/s"})"), std::string::npos);
    EXPECT_NE(text.find("ignored on load"), std::string::npos);
    // Every setting stands on its own line, in the same order each time.
    std::istringstream lines(text);
    size_t settings = 0;
    for (std::string line; std::getline(lines, line);) settings += line.find("\"raw\":") != std::string::npos;
    EXPECT_EQ(settings, Items().size());
    EXPECT_EQ(text, ToText(*parsed.config));
}

// The shown texts are for people, in their language; keys and raw values
// are what a load and a script read, the same in both.
TEST(ConfigFile, ShownListItemsFollowTheLanguageKeysAndRawValuesDoNot)
{
    SetLanguage(Language::English);
    const std::string english = ToText(Sample());
    SetLanguage(Language::Chinese);
    const std::string chinese = ToText(Sample());
    EXPECT_NE(english.find(R"("comm.parity": {"raw":0,"shown":"No parity, 2 stop bits"})"), std::string::npos);
    EXPECT_NE(chinese.find(R"("comm.parity": {"raw":0,"shown":"无校验+2停止位"})"), std::string::npos);
    EXPECT_NE(english.find(R"("motor.learning_state": {"raw":0,"shown":"Not learned"})"), std::string::npos);
    const std::regex shown(R"(,"shown":"[^"]*")");
    EXPECT_EQ(std::regex_replace(english, shown, ""), std::regex_replace(chinese, shown, ""));
    const ParsedFile fromEnglish = Parse(english);
    ASSERT_TRUE(fromEnglish.config) << Describe(fromEnglish.problem);
    EXPECT_EQ(fromEnglish.config->values, Sample().values);
}

// The windows' change tables and zoric-cli name a setting by its page and
// label: every item has both, in either language, and no two items share
// a name.
TEST(ConfigFile, EveryItemIsNamedByItsPageAndLabelInBothLanguages)
{
    const auto chinese = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b >= 0xE4 && b <= 0xE9;  // the lead bytes of the CJK ideographs
        });
    };
    for (const Language language : {Language::Chinese, Language::English}) {
        SetLanguage(language);
        std::set<std::string> titles;
        for (const Item& item : Items()) {
            EXPECT_FALSE(PageOf(item).empty()) << item.key;
            EXPECT_FALSE(LabelOf(item).empty()) << item.key;
            EXPECT_TRUE(titles.insert(TitleOf(item)).second) << item.key << ": " << TitleOf(item);
            if (language == Language::English) {
                EXPECT_FALSE(chinese(TitleOf(item))) << item.key << ": " << TitleOf(item);
            }
        }
    }
    SetLanguage(Language::Chinese);
    EXPECT_EQ(TitleOf(*FindItem("motor.rated_current")), "电机参数 / 电机额定电流");
    EXPECT_EQ(TitleOf(*FindItem("pdo.tpdo1.cob_id")), "编辑PDO / TPDO1 COB-ID");
    EXPECT_EQ(TitleOf(*FindItem("pdo.rpdo2.mapping_3")), "编辑PDO / RPDO2 映射对象3");
    EXPECT_EQ(TitleOf(*FindItem("sync.cycle_period")), "编辑SYNC / 通讯间隔时间");
    SetLanguage(Language::English);
    EXPECT_EQ(TitleOf(*FindItem("motor.rated_current")), "Motor Parameters / Rated motor current");
    EXPECT_EQ(TitleOf(*FindItem("pdo.rpdo2.mapping_3")), "Edit PDO / RPDO2 Mapped object 3");
    SetLanguage(Language::Chinese);
}

TEST(ConfigFile, ObjectsTheDriveLackedMayBeMissingRegisterSettingsMayNot)
{
    std::string text = ToText(Sample());
    std::regex eventLine(R"(\n *"pdo\.rpdo1\.(inhibit|event)_time": \{[^\n]*\},?)");
    text = std::regex_replace(text, eventLine, "");
    const ParsedFile parsed = Parse(text);
    ASSERT_TRUE(parsed.config) << Describe(parsed.problem);
    EXPECT_FALSE(parsed.config->values.contains("pdo.rpdo1.event_time"));

    std::string missing =
        std::regex_replace(ToText(Sample()), std::regex(R"(\n *"motor\.pole_count": \{[^\n]*\},)"), "");
    const ParsedFile refused = Parse(missing);
    EXPECT_FALSE(refused.config);
    EXPECT_EQ(refused.problem.error, FileError::MissingKey);
    EXPECT_EQ(refused.problem.key, "motor.pole_count");
}

struct BadCase {
    const char* name;
    std::string text;
    FileError error;
    std::string key;
    int line;  // -1: any line but 0
};

TEST(ConfigFile, BadFilesAreRefusedWholeNamingKeyAndLine)
{
    const std::string good = ToText(Sample());
    auto lineOf = [&](const std::string& key) { return LineOf(good, "\"" + key + "\""); };
    const BadCase cases[] = {
        {"value beyond a word", With(R"("motor.rated_current": {"raw":0)", R"("motor.rated_current": {"raw":70000)"),
         FileError::BadValue, "motor.rated_current", lineOf("motor.rated_current")},
        {"negative in an unsigned word", With(R"("motor.pole_count": {"raw":0)", R"("motor.pole_count": {"raw":-1)"),
         FileError::BadValue, "motor.pole_count", lineOf("motor.pole_count")},
        {"signed word too low", With(R"("safety.temp_offset": {"raw":-10)", R"("safety.temp_offset": {"raw":-32769)"),
         FileError::BadValue, "safety.temp_offset", lineOf("safety.temp_offset")},
        {"fraction in a word", With(R"("motor.pole_count": {"raw":0)", R"("motor.pole_count": {"raw":1.5)"),
         FileError::BadValue, "motor.pole_count", lineOf("motor.pole_count")},
        {"not a list item", With(R"("motor.speed_algorithm": {"raw":0)", R"("motor.speed_algorithm": {"raw":3)"),
         FileError::BadValue, "motor.speed_algorithm", lineOf("motor.speed_algorithm")},
        {"unlisted baud rate", With(R"("comm.baud_rate": {"raw":19200)", R"("comm.baud_rate": {"raw":4800)"),
         FileError::BadValue, "comm.baud_rate", lineOf("comm.baud_rate")},
        {"float out of range", With(R"("pid.speed_kp": {"raw":0.1)", R"("pid.speed_kp": {"raw":1e39)"),
         FileError::BadValue, "pid.speed_kp", lineOf("pid.speed_kp")},
        {"flag not 0 or 1", With(R"("foc.speed_loop": {"raw":1)", R"("foc.speed_loop": {"raw":2)"), FileError::BadValue,
         "foc.speed_loop", lineOf("foc.speed_loop")},
        {"short register list", With("[4660,22136,39612]", "[4660,22136]"), FileError::BadValue, "motor.phase_sequence",
         lineOf("motor.phase_sequence")},
        {"a text for a number", With(R"("motor.pole_count": {"raw":0)", R"("motor.pole_count": {"raw":"8")"),
         FileError::BadValue, "motor.pole_count", lineOf("motor.pole_count")},
        {"unknown key", With(R"("motor.pole_count")", R"("motor.pole_counts")"), FileError::UnknownKey,
         "motor.pole_counts", lineOf("motor.pole_count")},
        {"key in the wrong group", With(R"("ramp.pwm_rise")", R"("motor.pole_count")"), FileError::UnknownKey,
         "motor.pole_count", lineOf("ramp.pwm_rise")},
        {"unknown group", With(R"("ramp": {)", R"("ramps": {)"), FileError::UnknownKey, "ramps", lineOf("ramp")},
        {"newer format", With(R"("format_version": 1)", R"("format_version": 2)"), FileError::NewerFormat,
         "format_version", 3},
        {"another file", R"({"name": "not ours"})", FileError::NotConfig, "format", 0},
        {"truncated", good.substr(0, good.size() / 2), FileError::Syntax, "", -1},
        {"garbled", With(R"("motor.pole_count": {"raw":0,)", "\x01\x7f{{:"), FileError::Syntax, "",
         lineOf("motor.pole_count")},
        {"empty", "", FileError::Syntax, "", 1},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedFile parsed = Parse(c.text);
        EXPECT_FALSE(parsed.config);
        EXPECT_EQ(parsed.problem.error, c.error) << Describe(parsed.problem);
        EXPECT_EQ(parsed.problem.key, c.key);
        if (c.line < 0) {
            EXPECT_GT(parsed.problem.line, 0);
        } else {
            EXPECT_EQ(parsed.problem.line, c.line) << Describe(parsed.problem);
        }
        EXPECT_FALSE(Describe(parsed.problem).empty());
    }
}

TEST(ConfigFile, AFailedWriteLeavesNoFileBehind)
{
    std::string error;
    EXPECT_FALSE(WriteFile("/nonexistent-dir/x.json", Sample(), error));
    EXPECT_FALSE(error.empty());
    const std::string path = ::testing::TempDir() + "/config.json";
    ASSERT_TRUE(WriteFile(path, Sample(), error)) << error;
    EXPECT_TRUE(ReadFile(path).config);
    std::remove(path.c_str());
    EXPECT_EQ(ReadFile(path).problem.error, FileError::Unreadable);
}

TEST(ConfigFile, CompareLeavesOutNodeIdBitsAndNamesOneSidedValues)
{
    Values a = Sample().values;
    Values b = a;
    b["pdo.tpdo1.cob_id"] = 0x40000182;  // the same PDO on node 2
    EXPECT_TRUE(Compare(a, b).empty());
    b["pdo.tpdo1.cob_id"] = 0xC0000181;  // switched off
    b.erase("pdo.rpdo1.event_time");
    b["motor.pole_count"] = 8;
    const std::vector<Difference> diff = Compare(a, b);
    ASSERT_EQ(diff.size(), 3u);
    EXPECT_EQ(diff[0].key, "motor.pole_count");
    EXPECT_EQ(diff[1].key, "pdo.rpdo1.event_time");
    EXPECT_FALSE(diff[1].second);
    EXPECT_EQ(diff[2].key, "pdo.tpdo1.cob_id");
}

// A value typed by key, as zoric-cli's set and scripts give it: the page's
// unit and digits, a list item by its number, and a refusal (never a wrap)
// for what the setting cannot hold.
TEST(ConfigFile, ValuesByKeyFollowThePagesUnitsAndRefuseWhatDoesNotFit)
{
    auto parse = [](const char* key, const char* text, const Values& values = {}) {
        std::string why;
        const std::optional<uint64_t> raw = ParseValue(*FindItem(key), text, values, why);
        EXPECT_EQ(raw.has_value(), why.empty()) << key << "=" << text;
        return raw;
    };
    EXPECT_EQ(parse("motor.rated_current", "2.5"), 250u);
    EXPECT_EQ(parse("motor.rated_current", "2.567"), 256u) << "cut to the page's digits, as the page does";
    EXPECT_EQ(parse("motor.rated_current", "700"), std::nullopt) << "70000 would wrap in 16 bits";
    EXPECT_EQ(parse("motor.rated_current", "-1"), std::nullopt);
    EXPECT_EQ(parse("motor.rated_current", "2.5A"), std::nullopt);
    EXPECT_EQ(parse("motor.rated_current", ""), std::nullopt);
    EXPECT_EQ(parse("safety.temp_offset", "-1.5"), 0xFFF1u) << "a signed field keeps its sign";
    // A speed in the file's unit: tenths, or whole Hz/s with the x10 range.
    EXPECT_EQ(parse("motor.max_acceleration", "12.5"), 125u);
    EXPECT_EQ(parse("motor.max_acceleration", "12.5", {{"motor.speed_range_x10", 1}}), 12u);
    EXPECT_EQ(parse("pid.speed_kp", "0.25"), std::bit_cast<uint32_t>(0.25f));
    EXPECT_EQ(parse("pid.speed_kp", "fast"), std::nullopt);
    // Lists by their number, 0 first; the baud list by its rate's place.
    EXPECT_EQ(parse("comm.baud_rate", "2"), 38400u);
    EXPECT_EQ(parse("comm.baud_rate", "5"), std::nullopt);
    EXPECT_EQ(parse("comm.baud_rate", "38400"), std::nullopt) << "a rate is not a number in the list";
    // Checks and flags: 1 ticked, 0 not, as the page sends them.
    EXPECT_EQ(parse("comm.port_default_485", "1"), 0u) << "ticked sends 0 for this one";
    EXPECT_EQ(parse("foc.speed_loop", "1"), 1u);
    EXPECT_EQ(parse("foc.speed_loop", "2"), std::nullopt);
    // Objects as numbers, decimal or 0x, within their type.
    EXPECT_EQ(parse("pdo.tpdo1.cob_id", "0x40000181"), 0x40000181u);
    EXPECT_EQ(parse("pdo.tpdo1.event_time", "70000"), std::nullopt);
    EXPECT_EQ(parse("can.node_id", "0x7F"), 0x7Fu);
}

}  // namespace
