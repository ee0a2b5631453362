#include "game/player.h"

Vector3 PlayerPos;
Vector3 ViewDir{0.0f, 0.0f, 1.0f};
const Vector3 WorldUp{0.0f, 1.0f, 0.0f};
CaveCell* PlayerCell = nullptr;
float ViewYaw = 0.0f;
float ViewPitch = 0.0f;
int CoinCount = 0;
bool HasDetector = false;
ItemList CarriedRocks;
