#pragma once

struct CaveCell;

// Set while a frame's cell walk has reached the transporter's cell.
extern int TransporterVisible;

// Draws the world for the current frame: the cells within 6 steps of the
// player, the rocks in flight, the monsters, the carried detector, the
// translucent transporter and the HUD. The main loop has set up the view.
void RenderScene();

// Draws `cell` and its items, then the cells beyond it not yet drawn this
// frame, to a depth of 6 steps from the player's cell.
void DrawCellTree(CaveCell* cell, int depth);
