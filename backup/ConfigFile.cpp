#include "ConfigFile.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "HostSystem.h"
#include "TextNumber.h"

namespace Backup {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kNote =
    "Only the raw values are loaded. The shown values are for people and are ignored on load.";
// A configuration is nested five deep (a group's list of registers) and is a
// few tens of kilobytes long. Deeper texts are refused while parsing: copying or
// printing them would recurse once per level and could exhaust the stack; a
// longer file (or a device that never ends) is not read past the limit.
constexpr int kMaxDepth = 16;
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr std::string_view kTopKeys[] = {"format", "format_version", "note", "created", "tool", "drive", "groups"};

// The shortest text that gives the float back, as a JSON number; a value that
// is not a number (or would not come back exactly) as its bits in hexadecimal.
Json FloatJson(uint64_t raw)
{
    const float value = std::bit_cast<float>(static_cast<uint32_t>(raw));
    if (std::isfinite(value)) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        const double back = std::strtod(std::string(buffer, end).c_str(), nullptr);
        if (std::bit_cast<uint32_t>(static_cast<float>(back)) == static_cast<uint32_t>(raw)) return back;
    }
    return TextNumber::Format("0x%08X", static_cast<unsigned>(raw));
}

Json RawJson(const Item& item, uint64_t raw)
{
    switch (item.type) {
    case ValueType::S16: return static_cast<int16_t>(raw & 0xFFFF);
    case ValueType::Float: return FloatJson(raw);
    case ValueType::Words: {
        Json words = Json::array();
        for (int i = item.field->registers - 1; i >= 0; --i) words.push_back((raw >> (16 * i)) & 0xFFFF);
        return words;
    }
    default: return raw;
    }
}

std::string Quoted(std::string_view text)
{
    return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Compact(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

int LineAt(std::string_view text, size_t byte)
{
    byte = std::min(byte, text.size());
    int line = 1;
    for (size_t i = 0; i < byte; ++i) line += text[i] == '\n';
    return line;
}

// Keys are unique in the file, so the first place a key stands is its line.
int LineOf(std::string_view text, std::string_view key)
{
    const size_t at = text.find(Quoted(key));
    return at == std::string_view::npos ? 0 : LineAt(text, at);
}

class Checker {
public:
    explicit Checker(std::string_view text) : m_text(text) {}

    FileProblem Fail(FileError error, std::string key, std::string detail) const
    {
        FileProblem problem{error, std::move(key), 0, std::move(detail)};
        if (!problem.key.empty()) problem.line = LineOf(m_text, problem.key);
        return problem;
    }

    FileProblem Header(const Json& root) const
    {
        if (!root.is_object()) return Fail(FileError::NotConfig, "", "the file holds no JSON object");
        if (!root.contains("format") || root["format"] != kFormatName)
            return Fail(FileError::NotConfig, "format",
                        std::string("not a drive configuration (format is not \"") + kFormatName + "\")");
        const Json& version = root.contains("format_version") ? root["format_version"] : Json();
        if (!version.is_number_integer() || version.get<int64_t>() < 1)
            return Fail(FileError::NotConfig, "format_version", "format_version must be a whole number from 1");
        if (version.get<int64_t>() > kFormatVersion)
            return Fail(FileError::NewerFormat, "format_version",
                        TextNumber::Format("format version %lld is newer than this tool reads (%d)",
                                           static_cast<long long>(version.get<int64_t>()), kFormatVersion));
        for (const auto& [key, value] : root.items()) {
            if (std::find(std::begin(kTopKeys), std::end(kTopKeys), key) == std::end(kTopKeys))
                return Fail(FileError::UnknownKey, key, "unknown key");
        }
        for (const char* key : {"created", "tool"}) {
            if (root.contains(key) && !root[key].is_string()) return Fail(FileError::BadValue, key, "must be a text");
        }
        return {};
    }

    FileProblem Drive(const Json& root, DriveIdentity& drive) const
    {
        if (!root.contains("drive")) return Fail(FileError::MissingKey, "drive", "missing");
        const Json& json = root["drive"];
        if (!json.is_object()) return Fail(FileError::BadValue, "drive", "must be an object");
        std::string* fields[] = {&drive.identifier, &drive.version, &drive.model};
        const char* names[] = {"identifier", "version", "model"};
        for (const auto& entry : json.items()) {
            const std::string& key = entry.key();
            if (std::none_of(std::begin(names), std::end(names), [&](const char* n) { return key == n; }))
                return Fail(FileError::UnknownKey, key, "unknown key in \"drive\"");
        }
        for (size_t i = 0; i < std::size(names); ++i) {
            if (!json.contains(names[i])) return Fail(FileError::MissingKey, names[i], "missing in \"drive\"");
            if (!json[names[i]].is_string()) return Fail(FileError::BadValue, names[i], "must be a text");
            *fields[i] = json[names[i]].get<std::string>();
        }
        return {};
    }

    FileProblem Groups(const Json& root, Values& values) const
    {
        if (!root.contains("groups")) return Fail(FileError::MissingKey, "groups", "missing");
        const Json& groups = root["groups"];
        if (!groups.is_object()) return Fail(FileError::BadValue, "groups", "must be an object");
        for (const auto& [group, entries] : groups.items()) {
            if (!IsGroup(group)) return Fail(FileError::UnknownKey, group, "unknown group");
            if (!entries.is_object()) return Fail(FileError::BadValue, group, "a group must be an object");
            for (const auto& [key, entry] : entries.items()) {
                const Item* item = FindItem(key);
                if (!item || item->group != group)
                    return Fail(FileError::UnknownKey, key, "unknown key in group \"" + group + "\"");
                if (FileProblem problem = Entry(*item, entry, values); problem.error != FileError::None) return problem;
            }
        }
        // Every register setting is there; an object may be missing when the
        // drive the file came from did not have it.
        for (const Item& item : Items()) {
            if (item.field && !values.contains(item.key)) return Fail(FileError::MissingKey, item.key, "missing");
        }
        return {};
    }

private:
    FileProblem Entry(const Item& item, const Json& entry, Values& values) const
    {
        if (!entry.is_object() || !entry.contains("raw"))
            return Fail(FileError::BadValue, item.key, "must be an object with a \"raw\" value");
        for (const auto& [name, value] : entry.items()) {
            if (name != "raw" && name != "shown")
                return Fail(FileError::UnknownKey, item.key, "unknown key \"" + name + "\"");
        }
        const std::optional<uint64_t> raw = Raw(item, entry["raw"]);
        if (!raw || !Fits(item, *raw))
            return Fail(FileError::BadValue, item.key, "raw value " + Compact(entry["raw"]) + " " + Expected(item));
        values[item.key] = *raw;
        return {};
    }

    static std::optional<uint64_t> Unsigned(const Json& json)
    {
        if (json.is_number_unsigned()) return json.get<uint64_t>();
        return std::nullopt;
    }

    static std::optional<uint64_t> Raw(const Item& item, const Json& json)
    {
        switch (item.type) {
        case ValueType::S16: {
            // A huge unsigned number must not wrap round into the range.
            if (!json.is_number_integer() || (json.is_number_unsigned() && json.get<uint64_t>() > 0x7FFF))
                return std::nullopt;
            const int64_t value = json.get<int64_t>();
            if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
                return std::nullopt;
            return static_cast<uint16_t>(value);
        }
        case ValueType::Float: return FloatRaw(json);
        case ValueType::Words: {
            const int registers = item.field->registers;
            if (!json.is_array() || json.size() != static_cast<size_t>(registers)) return std::nullopt;
            uint64_t raw = 0;
            for (const Json& word : json) {
                const auto value = Unsigned(word);
                if (!value || *value > 0xFFFF) return std::nullopt;
                raw = raw << 16 | *value;
            }
            return raw;
        }
        default: return Unsigned(json);
        }
    }

    static std::optional<uint64_t> FloatRaw(const Json& json)
    {
        if (json.is_number()) {
            // Up to half a step above the largest float still rounds to it
            // (the shortest text of the largest float lies there).
            constexpr double kLargest = std::numeric_limits<float>::max();
            constexpr double kHalfStep = 0x1p103;
            const double value = json.get<double>();
            if (!std::isfinite(value) || std::fabs(value) >= kLargest + kHalfStep) return std::nullopt;
            const double held = std::fabs(value) > kLargest ? std::copysign(kLargest, value) : value;
            return std::bit_cast<uint32_t>(static_cast<float>(held));
        }
        if (!json.is_string()) return std::nullopt;
        const std::string text = json.get<std::string>();
        if (text.size() < 3 || text.size() > 10 || text.compare(0, 2, "0x") != 0 ||
            text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
            return std::nullopt;
        return std::stoull(text.substr(2), nullptr, 16);
    }

    static std::string Expected(const Item& item)
    {
        if (item.field && item.field->kind == FieldRules::Kind::BaudChoice) return "is not one of the listed rates";
        if (item.field && item.field->kind == FieldRules::Kind::Choice)
            return TextNumber::Format("is not an item of the list (0 to %zu)", item.field->items.size() - 1);
        switch (item.type) {
        case ValueType::U8: return "is not a whole number from 0 to 255";
        case ValueType::U16: return "is not a whole number from 0 to 65535";
        case ValueType::S16: return "is not a whole number from -32768 to 32767";
        case ValueType::U32: return "is not a whole number from 0 to 4294967295";
        case ValueType::Float: return "is not a single-precision number (or its bits as \"0x\" and 8 hex digits)";
        case ValueType::Bit: return "is not 0 or 1";
        case ValueType::Words:
            return TextNumber::Format("is not a list of %d whole numbers from 0 to 65535", item.field->registers);
        }
        return "";
    }

    std::string_view m_text;
};

}  // namespace

std::string RawText(const Item& item, uint64_t raw) { return Compact(RawJson(item, raw)); }

std::string ToText(const Configuration& config)
{
    Json drive = {{"identifier", config.drive.identifier},
                  {"version", config.drive.version},
                  {"model", config.drive.model}};
    std::ostringstream out;
    out << "{\n";
    out << "  \"format\": " << Quoted(kFormatName) << ",\n";
    out << "  \"format_version\": " << kFormatVersion << ",\n";
    out << "  \"note\": " << Quoted(kNote) << ",\n";
    out << "  \"created\": " << Quoted(config.created) << ",\n";
    out << "  \"tool\": " << Quoted(config.tool) << ",\n";
    out << "  \"drive\": " << Compact(drive) << ",\n";
    out << "  \"groups\": {";
    // One setting per line, in the order of the items, so two files diff line by line.
    std::string group;
    bool firstGroup = true;
    for (const Item& item : Items()) {
        const auto it = config.values.find(item.key);
        if (it == config.values.end()) continue;
        if (item.group != group) {
            out << (group.empty() ? "" : "\n    }") << (firstGroup ? "\n" : ",\n");
            out << "    " << Quoted(item.group) << ": {\n";
            group = item.group;
            firstGroup = false;
        } else {
            out << ",\n";
        }
        Json entry = {{"raw", RawJson(item, it->second)}, {"shown", Shown(item, it->second, config.values)}};
        out << "      " << Quoted(item.key) << ": " << Compact(entry);
    }
    out << (group.empty() ? "" : "\n    }\n  ") << "}\n}\n";
    return out.str();
}

ParsedFile Parse(std::string_view text)
{
    ParsedFile parsed;
    Json root;
    bool tooDeep = false;
    const Json::parser_callback_t depthLimit = [&tooDeep](int depth, Json::parse_event_t, Json&) {
        tooDeep = tooDeep || depth > kMaxDepth;
        return !tooDeep;  // keeps nothing once too deep
    };
    try {
        root = Json::parse(text.begin(), text.end(), depthLimit);
    } catch (const Json::parse_error& e) {
        parsed.problem = {FileError::Syntax, "", LineAt(text, e.byte == 0 ? 0 : e.byte - 1), e.what()};
        return parsed;
    }
    if (tooDeep) {
        parsed.problem = {FileError::NotConfig, "", 0,
                          TextNumber::Format("nested deeper than %d levels: not a drive configuration", kMaxDepth)};
        return parsed;
    }
    const Checker checker(text);
    Configuration config;
    try {
        if ((parsed.problem = checker.Header(root)).error != FileError::None) return parsed;
        if ((parsed.problem = checker.Drive(root, config.drive)).error != FileError::None) return parsed;
        if ((parsed.problem = checker.Groups(root, config.values)).error != FileError::None) return parsed;
        if (root.contains("created")) config.created = root["created"].get<std::string>();
        if (root.contains("tool")) config.tool = root["tool"].get<std::string>();
    } catch (const Json::exception& e) {
        // Every value is checked for its type before it is taken; this is
        // the last guard, never the way a bad file is told.
        parsed.problem = {FileError::BadValue, "", 0, e.what()};
        return parsed;
    }
    parsed.config = std::move(config);
    return parsed;
}

ParsedFile ReadFile(const std::string& path)
{
    std::ifstream in(HostSystem::PathOf(path), std::ios::binary);
    std::string text;
    char buffer[16384];
    while (in && text.size() <= kMaxFileBytes) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<size_t>(in.gcount()));
    }
    ParsedFile parsed;
    if (in.bad() || (!in.eof() && text.size() <= kMaxFileBytes)) {
        parsed.problem = {FileError::Unreadable, "", 0, "cannot read " + path};
        return parsed;
    }
    if (text.size() > kMaxFileBytes) {
        parsed.problem = {FileError::NotConfig, "", 0,
                          TextNumber::Format("%s is longer than %zu bytes: not a drive configuration", path.c_str(),
                                             kMaxFileBytes)};
        return parsed;
    }
    return Parse(text);
}

bool WriteFile(const std::string& path, const Configuration& config, std::string& error)
{
    const std::string temporary = path + ".part";
    {
        std::ofstream out(HostSystem::PathOf(temporary), std::ios::binary | std::ios::trunc);
        out << ToText(config);
        out.flush();
        if (!out) {
            error = "cannot write " + temporary;
            HostSystem::RemoveFile(temporary);
            return false;
        }
    }
    if (!HostSystem::RenameOver(temporary, path)) {
        error = "cannot write " + path;
        HostSystem::RemoveFile(temporary);
        return false;
    }
    return true;
}

std::string Describe(const FileProblem& problem)
{
    std::string text;
    if (!problem.key.empty()) text += problem.key;
    if (problem.line > 0) text += (text.empty() ? "" : " ") + TextNumber::Format("(line %d)", problem.line);
    if (!text.empty()) text += ": ";
    return text + problem.detail;
}

std::string NowUtc()
{
    const std::time_t now = std::time(nullptr);
    const std::tm utc = HostSystem::UtcTime(now);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

std::string DriveFileName(uint8_t slave, const std::string& identifier)
{
    return TextNumber::Format("slave-%03d-%s.json", slave, identifier.c_str());
}

}  // namespace Backup
