#include "platform/headless/headless.h"
#include "platform/headless/headless_internal.h"
#include "platform/internal.h"

#include <GL/osmesa.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <utility>

namespace platform {
namespace {

// One fixed font, so that text pixels are the same on every machine.
constexpr const char* DefaultFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

TextFont& Font() {
    static TextFont font;
    return font;
}

// Read by the sound output's thread as well, as a real clock may be.
std::atomic<std::uint32_t> Clock{0};

struct HeadlessState {
    std::uint32_t seed = 1;
    std::string executableFolder;
    int desktopWidth = 1024, desktopHeight = 768;
    std::vector<std::pair<int, int>> displayModes;
    std::deque<Message> messages;
    std::vector<headless::CapturedMessageBox> boxes;
    bool joystickPlugged = false;
    bool joystickOpened = false;
    JoystickRanges joystickRanges{};
    JoystickReading joystickReading{};
    headless::WindowState window{};
    OSMesaContext context = nullptr;
    std::vector<std::uint8_t> buffer;  // as OSMesa draws it, bottom row first
    std::vector<std::uint8_t> pixels;  // top row first, for readers
    headless::LauncherAction launcherAction = headless::LauncherAction::Start;
    bool launcherReplaces = false;
    LauncherChoices launcherAnswer{};
    headless::LauncherSeen launcher{};
    std::string fontFile = DefaultFontFile;
    bool fontTried = false;
};

HeadlessState& State() {
    static HeadlessState state;
    return state;
}

const TextFont& OpenedFont() {
    HeadlessState& s = State();
    if (!s.fontTried) {
        s.fontTried = true;
        Font().open(s.fontFile);
    }
    return Font();
}

bool ModeAvailable(int width, int height) {
    const HeadlessState& s = State();
    if (width == s.desktopWidth && height == s.desktopHeight) return true;
    return std::find(s.displayModes.begin(), s.displayModes.end(), std::make_pair(width, height)) !=
           s.displayModes.end();
}

// Before main, so that the whole run keeps its freed memory.
[[maybe_unused]] const bool FreedMemoryKept = (KeepFreedMemory(), true);

}  // namespace

std::uint32_t Milliseconds() { return Clock.load(); }
std::uint32_t RandomSeed() { return State().seed; }

std::string ExecutableFolder() {
    HeadlessState& s = State();
    if (s.executableFolder.empty()) s.executableFolder = RunningExecutableFolder();
    return s.executableFolder;
}

bool DesktopSize(int& width, int& height) {
    width = State().desktopWidth;
    height = State().desktopHeight;
    return true;
}

bool OpenWindow(const WindowRequest& request) {
    HeadlessState& s = State();
    CloseWindow();
    if (request.width <= 0 || request.height <= 0) return false;
    s.window = {};
    s.window.width = request.width;
    s.window.height = request.height;
    s.window.fullscreen = request.fullscreen;
    if (request.fullscreen) {
        if (!ModeAvailable(request.width, request.height)) return false;
        s.window.displayModeChanged = true;
    }
    const int attributes[] = {OSMESA_FORMAT,
                              OSMESA_RGBA,
                              OSMESA_DEPTH_BITS,
                              16,
                              OSMESA_STENCIL_BITS,
                              1,
                              OSMESA_PROFILE,
                              OSMESA_COMPAT_PROFILE,
                              0};
    s.context = OSMesaCreateContextAttribs(attributes, nullptr);
    if (!s.context) return false;
    s.buffer.assign(static_cast<std::size_t>(request.width) * request.height * 4, 0);
    if (!OSMesaMakeCurrent(s.context, s.buffer.data(), GL_UNSIGNED_BYTE, request.width, request.height))
        return false;
    s.window.open = true;
    s.window.cursorConfined = !request.fullscreen;
    s.window.cursorHidden = request.fullscreen;
    s.window.pointerX = request.width / 2;
    s.window.pointerY = request.height / 2;
    return true;
}

void CloseWindow() {
    HeadlessState& s = State();
    if (s.context) {
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
        OSMesaDestroyContext(s.context);
        s.context = nullptr;
    }
    s.window.open = false;
    s.window.displayModeChanged = false;
    s.window.cursorConfined = false;
    s.window.cursorHidden = false;
}

bool WindowIsOpen() { return State().window.open; }

void SwapBuffers() {
    HeadlessState& s = State();
    if (s.context) s.window.swaps += 1;
}

bool PollMessage(Message& message) {
    HeadlessState& s = State();
    if (s.messages.empty()) return false;
    message = s.messages.front();
    s.messages.pop_front();
    return true;
}

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon, bool ownedByWindow) {
    State().boxes.push_back({text, caption, icon, ownedByWindow});
}

bool OpenJoystick(JoystickRanges& ranges) {
    HeadlessState& s = State();
    if (!s.joystickPlugged) return false;
    s.joystickOpened = true;
    ranges = s.joystickRanges;
    return true;
}

bool ReadJoystick(JoystickReading& reading) {
    const HeadlessState& s = State();
    if (!s.joystickOpened || !s.joystickPlugged) return false;
    reading = s.joystickReading;
    return true;
}

bool RunLauncher(const LauncherRequest& request, LauncherChoices& choices) {
    HeadlessState& s = State();
    if (s.launcherAction == headless::LauncherAction::CannotOpen) return false;
    headless::LauncherSeen& seen = s.launcher;
    seen.runs += 1;
    seen.title = request.title ? request.title : "";
    seen.resolutions.assign(request.resolutions, request.resolutions + std::max(request.resolutionCount, 0));
    seen.shown = choices;
    seen.splashWidth = request.splash ? request.splashWidth : 0;
    seen.splashHeight = request.splash ? request.splashHeight : 0;
    seen.splash.assign(request.splash,
                       request.splash + static_cast<std::size_t>(seen.splashWidth) * seen.splashHeight * 4);
    if (s.launcherAction == headless::LauncherAction::Close) return false;
    if (s.launcherReplaces) choices = s.launcherAnswer;
    return true;
}

bool DrawTextLine(const PixelCanvas& canvas, const char* text, int length, int x, int y, std::uint32_t colour,
                  std::uint32_t background) {
    return OpenedFont().drawLine(canvas, text, length, x, y, colour, background);
}

int TextLineHeight() { return OpenedFont().lineHeight(); }

namespace headless {

void Reset() {
    CloseWindow();
    Font().close();
    State() = HeadlessState{};
    Clock.store(0);
    headless_detail::ResetMidi();
    ResetAudio();
}

void SetClock(std::uint32_t milliseconds) {
    headless_detail::RunTimersUntil(Clock.load(), milliseconds, [](std::uint32_t t) { Clock.store(t); });
    Clock.store(milliseconds);
}
void AdvanceClock(std::uint32_t milliseconds) { SetClock(Clock.load() + milliseconds); }
void SetFontFile(const std::string& file) {
    Font().close();
    State().fontFile = file;
    State().fontTried = false;
}

void SetSeed(std::uint32_t seed) { State().seed = seed; }
void SetExecutableFolder(const std::string& folder) { State().executableFolder = folder; }

void SetDesktopSize(int width, int height) {
    State().desktopWidth = width;
    State().desktopHeight = height;
}

void AddDisplayMode(int width, int height) { State().displayModes.emplace_back(width, height); }

void PushMessage(const Message& message) { State().messages.push_back(message); }
std::size_t PendingMessages() { return State().messages.size(); }

const std::vector<CapturedMessageBox>& MessageBoxes() { return State().boxes; }
void ClearMessageBoxes() { State().boxes.clear(); }

void PlugJoystick(const JoystickRanges& ranges) {
    State().joystickPlugged = true;
    State().joystickRanges = ranges;
}
void SetJoystickReading(const JoystickReading& reading) { State().joystickReading = reading; }
void UnplugJoystick() { State().joystickPlugged = false; }

WindowState Window() { return State().window; }

void AnswerLauncher(LauncherAction action) {
    State().launcherAction = action;
    State().launcherReplaces = false;
}

void AnswerLauncher(const LauncherChoices& choices) {
    State().launcherAction = LauncherAction::Start;
    State().launcherReplaces = true;
    State().launcherAnswer = choices;
}

const LauncherSeen& Launcher() { return State().launcher; }

const std::vector<std::uint8_t>& FramePixels() {
    HeadlessState& s = State();
    const auto rowBytes = static_cast<std::size_t>(s.window.width) * 4;
    s.pixels.resize(s.buffer.size());
    if (rowBytes == 0) return s.pixels;
    if (s.context) glFinish();
    const std::size_t rows = s.buffer.size() / rowBytes;
    for (std::size_t row = 0; row < rows; ++row)
        std::copy_n(s.buffer.begin() + static_cast<std::ptrdiff_t>(row * rowBytes), rowBytes,
                    s.pixels.begin() + static_cast<std::ptrdiff_t>((rows - 1 - row) * rowBytes));
    return s.pixels;
}

}  // namespace headless
}  // namespace platform
