// The user's language of the Qt-free texts: chosen from the environment as
// Qt does, switched at run time from any thread, and followed by the result,
// abort and status texts that the windows and zoric-cli show.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Language.h"
#include "ModbusMaster.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void SetVariable(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");  // an empty value removes it
#else
    if (value != nullptr) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

// With no locale variable: Windows keeps the language in the user's UI
// settings; elsewhere it is English.
Language WithoutVariables()
{
#ifdef _WIN32
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? Language::Chinese : Language::English;
#else
    return Language::English;
#endif
}

// Sets the three locale variables for one test and puts them back after.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* lcAll, const char* lcMessages, const char* lang)
    {
        for (int k = 0; k < 3; ++k) {
            const char* old = std::getenv(kNames[k]);
            m_saved[k] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        Set(0, lcAll);
        Set(1, lcMessages);
        Set(2, lang);
    }
    ~LocaleEnvironment()
    {
        for (int k = 0; k < 3; ++k) Set(k, m_saved[k] ? m_saved[k]->c_str() : nullptr);
    }

private:
    static void Set(int k, const char* value) { SetVariable(kNames[k], value); }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> m_saved[3];
};

// Every test leaves the language as the library starts: Chinese.
class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override { SetLanguage(Language::Chinese); }
};

TEST_F(LanguageTest, TheEnvironmentChoosesAsQtReadsIt)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "zh_CN.UTF-8", Language::Chinese},
        {nullptr, nullptr, "zh_TW.Big5", Language::Chinese},
        {nullptr, nullptr, "zh", Language::Chinese},
        {nullptr, nullptr, "en_US.UTF-8", Language::English},
        {nullptr, nullptr, "C.UTF-8", Language::English},
        {nullptr, nullptr, "de_DE.UTF-8", Language::English},
        {nullptr, nullptr, nullptr, WithoutVariables()},
        // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
        {"en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", Language::English},
        {"zh_CN.UTF-8", "en_US.UTF-8", "en_US.UTF-8", Language::Chinese},
        {"", "zh_CN.UTF-8", "en_US.UTF-8", Language::Chinese},
        {"", "", "zh_SG.UTF-8", Language::Chinese},
        {nullptr, "C", "zh_CN.UTF-8", Language::English},
    };
    for (const Case& c : cases) {
        LocaleEnvironment env(c.lcAll, c.lcMessages, c.lang);
        EXPECT_EQ(LanguageFromEnvironment(), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

TEST_F(LanguageTest, CodesAreZhAndEnOnly)
{
    Language language = Language::Chinese;
    ASSERT_TRUE(LanguageFromCode("en", language));
    EXPECT_EQ(language, Language::English);
    ASSERT_TRUE(LanguageFromCode("zh", language));
    EXPECT_EQ(language, Language::Chinese);
    for (const char* bad : {"", "EN", "zh_CN", "english", "e"}) {
        EXPECT_FALSE(LanguageFromCode(bad, language)) << bad;
        EXPECT_EQ(language, Language::Chinese) << "a bad code leaves the language alone";
    }
    EXPECT_STREQ(LanguageCode(Language::English), "en");
    EXPECT_STREQ(LanguageCode(Language::Chinese), "zh");
}

TEST_F(LanguageTest, ResultAndAbortTextsFollowTheLanguage)
{
    SetLanguage(Language::English);
    EXPECT_EQ(CModbusMaster::ResultText(1), "Illegal function");
    EXPECT_EQ(CModbusMaster::ResultText(2), "Illegal data address");
    EXPECT_EQ(CModbusMaster::ResultText(6), "Slave device busy");
    EXPECT_EQ(CModbusMaster::ResultText(130), "Response timeout");
    EXPECT_EQ(CModbusMaster::ResultText(0x60), "Run motor learning first");
    EXPECT_EQ(CModbusMaster::ResultText(7), "Undefined error (07)");
    EXPECT_EQ(CModbusMaster::ResultText(0xFFFFFFFFu), "Undefined error (FFFFFFFF)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06020000), "Object does not exist in the object dictionary (0x06020000)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06090011), "Sub-index does not exist (0x06090011)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06010001), "Attempt to read a write-only object (0x06010001)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x05040006), "Undefined abort code (0x05040006)");

    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::ResultText(130), "通讯超时");
    EXPECT_EQ(CModbusMaster::ResultText(7), "未定义错误(07)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06090011), "子索引不存在 (0x06090011)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x05040006), "未定义终止码(0x05040006)");
}

TEST_F(LanguageTest, StatusWordsFollowTheLanguageAndNumbersDoNot)
{
    RealtimeStatus s{};
    s.sq1Level = 1;
    s.errorState = 7;
    s.motorSpeed = 1500;
    s.temperature = 451;
    SetLanguage(Language::English);
    using StatusChannels::Channel;
    using StatusChannels::ShownText;
    const std::string enSpeed = ShownText(Channel::Speed, s);
    const std::string enTemperature = ShownText(Channel::Temperature, s);
    EXPECT_EQ(ShownText(Channel::Sq1, s), "High");
    EXPECT_EQ(ShownText(Channel::Sq2, s), "Low");
    EXPECT_EQ(ShownText(Channel::ErrorState, s), "Overtemperature shutdown");
    EXPECT_STREQ(StatusFormat::ErrorStateText(0xFFFF), "Unknown error");
    SetLanguage(Language::Chinese);
    EXPECT_EQ(ShownText(Channel::ErrorState, s), "过热关断");
    EXPECT_EQ(ShownText(Channel::Sq1, s), "高");
    EXPECT_EQ(enSpeed, ShownText(Channel::Speed, s));
    EXPECT_EQ(enTemperature, ShownText(Channel::Temperature, s));
}

TEST_F(LanguageTest, AnUnknownTextComesBackAsItIs)
{
    SetLanguage(Language::English);
    const char* text = "这不是表里的文字";
    EXPECT_EQ(Localized(text), text) << "the same pointer, not a copy";
    EXPECT_EQ(Localized(std::string("0x2408")), "0x2408");
    EXPECT_EQ(Localized(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_EQ(Localized(std::string("通讯超时")), "Response timeout");
}

// The link thread formats result texts while the UI thread may switch the
// language: every text read is whole, in one language or the other (and the
// ThreadSanitizer build sees no race).
TEST_F(LanguageTest, TextsAreReadWhileTheLanguageChanges)
{
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int k = 0; k < 3; ++k) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const std::string text = CModbusMaster::ResultText(130);
                const std::string abort = CModbusMaster::SdoAbortText(0x05040006);
                if (text != "通讯超时" && text != "Response timeout") ++bad;
                if (abort != "未定义终止码(0x05040006)" && abort != "Undefined abort code (0x05040006)") ++bad;
            }
        });
    }
    for (int k = 0; k < 2000; ++k) SetLanguage(k % 2 == 0 ? Language::English : Language::Chinese);
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
