#include "game/hud.h"

#include "game/game_state.h"
#include "game/player.h"

#include <cstdio>

TextPanel HudPanel;
int HudRedraws = 0;

namespace {

constexpr int PanelWidth = 104;
constexpr int PanelHeight = 24;
constexpr int CoinCells = 25;       // one cell per coin the player can hold
constexpr double CoinFraction = 0.04;  // of the bar, per coin
constexpr int PanelAlpha = 64;

}  // namespace

void CreateHudPanel() {
    // Laid out on a 640 x 480 screen; the size stays in pixels at any other.
    HudPanel.Create(0, 450, PanelWidth, 450 + PanelHeight, 640, 480, true);
}

void UpdateHud() {
    ++HudRedraws;
    HudPanel.Clear();
    if (GameState == Playing) {
        HudPanel.DrawBar(0, 0, PanelWidth, PanelHeight, CoinCells, static_cast<float>(CoinCount * CoinFraction));
    } else {
        char message[32] = "";
        if (GameState == Dead)
            std::snprintf(message, sizeof message, "Your Dead");
        else if (GameState == LevelPassed)
            std::snprintf(message, sizeof message, "Level %i", LevelIndex + 2);
        else if (GameState == Won)
            std::snprintf(message, sizeof message, "You Win!");
        HudPanel.WriteText(message, 0, 0, PanelWidth, PanelHeight, 0);
    }
    HudPanel.SetAlpha(PanelAlpha);
}
