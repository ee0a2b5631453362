#pragma once
// The one game window with its OpenGL context.

// Makes the window from the settings (the desktop size when UseScreenRes is
// 3, which then replaces Width and Height). False when any step fails.
bool CreateGameWindow();

// Deletes the textures and the context and gives back the display mode and
// the cursor. Safe to call again.
void DestroyGameWindow();

// Multiplies a 45-degree vertical perspective (near 0.125, far 500) onto the
// current matrix.
void SetPerspective(float aspect);
