#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace {

using platform::Message;
using platform::MessageType;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }

    static void Key(MessageType type, int key) { HandleInputMessage({type, key, 0, 0}); }
    static void Down(int key) { Key(MessageType::KeyDown, key); }
    static void Up(int key) { Key(MessageType::KeyUp, key); }
    static void Pointer(int x, int y) { HandleInputMessage({MessageType::PointerMove, 0, x, y}); }
};

TEST_F(InputTest, LettersFoldOntoArrowsAndEitherReleaseClearsTheSlot) {
    Down('W');
    Down(VK_UP);
    EXPECT_EQ(KeyState[VK_UP], 1);
    Up('W');
    EXPECT_EQ(KeyState[VK_UP], 0) << "releasing W releases Up although the arrow is held";
    EXPECT_EQ(KeyState['W'], 0);

    Down('A');
    Down('S');
    Down('D');
    EXPECT_EQ(KeyState[VK_LEFT], 1);
    EXPECT_EQ(KeyState[VK_DOWN], 1);
    EXPECT_EQ(KeyState[VK_RIGHT], 1);
    Up(VK_LEFT);
    EXPECT_EQ(KeyState[VK_LEFT], 0);
    EXPECT_EQ(KeyState['A'], 1);
}

TEST_F(InputTest, MouseButtonsShareSlotsWithSpaceAndCtrl) {
    HandleInputMessage({MessageType::LeftButtonDown, 0, 0, 0});
    Down(VK_SPACE);
    Up(VK_SPACE);
    EXPECT_EQ(KeyState[VK_SPACE], 0) << "Space up clears the slot while the button is held";
    HandleInputMessage({MessageType::LeftButtonDown, 0, 0, 0});
    EXPECT_EQ(KeyState[VK_SPACE], 1);
    HandleInputMessage({MessageType::LeftButtonUp, 0, 0, 0});
    EXPECT_EQ(KeyState[VK_SPACE], 0);

    HandleInputMessage({MessageType::RightButtonDown, 0, 0, 0});
    EXPECT_EQ(KeyState[VK_CONTROL], 1);
    HandleInputMessage({MessageType::RightButtonUp, 0, 0, 0});
    EXPECT_EQ(KeyState[VK_CONTROL], 0);
}

TEST_F(InputTest, SystemKeysDoNothingAndReleasesStillClear) {
    IsRunning = true;
    for (int key : {int{'Q'}, VK_ESCAPE, int{'W'}, VK_SPACE, VK_F10, VK_MENU}) {
        Key(MessageType::SystemKeyDown, key);
        EXPECT_TRUE(IsRunning) << key;
        EXPECT_EQ(KeyState[key], 0) << key;
    }
    EXPECT_EQ(KeyState[VK_UP], 0) << "Alt+W does not walk";

    // W held, then Alt pressed: letting go of W still stops the walk.
    Down('W');
    Key(MessageType::SystemKeyDown, VK_MENU);
    Up('W');
    EXPECT_EQ(KeyState[VK_UP], 0);
    Down('Q');
    EXPECT_FALSE(IsRunning) << "Q alone still quits";
}

TEST_F(InputTest, KeyCodesOutsideTheTableAreIgnored) {
    Down(300);
    Down(-5);
    Up(1000);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(KeyState[i], 0) << i;
}

TEST_F(InputTest, PointerSpansMinusOneToOneOverTheWindow) {
    Settings.Width = 640;
    Settings.Height = 480;
    Pointer(0, 0);
    EXPECT_FLOAT_EQ(PointerX, -1.0f);
    EXPECT_FLOAT_EQ(PointerY, -1.0f);
    Pointer(320, 240);
    EXPECT_FLOAT_EQ(PointerX, 0.0f);
    EXPECT_FLOAT_EQ(PointerY, 0.0f);
    Pointer(640, 480);
    EXPECT_FLOAT_EQ(PointerX, 1.0f);
    EXPECT_FLOAT_EQ(PointerY, 1.0f);
}

TEST_F(InputTest, QuitKeysAndWindowCloseEndTheLoopAndTearTheWindowDown) {
    for (const Message quit :
         {Message{MessageType::KeyDown, VK_ESCAPE, 0, 0}, Message{MessageType::KeyDown, 'Q', 0, 0},
          Message{MessageType::Close, 0, 0, 0}}) {
        ASSERT_TRUE(platform::OpenWindow({"t", 64, 48, false}));
        IsRunning = true;
        HandleInputMessage(quit);
        EXPECT_FALSE(IsRunning);
        EXPECT_FALSE(platform::WindowIsOpen());
    }
}

class JoystickTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        platform::headless::PlugJoystick({100, 300, 0, 1000, 0, 10, 0, 10});
    }
    static void Read(std::uint32_t x, std::uint32_t y, std::uint32_t buttons) {
        platform::headless::SetJoystickReading({x, y, 5, 10, buttons, 65535});
    }
};

TEST_F(JoystickTest, AxesAreScaledFromTheirRanges) {
    Read(100, 1000, 0);
    ASSERT_TRUE(OpenJoystick());
    EXPECT_TRUE(Joystick.hasRU);
    ASSERT_TRUE(PollJoystick());
    EXPECT_FLOAT_EQ(Joystick.x, -1.0f);
    EXPECT_FLOAT_EQ(Joystick.y, 1.0f);
    EXPECT_FLOAT_EQ(Joystick.r, 0.0f);
    EXPECT_FLOAT_EQ(Joystick.u, 1.0f);
    Read(200, 500, 0);
    ASSERT_TRUE(PollJoystick());
    EXPECT_FLOAT_EQ(Joystick.x, 0.0f);
    EXPECT_FLOAT_EQ(Joystick.y, 0.0f);
}

TEST_F(JoystickTest, DeviceWithoutRAndUAxesKeepsThemAtZero) {
    platform::headless::PlugJoystick({0, 10, 0, 10, 0, 0, 0, 10});
    Read(0, 0, 0);
    ASSERT_TRUE(OpenJoystick());
    EXPECT_FALSE(Joystick.hasRU);
    ASSERT_TRUE(PollJoystick());
    EXPECT_EQ(Joystick.r, 0.0f);
    EXPECT_EQ(Joystick.u, 0.0f);
}

TEST_F(JoystickTest, EmptyStickRangeOrNoDeviceLeavesItUnused) {
    platform::headless::PlugJoystick({5, 5, 0, 10, 0, 10, 0, 10});
    EXPECT_FALSE(OpenJoystick());
    EXPECT_FALSE(PollJoystick());
    platform::headless::UnplugJoystick();
    EXPECT_FALSE(OpenJoystick());
    EXPECT_FALSE(Joystick.available);
}

TEST_F(JoystickTest, ButtonsDriveTheSevenSlotsAndOverrideKeysOnTheNextTurn) {
    Read(200, 500, 0);
    Settings.Joystick = 1;
    ASSERT_TRUE(OpenJoystick());
    IsRunning = true;

    platform::headless::PushMessage({MessageType::KeyDown, VK_UP, 0, 0});
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_UP], 1) << "the key holds for the turn its message was handled in";
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_UP], 0) << "the next poll writes the joystick's released button";

    Read(300, 0, 0x7F);
    PumpOneMessage();
    for (int slot : {VK_LEFT, VK_DOWN, VK_RIGHT, VK_UP, VK_SHIFT, VK_SPACE, VK_CONTROL})
        EXPECT_EQ(KeyState[slot], 1) << slot;
    EXPECT_FLOAT_EQ(PointerX, 1.0f);
    EXPECT_FLOAT_EQ(PointerY, -1.0f);

    Read(300, 0, 1u << 3);  // button 4 alone: forward
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_UP], 1);
    EXPECT_EQ(KeyState[VK_LEFT], 0);
    EXPECT_EQ(KeyState[VK_CONTROL], 0);
}

TEST_F(JoystickTest, UnpluggedStickKeepsTheLastValuesAndResumesWhenBack) {
    Read(300, 1000, 1);
    ASSERT_TRUE(OpenJoystick());
    IsRunning = true;
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_LEFT], 1);

    platform::headless::UnplugJoystick();
    EXPECT_FALSE(PollJoystick());
    EXPECT_TRUE(Joystick.available);
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_LEFT], 1);
    EXPECT_FLOAT_EQ(PointerX, 1.0f);

    platform::headless::PlugJoystick({100, 300, 0, 1000, 0, 10, 0, 10});
    Read(100, 1000, 0);
    PumpOneMessage();
    EXPECT_EQ(KeyState[VK_LEFT], 0);
    EXPECT_FLOAT_EQ(PointerX, -1.0f);
}

}  // namespace
