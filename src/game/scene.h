#pragma once

struct CaveCell;

// Set while a frame's cell walk has reached the transporter's cell.
extern int TransporterVisible;

// Draws the world for the current frame: the cells within 6 steps of the
// player, the rocks in flight, the monsters, the carried detector, the
// translucent transporter and the HUD. The main loop has set up the view.
void RenderScene();

// Draws `cell` and its items unless already drawn this frame, then walks on
// to its neighbours, depth first, to 6 steps from the player's cell; a cell
// reached again along a shorter path is walked on from there.
void DrawCellTree(CaveCell* cell, int depth);
