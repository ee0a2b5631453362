#pragma once

// Draws the world for the current frame; the main loop has set up the view.
void RenderScene();
