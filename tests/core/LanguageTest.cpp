#include "core/messages/Language.h"

#include <gtest/gtest.h>

namespace ruvo::messages {
namespace {

TEST(LanguageOfLocale, AsGettextChoosesIt) {
    struct LocaleCase {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* languageList;
        Language language;
    };
    const LocaleCase cases[] = {
        {nullptr, nullptr, nullptr, nullptr, Language::English}, // nothing set: C
        {nullptr, nullptr, "ja_JP.UTF-8", nullptr, Language::Japanese},
        {nullptr, nullptr, "ja_JP.eucJP", nullptr, Language::Japanese},
        {nullptr, nullptr, "ja", nullptr, Language::Japanese},
        {nullptr, nullptr, "en_US.UTF-8", nullptr, Language::English},
        {nullptr, nullptr, "C.UTF-8", nullptr, Language::English},
        {nullptr, nullptr, "jam_JM", nullptr, Language::English}, // not "ja"
        // LC_ALL over LC_MESSAGES over LANG; an empty one is not set.
        {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", nullptr, Language::English},
        {"", "ja_JP.UTF-8", "en_US.UTF-8", nullptr, Language::Japanese},
        {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", nullptr, Language::English},
        // LANGUAGE goes first, but not in the C locale.
        {nullptr, nullptr, "en_US.UTF-8", "ja:en", Language::Japanese},
        {nullptr, nullptr, "ja_JP.UTF-8", "en_GB:ja", Language::English},
        {"C", nullptr, nullptr, "ja", Language::English},
        {nullptr, nullptr, "ja_JP.UTF-8", "", Language::Japanese},
    };
    for (const LocaleCase& c : cases)
        EXPECT_EQ(LanguageOfLocale(c.lcAll, c.lcMessages, c.lang, c.languageList), c.language)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-") << " " << (c.languageList ? c.languageList : "-");
}

} // namespace
} // namespace ruvo::messages
