#include "platform/internal.h"
#include "platform/keys.h"
#include "platform/platform.h"

#include <SDL.h>
#include <fontconfig/fontconfig.h>

#include <ctime>

namespace platform {
namespace {

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool fullscreen = false;
    SDL_Joystick* joystick = nullptr;
};

SdlState& State() {
    static SdlState state;
    return state;
}

bool InitSubsystem(Uint32 flags) { return SDL_WasInit(flags) == flags || SDL_InitSubSystem(flags) == 0; }

// The clock starts when the program does, not when the machine did.
const bool ClockStarted = InitSubsystem(SDL_INIT_TIMER);

int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
    switch (key) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return 13;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return 19;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        default: return 0;
    }
}

Uint32 AxisValue(Sint16 value) { return static_cast<Uint32>(value + 32768); }

// Before main, so that the whole run keeps its freed memory.
[[maybe_unused]] const bool FreedMemoryKept = (KeepFreedMemory(), true);

}  // namespace

std::uint32_t Milliseconds() { return ClockStarted ? SDL_GetTicks() : 0; }

std::uint32_t RandomSeed() { return static_cast<std::uint32_t>(std::time(nullptr)); }

std::string ExecutableFolder() {
    std::string folder = ".";
    if (char* base = SDL_GetBasePath()) {
        folder = base;
        SDL_free(base);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    }
    return folder;
}

bool DesktopSize(int& width, int& height) {
    SDL_DisplayMode mode;
    if (!InitSubsystem(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    width = mode.w;
    height = mode.h;
    return true;
}

bool OpenWindow(const WindowRequest& request) {
    SdlState& s = State();
    CloseWindow();
    if (!InitSubsystem(SDL_INIT_VIDEO)) return false;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (request.fullscreen) {
        // Only a mode the display really has: no scaling or letterboxing.
        SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB565, request.width, request.height, 0, nullptr};
        SDL_DisplayMode closest;
        if (!SDL_GetClosestDisplayMode(0, &wanted, &closest) || closest.w != request.width ||
            closest.h != request.height)
            return false;
        flags |= SDL_WINDOW_FULLSCREEN;
    }
    s.window = SDL_CreateWindow(request.title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                request.width, request.height, flags);
    if (!s.window) return false;
    s.fullscreen = request.fullscreen;
    if (request.fullscreen) {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB565, request.width, request.height, 0, nullptr};
        if (SDL_SetWindowDisplayMode(s.window, &mode) != 0 ||
            SDL_SetWindowFullscreen(s.window, SDL_WINDOW_FULLSCREEN) != 0)
            return false;
    }
    s.context = SDL_GL_CreateContext(s.window);
    if (!s.context || SDL_GL_MakeCurrent(s.window, s.context) != 0) return false;
    SDL_GL_SetSwapInterval(0);  // the game paces itself; refused on some drivers, which is fine

    SDL_ShowWindow(s.window);
    SDL_RaiseWindow(s.window);
    if (request.fullscreen)
        SDL_ShowCursor(SDL_DISABLE);
    else
        SDL_SetWindowGrab(s.window, SDL_TRUE);
    // Wherever the pointer was, the view must not turn before it moves.
    SDL_WarpMouseInWindow(s.window, request.width / 2, request.height / 2);
    return true;
}

void CloseWindow() {
    SdlState& s = State();
    if (s.window) {
        SDL_SetWindowGrab(s.window, SDL_FALSE);
        if (s.fullscreen) SDL_SetWindowFullscreen(s.window, 0);  // restores the desktop mode
    }
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_ENABLE);
    if (s.context) {
        SDL_GL_MakeCurrent(s.window, nullptr);
        SDL_GL_DeleteContext(s.context);
        s.context = nullptr;
    }
    if (s.window) {
        SDL_DestroyWindow(s.window);
        s.window = nullptr;
    }
    s.fullscreen = false;
}

bool WindowIsOpen() { return State().window != nullptr; }

void SwapBuffers() {
    if (State().context) SDL_GL_SwapWindow(State().window);
}

bool PollMessage(Message& message) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    message = {MessageType::Other, 0, 0, 0};
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            message.type = event.type == SDL_KEYDOWN ? MessageType::KeyDown : MessageType::KeyUp;
            message.key = VirtualKey(event.key.keysym.sym);
            if (message.type == MessageType::KeyDown &&
                ((event.key.keysym.mod & KMOD_ALT) != 0 || message.key == VK_F10))
                message.type = MessageType::SystemKeyDown;
            if (message.key == 0) message.type = MessageType::Other;
            break;
        case SDL_MOUSEMOTION:
            message.type = MessageType::PointerMove;
            message.x = event.motion.x;
            message.y = event.motion.y;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            if (event.button.button == SDL_BUTTON_LEFT)
                message.type = down ? MessageType::LeftButtonDown : MessageType::LeftButtonUp;
            else if (event.button.button == SDL_BUTTON_RIGHT)
                message.type = down ? MessageType::RightButtonDown : MessageType::RightButtonUp;
            message.x = event.button.x;
            message.y = event.button.y;
            break;
        }
        case SDL_QUIT: message.type = MessageType::Close; break;
        default: break;
    }
    return true;
}

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon, bool ownedByWindow) {
    const Uint32 flags = icon == MessageIcon::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption, text, ownedByWindow ? State().window : nullptr);
}

bool OpenJoystick(JoystickRanges& ranges) {
    SdlState& s = State();
    if (!InitSubsystem(SDL_INIT_JOYSTICK) || SDL_NumJoysticks() < 1) return false;
    s.joystick = SDL_JoystickOpen(0);
    if (!s.joystick) return false;
    const int axes = SDL_JoystickNumAxes(s.joystick);
    // SDL axes run from -32768 to 32767; an axis the device lacks has an empty range.
    auto range = [axes](int axis, std::uint32_t& lo, std::uint32_t& hi) {
        lo = 0;
        hi = axis < axes ? 65535 : 0;
    };
    range(0, ranges.xMin, ranges.xMax);
    range(1, ranges.yMin, ranges.yMax);
    range(2, ranges.rMin, ranges.rMax);
    range(3, ranges.uMin, ranges.uMax);
    return true;
}

bool ReadJoystick(JoystickReading& reading) {
    SDL_Joystick* joystick = State().joystick;
    if (!joystick) return false;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick)) return false;
    reading.x = AxisValue(SDL_JoystickGetAxis(joystick, 0));
    reading.y = AxisValue(SDL_JoystickGetAxis(joystick, 1));
    reading.r = AxisValue(SDL_JoystickGetAxis(joystick, 2));
    reading.u = AxisValue(SDL_JoystickGetAxis(joystick, 3));
    reading.buttons = 0;
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < buttons && b < 32; ++b)
        if (SDL_JoystickGetButton(joystick, b)) reading.buttons |= 1u << b;
    reading.pov = 65535;
    if (SDL_JoystickNumHats(joystick) > 0) {
        switch (SDL_JoystickGetHat(joystick, 0)) {
            case SDL_HAT_UP: reading.pov = 0; break;
            case SDL_HAT_RIGHTUP: reading.pov = 4500; break;
            case SDL_HAT_RIGHT: reading.pov = 9000; break;
            case SDL_HAT_RIGHTDOWN: reading.pov = 13500; break;
            case SDL_HAT_DOWN: reading.pov = 18000; break;
            case SDL_HAT_LEFTDOWN: reading.pov = 22500; break;
            case SDL_HAT_LEFT: reading.pov = 27000; break;
            case SDL_HAT_LEFTUP: reading.pov = 31500; break;
            default: break;
        }
    }
    return true;
}

// ---- Text ----

namespace {

// The file of the system's best bold sans font; empty when fontconfig has none.
// The launcher's toolkit shares fontconfig's default configuration, so this
// uses that one and never tears the library down (FcFini would abort while
// the toolkit still holds its caches).
std::string FindBoldSansFont() {
    std::string path;
    if (!FcInit()) return path;
    if (FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:bold"))) {
        FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
        FcDefaultSubstitute(wanted);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(nullptr, wanted, &result)) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(wanted);
    }
    return path;
}

// Looked up once: without a font the game simply shows no text.
const TextFont& OpenedFont() {
    static TextFont font;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const std::string file = FindBoldSansFont();
        if (!file.empty()) font.open(file);
    }
    return font;
}

}  // namespace

bool DrawTextLine(const PixelCanvas& canvas, const char* text, int length, int x, int y, std::uint32_t colour,
                  std::uint32_t background) {
    return OpenedFont().drawLine(canvas, text, length, x, y, colour, background);
}

int TextLineHeight() { return OpenedFont().lineHeight(); }

}  // namespace platform
