// The launcher window, drawn with FLTK before SDL opens the game window.

#include "platform/platform.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace platform {
namespace {

constexpr int LauncherWidth = 640;
constexpr int LauncherHeight = 480;

// Paints the splash from the top-left corner under the controls; the window
// cuts whatever does not fit.
class LauncherWindow : public Fl_Window {
public:
    LauncherWindow(const char* title) : Fl_Window(LauncherWidth, LauncherHeight) { copy_label(title); }

    std::unique_ptr<Fl_RGB_Image> splash;

protected:
    void draw() override {
        if (damage() & ~FL_DAMAGE_CHILD) {
            draw_box();
            if (splash) splash->draw(0, 0);
            for (int c = 0; c < children(); ++c) draw_child(*child(c));
        } else {
            for (int c = 0; c < children(); ++c) update_child(*child(c));
        }
    }
};

struct Launcher {
    LauncherWindow* window = nullptr;
    Fl_Choice* resolution = nullptr;
    Fl_Check_Button* windowed = nullptr;
    Fl_Check_Button* lights = nullptr;
    Fl_Check_Button* music = nullptr;
    Fl_Check_Button* joystick = nullptr;
    Fl_Check_Button* highQuality = nullptr;
    bool started = false;
    LauncherChoices chosen{};
};

Fl_Check_Button* MakeCheckBox(int x, int width, const char* label, bool ticked) {
    auto* box = new Fl_Check_Button(x, 0, width, 24, label);
    box->box(FL_FLAT_BOX);  // opaque over the picture, so the label stays readable
    box->value(ticked ? 1 : 0);
    return box;
}

void PressStart(Fl_Widget*, void* data) {
    Launcher& launcher = *static_cast<Launcher*>(data);
    launcher.started = true;
    launcher.chosen.resolution = launcher.resolution->value();
    launcher.chosen.windowed = launcher.windowed->value() != 0;
    launcher.chosen.lights = launcher.lights->value() != 0;
    launcher.chosen.music = launcher.music->value() != 0;
    launcher.chosen.joystick = launcher.joystick->value() != 0;
    launcher.chosen.highQualityTextures = launcher.highQuality->value() != 0;
    launcher.window->hide();
}

// The close box ends the launcher; Escape does not.
void CloseLauncher(Fl_Widget* window, void*) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    window->hide();
}

// FLTK ends the process when it cannot reach the display; asking first lets
// the game end on its own terms.
bool OpenDisplay() {
    if (fl_display) return true;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "Umbrafall: cannot open the display \"%s\"\n", XDisplayName(nullptr));
        return false;
    }
    fl_open_display(display);
    return true;
}

}  // namespace

bool RunLauncher(const LauncherRequest& request, LauncherChoices& choices) {
    if (!OpenDisplay()) return false;

    Launcher launcher;
    auto window = std::make_unique<LauncherWindow>(request.title ? request.title : "");
    launcher.window = window.get();
    window->xclass("Options");

    // FLTK wants red, green, blue; the decoder gives blue, green, red, unused.
    std::vector<std::uint8_t> rgb;
    if (request.splash && request.splashWidth > 0 && request.splashHeight > 0) {
        const std::size_t pixels = static_cast<std::size_t>(request.splashWidth) * request.splashHeight;
        rgb.resize(pixels * 3);
        for (std::size_t i = 0; i < pixels; ++i) {
            rgb[i * 3 + 0] = request.splash[i * 4 + 2];
            rgb[i * 3 + 1] = request.splash[i * 4 + 1];
            rgb[i * 3 + 2] = request.splash[i * 4 + 0];
        }
        window->splash =
            std::make_unique<Fl_RGB_Image>(rgb.data(), request.splashWidth, request.splashHeight, 3);
    }

    auto* label = new Fl_Box(0, 0, 32, 24, "Rez");
    label->box(FL_FLAT_BOX);
    launcher.resolution = new Fl_Choice(32, 0, 96, 24);
    for (int i = 0; i < request.resolutionCount; ++i)
        launcher.resolution->add(request.resolutions[i], 0, nullptr,
                                 reinterpret_cast<void*>(static_cast<std::intptr_t>(i)), 0);
    const bool listed = choices.resolution >= 0 && choices.resolution < request.resolutionCount;
    launcher.resolution->value(listed ? choices.resolution : -1);
    launcher.windowed = MakeCheckBox(128, 96, "Windowed", choices.windowed);
    launcher.lights = MakeCheckBox(224, 96, "Lights", choices.lights);
    launcher.music = MakeCheckBox(320, 96, "Music", choices.music);
    launcher.joystick = MakeCheckBox(416, 96, "Joystick", choices.joystick);
    launcher.highQuality = MakeCheckBox(512, 128, "HiQTexture", choices.highQualityTextures);
    auto* start = new Fl_Button(564, 416, 64, 32, "&Start");
    start->callback(PressStart, &launcher);
    window->end();
    window->callback(CloseLauncher);

    window->show();
    while (window->shown()) {
        if (Fl::wait() < 0) break;  // the display went away
    }
    window->hide();
    window.reset();
    Fl::flush();

    if (launcher.started) choices = launcher.chosen;
    return launcher.started;
}

}  // namespace platform
