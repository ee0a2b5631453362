#include "app/game_window.h"

#include "app/input.h"
#include "app/settings.h"
#include "image/texture_cache.h"
#include "platform/platform.h"

#include <GL/gl.h>

#include <cmath>

bool CreateGameWindow() {
    if (Settings.UseScreenRes == DesktopResolution) {
        int width = 0, height = 0;
        if (platform::DesktopSize(width, height)) {
            Settings.Width = width;
            Settings.Height = height;
        }
    }
    const platform::WindowRequest request{"Umbrafall", Settings.Width, Settings.Height,
                                          Settings.Windowed == 0};
    // The pointer is put at the centre, so the view holds still until it moves.
    PointerX = PointerY = 0.0f;
    return platform::OpenWindow(request);
}

void DestroyGameWindow() {
    if (platform::WindowIsOpen()) DeleteAllTextures();
    platform::CloseWindow();
}

void SetPerspective(float aspect) {
    const double t = 0.125 * std::tan(0.39269876480102545);
    glFrustum(-t * aspect, t * aspect, -t, t, 0.125, 500.0);
}
