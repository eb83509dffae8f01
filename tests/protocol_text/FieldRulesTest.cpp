// The field tables of the parameter groups: every register of a group held
// once (or marked reserved), keys that files and scripts can rely on, and
// texts that go back to the drive as the register they were shown from.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FieldGroups.h"
#include "Language.h"

namespace {

using namespace FieldRules;

bool IsList(Kind kind) { return kind == Choice || kind == ChoiceBit0 || kind == BaudChoice; }
bool IsCheck(Kind kind)
{
    return kind == CheckBit0 || kind == CheckNonZero || kind == CheckOne || kind == CheckZero || kind == Flag;
}

// "group.field": lower-case letters, digits and '_'; the group part is the
// group's key up to its first '_' ("system_ext" fields are "system.").
bool IsKey(const std::string& key, const std::string& group)
{
    const size_t dot = key.find('.');
    if (dot == std::string::npos || key.substr(0, dot) != group.substr(0, group.find('_'))) return false;
    if (dot + 1 == key.size()) return false;
    for (size_t i = dot + 1; i < key.size(); ++i) {
        const char c = key[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
    }
    return true;
}

bool IsAscii(const char* text)
{
    for (; *text; ++text) {
        if (static_cast<unsigned char>(*text) < 0x20 || static_cast<unsigned char>(*text) > 0x7E) return false;
    }
    return true;
}

TEST(FieldTables, EveryRegisterOfAGroupIsHeldOnceOrMarkedReserved)
{
    for (const Group& group : kGroups) {
        SCOPED_TRACE(group.key);
        std::map<uint16_t, uint16_t> flags;  // register -> the flag bits held so far
        std::map<uint16_t, int> whole;       // register -> fields holding all of it
        for (const Field& field : group.fields) {
            SCOPED_TRACE(field.key);
            ASSERT_GE(field.reg, group.start);
            ASSERT_LE(field.reg + field.registers, group.start + group.count);
            if (field.kind == Flag) {
                EXPECT_EQ(field.registers, 1);
                EXPECT_EQ(std::popcount(field.mask), 1);
                EXPECT_EQ(flags[field.reg] & field.mask, 0) << "two flags on one bit";
                flags[field.reg] |= field.mask;
            } else {
                for (int i = 0; i < field.registers; ++i) ++whole[static_cast<uint16_t>(field.reg + i)];
            }
        }
        for (uint16_t reg = group.start; reg < group.start + group.count; ++reg) {
            const bool flagged = flags.count(reg) != 0;
            const int held = whole.count(reg) ? whole[reg] : 0;
            EXPECT_TRUE((held == 1 && !flagged) || (held == 0 && flagged)) << "register " << reg;
        }
    }
}

TEST(FieldTables, KeysAreUniqueAsciiAndNameTheirGroup)
{
    std::set<std::string> keys, groups;
    for (const Group& group : kGroups) {
        EXPECT_TRUE(groups.insert(group.key).second) << group.key;
        for (const Field& field : group.fields) {
            EXPECT_TRUE(IsKey(field.key, group.key)) << field.key;
            EXPECT_TRUE(keys.insert(field.key).second) << "twice: " << field.key;
            EXPECT_TRUE(IsAscii(field.unit)) << field.key;
        }
    }
}

// The configuration windows and zoric-cli name a field as its page does:
// each has its label (as the page shows it, no colon) and each group its
// page, both with their English, and no two fields of a page share a label.
TEST(FieldTables, EachFieldHasItsPagesLabelWithItsEnglish)
{
    std::map<std::string, std::set<std::string>> labelsByPage;
    for (const Group& group : kGroups) {
        ASSERT_NE(std::strlen(group.page), 0u) << group.key;
        EXPECT_STRNE(Localized(group.page, Language::English), group.page) << group.key;
        for (const Field& field : group.fields) {
            const std::string label = field.label;
            ASSERT_FALSE(label.empty()) << field.key;
            EXPECT_NE(label.back(), ':') << field.key;
            EXPECT_EQ(label.find("：", label.size() >= 3 ? label.size() - 3 : 0), std::string::npos) << field.key;
            EXPECT_STRNE(Localized(field.label, Language::English), field.label) << field.key;
            if (field.kind != ReservedZero) {
                EXPECT_TRUE(labelsByPage[group.page].insert(label).second) << "twice on its page: " << field.key;
            }
        }
    }
}

TEST(FieldTables, EachKindHasTheShapeItsRuleNeeds)
{
    for (const Group& group : kGroups) {
        for (const Field& field : group.fields) {
            SCOPED_TRACE(field.key);
            EXPECT_EQ(IsList(field.kind), !field.items.empty());
            EXPECT_EQ(field.kind == Flag, field.mask != 0);
            switch (field.kind) {
            case Float:
            case Gain:
            case BaudChoice: EXPECT_EQ(field.registers, 2); break;
            case PhaseBytes: EXPECT_EQ(field.registers, 3); break;
            case Number: EXPECT_TRUE(field.registers == 1 || field.registers == 2); break;
            case ReservedZero: EXPECT_GE(field.registers, 1); break;
            default: EXPECT_EQ(field.registers, 1);
            }
            // The speed-range fields count tenths, or whole Hz under x10.
            if (field.scale == SpeedRange) {
                EXPECT_EQ(field.decimals, 1);
                EXPECT_EQ(std::string(field.unit).substr(0, 2), "Hz");
            }
        }
    }
}

// The speed-range settings that change what a field shows: tenths and x10,
// and under each every preset speed mode (one the list does not have too).
std::vector<Units> UnitsOf(const Field& field)
{
    std::vector<Units> all;
    for (bool x10 : {false, true}) {
        if (field.scale != SpeedMode) {
            all.push_back({.x10 = x10});
            continue;
        }
        for (uint16_t mode = 0; mode <= 4; ++mode) all.push_back({.x10 = x10, .speedMode = mode});
    }
    return all;
}

// Raw values worth trying for a field of this width.
std::vector<uint64_t> Samples(const Field& field)
{
    std::vector<uint64_t> raws;
    if (field.kind == Float || field.kind == Gain) {
        for (float v : {0.0f, 1.0f, 0.5f, -123.456f, 1e-6f, -1e-6f, 0.98f, 1.2345678f, 65536.0f, 16777217.0f, -3.4e38f,
                        3.4e38f, 1.17549435e-38f})
            raws.push_back(FloatRaw(v));
        // Across the bit patterns: every finite value except the tiny ones
        // "%f" shows as (-)0.000000.
        for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 0x00F0F0F1u) {
            const float v = RawFloat(bits);
            if (std::isfinite(v) && (field.kind == Gain ? v != 0.0f : std::fabs(v) >= 1e-6f)) raws.push_back(bits);
        }
        return raws;
    }
    // A reserved block is sent as zeros whatever it held: 48 bits say as much as more.
    const int width = field.registers < 3 ? field.registers : 3;
    const uint64_t top = (uint64_t{1} << (16 * width)) - 1;
    for (uint64_t v = 0; v <= 1000; ++v) raws.push_back(v);
    for (uint64_t v = 1001; v <= 0xFFFF; v += 7) raws.push_back(v);
    for (uint64_t v : {uint64_t{0x7FFF}, uint64_t{0x8000}, uint64_t{0xFFFF}, top - 1, top, top / 2, top / 2 + 1})
        raws.push_back(v & top);
    if (width > 1) {
        for (uint64_t i = 1; i < 4096; ++i) raws.push_back(i * (top / 4096));
    }
    return raws;
}

// What a list, a check or a reserved field keeps of a raw value.
uint64_t Kept(const Field& field, uint64_t raw)
{
    if (IsCheck(field.kind)) return CheckRegister(field, Ticked(field, raw));
    if (field.kind == ReservedZero) return 0;
    if (field.kind == ReservedKept) return raw & 0xFFFF;
    return raw;
}

TEST(FieldTables, AShownValueGoesBackAsTheRegisterItWasShownFrom)
{
    for (const Group& group : kGroups) {
        for (const Field& field : group.fields) {
            SCOPED_TRACE(field.key);
            for (const Units& units : UnitsOf(field)) {
                SCOPED_TRACE(testing::Message() << "x10 " << units.x10 << ", mode " << units.speedMode);
                int failures = 0;
                for (uint64_t raw : Samples(field)) {
                    const std::string shown = Show(field, raw, units);
                    const std::optional<uint64_t> sent = Parse(field, shown, units);
                    if (IsList(field.kind) && ChoiceIndex(field, raw) < 0) {
                        EXPECT_EQ(shown, "");
                        EXPECT_FALSE(sent.has_value());
                        continue;
                    }
                    ASSERT_TRUE(sent.has_value()) << shown;
                    if (field.kind == Float || field.kind == Gain) {
                        // A float shown with fewer digits than it has comes
                        // back as the float the text names, which shows the same.
                        if (Show(field, *sent, units) != shown && ++failures < 5) ADD_FAILURE() << shown;
                    } else if (field.kind == BaudChoice || field.kind == ChoiceBit0) {
                        if (Show(field, *sent, units) != shown && ++failures < 5) ADD_FAILURE() << shown;
                    } else if (*sent != Kept(field, raw) && ++failures < 5) {
                        ADD_FAILURE() << raw << " shown " << shown << " sent " << *sent;
                    }
                }
            }
        }
    }
}

TEST(FieldTables, SpeedFieldsShowTenthsOrWholeHzByTheSpeedRange)
{
    const Field& frequency = Rule("motor.max_frequency");
    EXPECT_EQ(Show(frequency, 12345, {.x10 = false}), "1234.5");
    EXPECT_EQ(Show(frequency, 12345, {.x10 = true}), "12345");
    EXPECT_EQ(*Parse(frequency, "1234.56", {.x10 = false}), 12345u);
    EXPECT_EQ(*Parse(frequency, "1234.56", {.x10 = true}), 1234u);
    EXPECT_STREQ(Unit(frequency, {}), "Hz");

    // The preset speeds by the speed mode: duty, torque, speed loop, position loop.
    const Field& forward = Rule("preset.forward_speed");
    EXPECT_EQ(Show(forward, 1234, {.speedMode = 0}), "123.4");
    EXPECT_EQ(Show(forward, 1234, {.x10 = true, .speedMode = 1}), "12.34");
    EXPECT_EQ(Show(forward, 1234, {.x10 = true, .speedMode = 2}), "1234");
    EXPECT_EQ(Show(forward, 1234, {.x10 = false, .speedMode = 3}), "123.4");
    EXPECT_STREQ(Unit(forward, {.speedMode = 1}), "A");
    EXPECT_STREQ(Unit(forward, {.speedMode = 0}), "%");
}

TEST(FieldTables, ListsAndChecksShowTheirItemsAndTicks)
{
    const Field& baud = Rule("comm.baud_rate");
    EXPECT_EQ(Show(baud, 115200), "115200");
    EXPECT_EQ(Show(baud, 4800), "9600 ");  // no match shows the first item
    EXPECT_EQ(*Parse(baud, "57600"), 57600u);

    const Field& algorithm = Rule("motor.speed_algorithm");
    EXPECT_EQ(Show(algorithm, 1), "时间-位置闭环");
    EXPECT_EQ(*Parse(algorithm, "时间-位置速率"), 2u);
    EXPECT_FALSE(Parse(algorithm, "2").has_value());

    // "485 uses its default settings" is ticked by a 0.
    const Field& portDefault = Rule("comm.port_default_485");
    EXPECT_EQ(Show(portDefault, 0), "1");
    EXPECT_EQ(*Parse(portDefault, "1"), 0u);
    EXPECT_EQ(*Parse(portDefault, "0"), 1u);

    const Field& speedLoop = Rule("foc.speed_loop");
    EXPECT_EQ(Show(speedLoop, 0x0002), "1");
    EXPECT_EQ(Show(speedLoop, 0x0005), "0");
    EXPECT_EQ(*Parse(speedLoop, "1"), 0x0002u);

    EXPECT_EQ(Show(Rule("motor.phase_sequence"), 0x0102A0B0C0D0), "01 02 A0 B0 C0 D0");
    EXPECT_EQ(*Parse(Rule("motor.phase_sequence"), "1 2 a0 zz"), 0x0102A0000000u);
    EXPECT_EQ(Show(Rule("can.node_id"), 0x7F), "0x7F");
    EXPECT_EQ(*Parse(Rule("can.node_id"), "0X1F"), 0u);  // only a lower-case x reads hexadecimal
    EXPECT_EQ(*Parse(Rule("comm.slave_address"), "0X1F"), 31u);
}

}  // namespace
