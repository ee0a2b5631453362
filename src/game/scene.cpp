#include "game/scene.h"

#include "app/settings.h"
#include "cave/cave_cell.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"

#include <GL/gl.h>

int TransporterVisible = 0;

namespace {

constexpr int MaxWalkDepth = 5;  // cells at depth 6 are drawn but not walked beyond

// The colour and shine the cave walls are drawn with. Each model sets its own
// colour, diffuse and shininess, which would otherwise tint and darken every
// wall drawn after it.
void UseCaveMaterial() {
    static const float OpenGLDefaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, OpenGLDefaultDiffuse);
    glMaterialf(GL_FRONT, GL_SHININESS, 0.0f);
    glBindTexture(GL_TEXTURE_2D, CaveTexture);
}

// A loaded static model with its own transform and first texture.
void Draw(const StaticModel& model) {
    if (model.loaded <= 0) return;
    glLoadIdentity();
    glLoadMatrixf(model.matrix.data());
    glBindTexture(GL_TEXTURE_2D, model.materials[0].texture);
    glCallList(model.displayList);
}

}  // namespace

void DrawCellTree(CaveCell* cell, int depth) {
    if (!cell->visited) {
        glCallList(cell->displayList);
        if (cell->items.head) {
            for (const ItemNode* node = cell->items.head; node; node = node->next) {
                if (node->kind == ItemTransporter)
                    TransporterVisible = 1;  // drawn last, blended
                else
                    Draw(*node->object);
            }
            glLoadIdentity();
            UseCaveMaterial();
        }
        cell->visited = true;
    }
    // A cell first found along a long path is explored again when a shorter
    // one reaches it; otherwise cells close by could be left undrawn.
    cell->walkDepth = static_cast<std::uint8_t>(depth);
    if (depth > MaxWalkDepth) return;
    for (int k = 0; k < cell->connectionCount && k < MaxConnections; ++k) {
        CaveCell* next = cell->neighbours[k];
        if (next && (!next->visited || next->walkDepth > depth + 1)) DrawCellTree(next, depth + 1);
    }
}

void RenderScene() {
    if (Settings.Lights != 0) glEnable(GL_LIGHTING);
    UseCaveMaterial();
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) cell->visited = false;
    if (PlayerCell) DrawCellTree(PlayerCell, 0);

    for (ItemNode* node = FlyingRocks.head; node;) {
        StaticModel& rock = *node->object;
        makeEulerMatrix(rock.angles, rock.position, rock.matrix);
        Draw(rock);
        node = UpdateFlyingRock(node);
    }

    // A monster beyond the walked cells would hang in the undrawn dark; one
    // not drawn is not skinned either.
    for (int i = 0; i < MonsterCount && i < MaxMonsters; ++i)
        if (MonsterCells[i] && MonsterCells[i]->visited) drawSkinnedModelInView(Monsters[i]);

    if (HasDetector) {
        Draw(DetectorModel);
        Draw(DialModel);
    }

    if (TransporterVisible != 0) {
        glEnable(GL_BLEND);
        if (TransporterVisible > 0) Draw(TransporterModel);
    }
    TransporterVisible = 0;
    glDisable(GL_BLEND);

    if (HudVisible) HudPanel.Present();
}
