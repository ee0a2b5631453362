#include "game/scene.h"

// Nothing to draw yet: the frame shows the clear colour.
void RenderScene() {}
