// Every Chinese text of protocol/, backup/, record/ and cli/ has its English
// in the one table behind Localized(), and each English entry can stand in
// for its Chinese: the same printf conversions (a mismatch would read the
// wrong argument), the same blanks and colon at the ends, no Chinese left.
// The texts are read from the sources themselves, so a new message without
// its English fails here rather than showing Chinese to an English user.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Language.h"

namespace {

namespace fs = std::filesystem;

struct Literal {
    std::string text;   // as the program sees it: escapes decoded, adjacent literals joined
    std::string where;  // "protocol/ModbusMaster.cpp:45"
};

bool IsIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The string literals of one C++ source, comments and character literals
// skipped. Good for the code of this tree: no trigraphs, no line splices
// inside literals.
class LiteralReader {
public:
    LiteralReader(std::string source, std::string file) : m_s(std::move(source)), m_file(std::move(file)) {}

    std::vector<Literal> Read()
    {
        std::vector<Literal> literals;
        while (m_i < m_s.size()) {
            if (SkipBlankOrComment()) continue;
            const char c = m_s[m_i];
            if (c == '"') {
                Literal literal{{}, m_file + ":" + std::to_string(m_line)};
                // "a" "b" is one text.
                do {
                    literal.text += ReadString();
                    while (m_i < m_s.size() && SkipBlankOrComment()) {
                    }
                } while (m_i < m_s.size() && StartsLiteral());
                literals.push_back(std::move(literal));
            } else if (c == '\'' && !(m_i > 0 && IsIdentifierChar(m_s[m_i - 1]))) {
                SkipCharacter();  // a digit separator (1'000) is not one
            } else {
                ++m_i;
            }
        }
        return literals;
    }

private:
    bool StartsLiteral()
    {
        if (m_s[m_i] == '"') return true;
        // An encoding prefix or a raw string joined to the one before.
        size_t j = m_i;
        while (j < m_s.size() && IsIdentifierChar(m_s[j])) ++j;
        if (j >= m_s.size() || m_s[j] != '"') return false;
        const std::string prefix = m_s.substr(m_i, j - m_i);
        static const std::set<std::string> kPrefixes = {"u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"};
        if (!kPrefixes.count(prefix)) return false;
        m_i = j;
        return true;
    }

    bool SkipBlankOrComment()
    {
        const char c = m_s[m_i];
        if (c == '\n') {
            ++m_line;
            ++m_i;
            return true;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++m_i;
            return true;
        }
        if (m_s.compare(m_i, 2, "//") == 0) {
            while (m_i < m_s.size() && m_s[m_i] != '\n') ++m_i;
            return true;
        }
        if (m_s.compare(m_i, 2, "/*") == 0) {
            const size_t end = m_s.find("*/", m_i + 2);
            const size_t stop = end == std::string::npos ? m_s.size() : end + 2;
            m_line += static_cast<int>(std::count(m_s.begin() + static_cast<std::ptrdiff_t>(m_i),
                                                  m_s.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
            m_i = stop;
            return true;
        }
        return false;
    }

    // At the opening quote; a raw string when an R comes just before it.
    std::string ReadString()
    {
        if (m_i > 0 && m_s[m_i - 1] == 'R') return ReadRaw();
        std::string text;
        ++m_i;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            if (m_s[m_i] == '\n') ++m_line;
            if (m_s[m_i] != '\\' || m_i + 1 >= m_s.size()) {
                text += m_s[m_i++];
                continue;
            }
            const char e = m_s[m_i + 1];
            m_i += 2;
            switch (e) {
            case 'n': text += '\n'; break;
            case 't': text += '\t'; break;
            case 'r': text += '\r'; break;
            case 'x': {
                int value = 0;
                while (m_i < m_s.size() && HexDigit(m_s[m_i]) >= 0) value = value * 16 + HexDigit(m_s[m_i++]);
                text += static_cast<char>(value);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int value = e - '0';
                    for (int k = 0; k < 2 && m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '7'; ++k)
                        value = value * 8 + (m_s[m_i++] - '0');
                    text += static_cast<char>(value);
                } else {
                    text += e;  // \" \\ \' \?
                }
            }
        }
        ++m_i;
        return text;
    }

    std::string ReadRaw()
    {
        const size_t open = m_s.find('(', m_i);
        const std::string close = ")" + m_s.substr(m_i + 1, open - m_i - 1) + "\"";
        const size_t end = m_s.find(close, open);
        const size_t stop = end == std::string::npos ? m_s.size() : end;
        std::string text = m_s.substr(open + 1, stop - open - 1);
        m_line += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        m_i = std::min(m_s.size(), stop + close.size());
        return text;
    }

    void SkipCharacter()
    {
        ++m_i;
        while (m_i < m_s.size() && m_s[m_i] != '\'' && m_s[m_i] != '\n') m_i += m_s[m_i] == '\\' ? 2 : 1;
        ++m_i;
    }

    std::string m_s;
    std::string m_file;
    size_t m_i = 0;
    int m_line = 1;
};

// Han characters, CJK punctuation and full-width forms.
bool HasChinese(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        uint32_t cp = b & (length == 4 ? 0x07u : length == 3 ? 0x0Fu : 0x1Fu);
        for (int k = 1; k < length && i + static_cast<size_t>(k) < text.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3Fu);
        if ((cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFF00 && cp <= 0xFFEF))
            return true;
        i += static_cast<size_t>(length);
    }
    return false;
}

// The printf conversions of a text in order: "%02X", "%d", "%s".
std::vector<std::string> Conversions(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && std::string_view("-+ #0123456789.*hljztL").find(text[j]) != std::string_view::npos)
            ++j;
        found.push_back(text.substr(i, j + 1 - i));
        i = j;
    }
    return found;
}

std::string Ending(const std::string& text)
{
    // A colon, ASCII or full-width, and the blanks after it.
    std::string end;
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') end.insert(0, 1, text[--n]);
    if (n > 0 && text[n - 1] == ':') end.insert(0, ":");
    else if (n >= 3 && text.compare(n - 3, 3, "：") == 0) end.insert(0, ":");
    return end;
}

std::vector<Literal> SourceLiterals()
{
    std::vector<Literal> literals;
    const fs::path root = ZORIC_SOURCE_DIR;
    for (const char* folder : {"protocol", "backup", "record", "cli"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream content;
            content << in.rdbuf();
            const std::string name = fs::relative(entry.path(), root).generic_string();
            if (name == "protocol/EnglishTable.cpp") continue;  // the keys themselves
            for (Literal& l : LiteralReader(content.str(), name).Read()) literals.push_back(std::move(l));
        }
    }
    return literals;
}

TEST(EnglishTable, ReaderFindsTheTextsAsTheProgramSeesThem)
{
    const std::string source =
        "// \"注释\" is no text\n"
        "const char* a = \"一\" \"二\"; char q = '\"'; int n = 1'000;\n"
        "/* \"也不是\" */ auto b = R\"x(三\"四)x\"; auto c = \"五\\n\\x41\";\n";
    const std::vector<Literal> found = LiteralReader(source, "f.cpp").Read();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].text, "一二");
    EXPECT_EQ(found[0].where, "f.cpp:2");
    EXPECT_EQ(found[1].text, "三\"四");
    EXPECT_EQ(found[1].where, "f.cpp:3");
    EXPECT_EQ(found[2].text, "五\nA");
    EXPECT_TRUE(HasChinese("电机转速"));
    EXPECT_TRUE(HasChinese("（"));
    EXPECT_FALSE(HasChinese("45.0℃ 0.5°"));
    EXPECT_EQ(Conversions("相位偏移: %d, 100%% %02X %-8.3f %s"),
              (std::vector<std::string>{"%d", "%02X", "%-8.3f", "%s"}));
}

TEST(EnglishTable, EveryChineseTextOfTheQtFreeModulesHasItsEnglish)
{
    std::map<std::string, std::string> table;
    for (const Translation& t : EnglishTable()) {
        EXPECT_TRUE(table.emplace(t.chinese, t.english).second) << "twice in the table: " << t.chinese;
    }
    const std::vector<Literal> literals = SourceLiterals();
    ASSERT_GT(literals.size(), 500u) << "the sources were not found under " << ZORIC_SOURCE_DIR;

    std::set<std::string> used;
    size_t chinese = 0;
    for (const Literal& l : literals) {
        if (!HasChinese(l.text)) continue;
        ++chinese;
        used.insert(l.text);
        EXPECT_TRUE(table.count(l.text)) << l.where << ": no English for \"" << l.text << "\"";
    }
    EXPECT_GT(chinese, 150u);
    for (const auto& [zh, en] : table)
        EXPECT_TRUE(used.count(zh)) << "no source uses \"" << zh << "\" any more: drop it from the table";
}

TEST(EnglishTable, EachEnglishEntryCanStandInForItsChinese)
{
    for (const Translation& t : EnglishTable()) {
        const std::string zh = t.chinese, en = t.english;
        EXPECT_FALSE(en.empty()) << zh;
        EXPECT_FALSE(HasChinese(en)) << zh << " -> " << en;
        EXPECT_EQ(Conversions(zh), Conversions(en)) << zh << " -> " << en;
        EXPECT_EQ(Ending(zh), Ending(en)) << zh << " -> " << en;
        EXPECT_EQ(zh.front() == ' ', en.front() == ' ') << zh << " -> " << en;
    }
}

}  // namespace
