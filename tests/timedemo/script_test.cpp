#include "script.h"

#include "platform/keys.h"

#include <gtest/gtest.h>

namespace {

using platform::MessageType;

TEST(ScriptKeys, NamesMapToVirtualKeyCodes) {
    EXPECT_EQ(KeyCodeFromName("w"), 'W');
    EXPECT_EQ(KeyCodeFromName("Q"), 'Q');
    EXPECT_EQ(KeyCodeFromName("7"), '7');
    EXPECT_EQ(KeyCodeFromName("up"), 38);
    EXPECT_EQ(KeyCodeFromName("DOWN"), 40);
    EXPECT_EQ(KeyCodeFromName("left"), 37);
    EXPECT_EQ(KeyCodeFromName("right"), 39);
    EXPECT_EQ(KeyCodeFromName("space"), 32);
    EXPECT_EQ(KeyCodeFromName("shift"), 16);
    EXPECT_EQ(KeyCodeFromName("ctrl"), 17);
    EXPECT_EQ(KeyCodeFromName("esc"), 27);
    EXPECT_EQ(KeyCodeFromName("enter"), -1);
    EXPECT_EQ(KeyCodeFromName("!"), -1);
    EXPECT_EQ(KeyCodeFromName(""), -1);
}

TEST(Script, EveryActionBecomesItsMessage) {
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(
        ParseScript("0 down w\n1 up W\n2 pointer 320 -4\n3 click left down\n4 click left up\n"
                    "5 click right down\n6 click RIGHT up\n7 down esc\n",
                    events, error))
        << error;
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0].message.type, MessageType::KeyDown);
    EXPECT_EQ(events[0].message.key, 'W');
    EXPECT_EQ(events[1].message.type, MessageType::KeyUp);
    EXPECT_EQ(events[1].message.key, 'W');
    EXPECT_EQ(events[2].message.type, MessageType::PointerMove);
    EXPECT_EQ(events[2].message.x, 320);
    EXPECT_EQ(events[2].message.y, -4);
    EXPECT_EQ(events[3].message.type, MessageType::LeftButtonDown);
    EXPECT_EQ(events[4].message.type, MessageType::LeftButtonUp);
    EXPECT_EQ(events[5].message.type, MessageType::RightButtonDown);
    EXPECT_EQ(events[6].message.type, MessageType::RightButtonUp);
    EXPECT_EQ(events[7].message.key, VK_ESCAPE);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(events[static_cast<std::size_t>(i)].frame, i);
}

TEST(Script, BlankLinesAndCommentsAreSkippedAndFramesSortedStably) {
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ParseScript("# warm up\n\n   \n9 down a\n  # indented comment\n3 down b\r\n9 up a\n3 up b\n",
                            events, error))
        << error;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].frame, 3);
    EXPECT_EQ(events[0].message.type, MessageType::KeyDown);
    EXPECT_EQ(events[0].message.key, 'B');
    EXPECT_EQ(events[1].frame, 3);
    EXPECT_EQ(events[1].message.type, MessageType::KeyUp);
    EXPECT_EQ(events[2].frame, 9);
    EXPECT_EQ(events[2].message.type, MessageType::KeyDown) << "lines of one frame keep the file's order";
    EXPECT_EQ(events[3].message.type, MessageType::KeyUp);
}

TEST(Script, ABadLineIsNamedByItsNumber) {
    struct Case {
        const char* text;
        const char* line;
    };
    for (const Case& c : {Case{"0 down w\n\n# fine\n4 jump\n", "line 4:"}, Case{"x down w\n", "line 1:"},
                          Case{"1 down\n", "line 1:"}, Case{"1 down w w\n", "line 1:"},
                          Case{"0 up w\n1 down enter\n", "line 2:"}, Case{"1 pointer 3\n", "line 1:"},
                          Case{"1 pointer 3 y\n", "line 1:"}, Case{"1 click middle down\n", "line 1:"},
                          Case{"1 click left sideways\n", "line 1:"}, Case{"-1 down w\n", "line 1:"},
                          Case{"1\n", "line 1:"}}) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(ParseScript(c.text, events, error)) << c.text;
        EXPECT_EQ(error.rfind(c.line, 0), 0u) << c.text << " gave: " << error;
        EXPECT_TRUE(events.empty());
    }
}

TEST(Script, AMissingFileIsAnError) {
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_FALSE(LoadScript("/nonexistent/umbrafall/script.txt", events, error));
    EXPECT_NE(error.find("script.txt"), std::string::npos);
}

}  // namespace
