#include "CliArguments.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

std::optional<int64_t> ParseCliInteger(const std::string& word)
{
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
    int base = 10;
    if (i + 1 < word.size() && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= word.size() || word.size() - i > 16) return std::nullopt;
    int64_t value = 0;
    for (; i < word.size(); ++i) {
        char c = word[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        if (value > (INT64_MAX - d) / base) return std::nullopt;
        value = value * base + d;
    }
    return negative ? -value : value;
}

std::optional<ValueType> ParseValueType(const std::string& word)
{
    if (word == "u16") return ValueType::U16;
    if (word == "s16") return ValueType::S16;
    if (word == "u32") return ValueType::U32;
    if (word == "s32") return ValueType::S32;
    if (word == "float") return ValueType::Float;
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseSlaveList(const std::string& text)
{
    std::vector<uint8_t> slaves;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-');
        const auto from = ParseCliInteger(item.substr(0, dash));
        const auto to = dash == std::string::npos ? from : ParseCliInteger(item.substr(dash + 1));
        if (!from || !to || *from < 1 || *to > 247 || *from > *to) return std::nullopt;
        for (int64_t slave = *from; slave <= *to; ++slave)
            if (std::find(slaves.begin(), slaves.end(), slave) == slaves.end())
                slaves.push_back(static_cast<uint8_t>(slave));
        if (comma == std::string::npos) return slaves;
        start = comma + 1;
    }
}

int RegistersPerValue(ValueType type) { return type == ValueType::U16 || type == ValueType::S16 ? 1 : 2; }

std::optional<std::string> CliArguments::Value(const std::string& option) const
{
    const auto found = options.find(option);
    if (found == options.end()) return std::nullopt;
    return found->second;
}

std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& argv, const OptionLookup& ownOptions,
                                              std::string& error)
{
    CliArguments a;
    auto needValue = [&](size_t& i, const std::string& name) -> std::optional<std::string> {
        if (i + 1 >= argv.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        return argv[++i];
    };
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& w = argv[i];
        if (w == "--help" || w == "-h") {
            a.help = true;
        } else if (w == "--port") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            if (v->empty()) {
                error = "--port needs a port name";
                return std::nullopt;
            }
            a.port = *v;
        } else if (w == "--baud") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            auto n = ParseCliInteger(*v);
            if (!n || *n <= 0 || *n > 4000000) {
                error = "bad baud rate: " + *v;
                return std::nullopt;
            }
            a.baud = static_cast<int>(*n);
        } else if (w == "--parity") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            auto n = ParseCliInteger(*v);
            if (!n || *n < 0 || *n > 3) {
                error = "--parity takes 0 to 3: " + *v;
                return std::nullopt;
            }
            a.parity = static_cast<int>(*n);
        } else if (w == "--slave") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            auto n = ParseCliInteger(*v);
            if (!n || *n < 0 || *n > 255) {
                error = "--slave takes 0 to 255: " + *v;
                return std::nullopt;
            }
            a.slave = static_cast<uint8_t>(*n);
            a.slaveGiven = true;
        } else if (w == "--lang") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            Language language;
            if (!LanguageFromCode(*v, language)) {
                error = "--lang takes zh or en: " + *v;
                return std::nullopt;
            }
            a.language = language;
        } else if (w == "--trace") {
            a.trace = true;
        } else if (w == "--json") {
            a.json = true;
        } else if (w == "--drive-file") {
            auto v = needValue(i, w);
            if (!v) return std::nullopt;
            a.driveFile = *v;
        } else if (const std::optional<bool> takesValue = ownOptions(w)) {
            std::string value;
            if (*takesValue) {
                auto v = needValue(i, w);
                if (!v) return std::nullopt;
                value = *v;
            }
            a.options[w] = value;
        } else if (w.size() > 2 && w.compare(0, 2, "--") == 0) {
            error = "unknown option " + w;
            return std::nullopt;
        } else if (a.command.empty()) {
            a.command = w;
        } else {
            a.args.push_back(w);
        }
    }
    return a;
}

Language ChosenLanguage(const std::vector<std::string>& argv)
{
    Language chosen = LanguageFromEnvironment();
    for (size_t i = 0; i + 1 < argv.size(); ++i) {
        Language language;
        if (argv[i] == "--lang" && LanguageFromCode(argv[i + 1], language)) chosen = language;
    }
    return chosen;
}
